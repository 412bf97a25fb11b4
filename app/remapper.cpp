#include "app/remapper.h"

#include "app/batch.h"
#include "app/format_text.h"
#include "app/main_window.h"
#include "app/progress.h"
#include "app/texts.h"

namespace {

constexpr std::int32_t LastMatchedIndex = 254; // index 255 keeps what the palette file says

bool loadSkinPalette(RemapperState& state) {
    state.matcher.reset(); // it belongs to the palette it was built from
    state.skinPalette.reset(Palette::loadWholeFile(PaletteFileName));
    if (!state.skinPalette) {
        state.ui.messageBox(state.mainWindow, ErrorCaption,
                            FormatText(PaletteFailedText, PaletteFileName),
                            platform::MessageIcon::Error, platform::MessageButtons::Ok);
        return false;
    }
    state.skinPalette->matchMask.setRange(0, LastMatchedIndex);
    return true;
}

// The preview page, written once more with every skin of the run, interrupted or not.
void writeFinalPage(RemapperState& state) {
    const std::string page = state.preview->pagePath();
    std::string why;
    if (state.preview->writePage(true, why)) {
        state.summary.previewPage = page;
        return;
    }
    state.ui.messageBox(platform::NoWindow, ErrorCaption, FormatText(WriteFailedText, page.c_str()),
                        platform::MessageIcon::Information, platform::MessageButtons::Ok);
}

int finish(RemapperState& state, int exitCode) {
    state.summary.notReached = state.fileList.itemCount;
    state.summary.dryRun = state.dryRun;
    if (state.preview != nullptr) {
        writeFinalPage(state);
    }
    state.ui.reportSummary(state.summary);
    state.matcher.reset();
    state.skinPalette.reset();
    return exitCode;
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

int runRemapper(platform::UserInterface& ui) {
    return runRemapper(ui, RemapperSeams{});
}

int runRemapper(platform::UserInterface& ui, const RemapperSeams& seams) {
    RemapperState state(ui, seams);
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
