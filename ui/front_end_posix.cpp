#include "ui/front_end.h"

#include <cstdio>

#include "platform/terminal.h"
#include "ui/console/console_ui.h"
#include "ui/window_front_end.h"

namespace ui {

// The window when a display can be opened; the console otherwise (no display, a display
// that does not answer, or a build without the window).
std::unique_ptr<UserInterface> openFrontEnd() {
    if (auto window = openWindowFrontEnd()) {
        return window;
    }
    return std::make_unique<ConsoleUi>(stdout, platform::standardOutputIsTerminal());
}

FolderChoice chooseFolder(std::string& folder) {
    return chooseFolderInWindow(folder);
}

} // namespace ui
