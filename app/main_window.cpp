#include "app/main_window.h"

#include <cstdio>

#include "app/batch.h"
#include "app/exit_codes.h"
#include "app/format_text.h"
#include "app/progress.h"
#include "app/texts.h"

bool MainWindowEvents::onCreate(ui::WindowId window) {
    state.startTicks = state.seams.tickCount();
    if (!CreateControls(state, window)) {
        return false;
    }
    BuildFileList(state);
    return true;
}

void MainWindowEvents::onCommand(ui::WindowId source) {
    if (source != ui::NoWindow && source == state.quitButton) {
        state.quitRequested = true;
    }
}

void MainWindowEvents::onDestroy() {
    state.ui.postQuit(ExitWindowClosed);
}

// No box can be shown any more: a skin that could not be put in place is named on the
// error output, the one place left to say it.
void MainWindowEvents::onConnectionLost() {
    for (const SkinOutcome& skin : state.writer.drain()) {
        if (skin.kind == SkinOutcome::Kind::Failed) {
            std::fprintf(stderr, "skinremap: %s\n", FormatText(WriteFailedText, skin.name.c_str()));
        } else if (skin.kind == SkinOutcome::Kind::ChangedMeanwhile) {
            std::fprintf(stderr, "skinremap: %s\n", FormatText(ChangedText, skin.name.c_str()));
        }
    }
}
