#include "app/remapper.h"

#include <string>

#include "app/batch.h"
#include "app/format_text.h"
#include "app/main_window.h"
#include "app/progress.h"
#include "app/texts.h"
#include "platform/process.h"

namespace {

constexpr std::int32_t LastMatchedIndex = 254; // index 255 keeps what the palette file says

const char* describe(PaletteFileProblem problem) {
    switch (problem) {
    case PaletteFileProblem::None:
        break;
    case PaletteFileProblem::Missing:
        return "there is no such file";
    case PaletteFileProblem::Unreadable:
        return "the file cannot be read";
    case PaletteFileProblem::NotAPalette:
        return "the file is not a palette";
    case PaletteFileProblem::CutShort:
        return "the file is cut short";
    }
    return "";
}

// Where the palette was looked for and what was wrong with it, for the front ends that can
// say more than the box's text.
std::string paletteDetail(PaletteFileProblem problem) {
    return "looked in " + platform::currentDirectory() + ": " + describe(problem);
}

bool loadSkinPalette(RemapperState& state) {
    state.matcher.reset(); // it belongs to the palette it was built from
    PaletteFileProblem problem = PaletteFileProblem::None;
    state.skinPalette.reset(Palette::loadWholeFile(PaletteFileName, problem));
    if (!state.skinPalette) {
        state.ui.detailedMessageBox(state.mainWindow, ErrorCaption,
                                    FormatText(PaletteFailedText, PaletteFileName),
                                    paletteDetail(problem).c_str(), platform::MessageIcon::Error,
                                    platform::MessageButtons::Ok);
        return false;
    }
    state.skinPalette->matchMask.setRange(0, LastMatchedIndex);
    return true;
}

// The windows end with the code the window gave; a run without one reports to a shell.
int exitCodeFor(platform::RunEnd end, int windowExitCode, const platform::RunSummary& summary) {
    switch (end) {
    case platform::RunEnd::ByWindow:
        break;
    case platform::RunEnd::BatchDone:
        return summary.failed > 0 ? ExitNotAllWritten : ExitBatchDone;
    case platform::RunEnd::Interrupted:
        return ExitInterrupted;
    }
    return windowExitCode;
}

int finish(RemapperState& state, int windowExitCode) {
    state.summary.notReached = state.fileList.itemCount;
    state.ui.reportSummary(state.summary);
    state.matcher.reset();
    state.skinPalette.reset();
    return exitCodeFor(state.ui.runEnd(), windowExitCode, state.summary);
}

// One message at most per turn, then one conversion step. Once nothing is left to convert
// the loop waits for the next message instead of spinning.
int runMainLoop(RemapperState& state) {
    platform::UserInterface& ui = state.ui;
    while (!state.quitRequested) {
        platform::Message message;
        if (ui.peekMessage(message, true)) {
            if (message.isQuit) {
                return finish(state, message.quitCode);
            }
            ui.dispatchMessage(message);
        }
        RemapNextFile(state);
        if (state.fileList.itemCount == 0 && !state.quitRequested) {
            ui.waitMessage();
        }
    }
    return finish(state, ExitQuitButton);
}

} // namespace

int runRemapper(platform::UserInterface& ui, const RunFolders& folders,
                const RemapperSeams& seams) {
    RemapperState state(ui, seams);
    state.outputFolder = folders.outputFolder;
    MainWindowEvents events(state);

    state.mainWindow = ui.createMainWindow(WindowTitle, WindowWidth, WindowHeight, events);
    if (state.mainWindow == platform::NoWindow) {
        return ExitStartupFailed;
    }
    ui.showWindow(state.mainWindow);
    if (!loadSkinPalette(state)) {
        return ExitStartupFailed;
    }
    return runMainLoop(state);
}
