#include "app/remapper.h"

#include <string>

#include "app/batch.h"
#include "app/format_text.h"
#include "app/game_palette.h"
#include "app/main_window.h"
#include "app/progress.h"
#include "app/save_watch.h"
#include "app/skin_outcome.h"
#include "app/texts.h"
#include "app/watching.h"
#include "platform/process.h"

namespace {

bool loadSkinPalette(RemapperState& state) {
    state.matcher.reset(); // it and the thresholds belong to the palette they were made for
    state.ordered.reset();
    GamePalette game = loadGamePalette();
    if (!game.palette) {
        state.ui.detailedMessageBox(state.mainWindow, ErrorCaption,
                                    FormatText(PaletteFailedText, PaletteFileName),
                                    game.problem.c_str(), MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    state.skinPalette = std::move(game.palette);
    return true;
}

// The output folder was made before the run; it is held open from here to the end, so that
// every skin goes into that very folder.
bool outputFolderOpen(RemapperState& state, const RunRequest& request) {
    if (!state.outputFolder || state.outputFolder->isOpen()) {
        return true;
    }
    state.ui.messageBox(state.mainWindow, ErrorCaption,
                        FormatText(WriteFailedText, request.folders.outputFolder.c_str()),
                        MessageIcon::Error, MessageButtons::Ok);
    return false;
}

// The preview page, written once more with every skin of the run, interrupted or not.
void writeFinalPage(RemapperState& state) {
    const std::string page = state.preview->pagePath();
    std::string why;
    if (state.preview->writePage(true, why)) {
        state.summary.previewPage = page;
        return;
    }
    state.ui.messageBox(ui::NoWindow, ErrorCaption, FormatText(WriteFailedText, page.c_str()),
                        MessageIcon::Information, MessageButtons::Ok);
}

// Every skin, picture and page the run meant to write was written, every skin for good: one
// whose folder could not be flushed is in place, but a power loss may still undo it.
bool allWritten(const RemapperState& state) {
    const ui::RunSummary& summary = state.summary;
    return summary.failed == 0 && summary.unflushed == 0 && summary.previewsFailed == 0 &&
           (state.preview == nullptr || !summary.previewPage.empty());
}

// The windows end with the code the window gave; a run without one reports to a shell. Ctrl-C
// is how a watch is ended, not an interruption.
int exitCodeFor(ui::RunEnd end, bool watching, int windowExitCode, bool written) {
    switch (end) {
    case ui::RunEnd::ByWindow:
        break;
    case ui::RunEnd::Interrupted:
        if (!watching) {
            return ExitInterrupted;
        }
        [[fallthrough]];
    case ui::RunEnd::BatchDone:
        return written ? ExitBatchDone : ExitNotAllWritten;
    }
    return windowExitCode;
}

int finish(RemapperState& state, int windowExitCode) {
    CommitWaitingSkins(state);
    state.summary.notReached = state.fileList.itemCount;
    state.summary.dryRun = state.dryRun;
    if (state.preview != nullptr) {
        writeFinalPage(state);
    }
    state.ui.reportSummary(state.summary);
    state.matcher.reset();
    state.skinPalette.reset();
    return exitCodeFor(state.ui.runEnd(), state.watching.on, windowExitCode, allWritten(state));
}

// One message at most per turn, then one conversion step. Once nothing is left to convert
// the loop waits for the next message instead of spinning; in watch mode, for the next save
// as well.
int runMainLoop(RemapperState& state, SaveWatch* watch) {
    ui::UserInterface& ui = state.ui;
    while (!state.quitRequested) {
        ui::Message message;
        if (ui.peekMessage(message, true)) {
            if (message.isQuit) {
                return finish(state, message.quitCode);
            }
            ui.dispatchMessage(message);
        }
        RemapNextFile(state);
        if (state.fileList.itemCount == 0 && !state.quitRequested) {
            if (watch != nullptr && keepWatching(state, *watch)) {
                continue;
            }
            ui.waitMessage();
        }
    }
    return finish(state, ExitQuitButton);
}

} // namespace

int runRemapper(ui::UserInterface& ui, const RunRequest& request, const RemapperSeams& seams) {
    RemapperState state(ui, seams);
    if (!request.folders.outputFolder.empty()) {
        state.outputFolder =
            std::make_shared<const platform::HeldFolder>(request.folders.outputFolder);
    }
    state.summary.folder = request.folders.shownFolder.empty() ? platform::currentDirectory()
                                                               : request.folders.shownFolder;
    state.summary.outputFolder = request.folders.shownOutputFolder;
    state.dryRun = request.dryRun;
    state.preview = request.preview;
    state.dither = request.dither;
    MainWindowEvents events(state);

    state.mainWindow = ui.createMainWindow(WindowTitle, WindowWidth, WindowHeight, events);
    if (state.mainWindow == ui::NoWindow) {
        return ExitStartupFailed;
    }
    ui.showWindow(state.mainWindow);
    if (!loadSkinPalette(state) || !outputFolderOpen(state, request)) {
        return ExitStartupFailed;
    }
    accountKeptAtStart(state, request.keptAtStart);
    if (!request.watch) {
        return runMainLoop(state, nullptr);
    }
    // Started before the batch, so that nothing saved meanwhile is missed.
    SaveWatch watch(ui);
    if (!watch.isOpen()) {
        ui.messageBox(state.mainWindow, ErrorCaption, WatchFailedText, MessageIcon::Error,
                      MessageButtons::Ok);
        return ExitStartupFailed;
    }
    state.watching.on = true;
    ui.startWatching();
    return runMainLoop(state, &watch);
}
