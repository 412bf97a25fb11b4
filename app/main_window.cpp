#include "app/main_window.h"

#include "app/batch.h"
#include "app/exit_codes.h"
#include "app/progress.h"

bool MainWindowEvents::onCreate(platform::WindowId window) {
    state.startTicks = state.seams.tickCount();
    if (!CreateControls(state, window)) {
        return false;
    }
    BuildFileList(state);
    return true;
}

void MainWindowEvents::onCommand(platform::WindowId source) {
    if (source != platform::NoWindow && source == state.quitButton) {
        state.quitRequested = true;
    }
}

void MainWindowEvents::onDestroy() {
    state.ui.postQuit(ExitWindowClosed);
}
