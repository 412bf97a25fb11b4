#include "platform/front_end.h"

#include <cstdio>

#include "platform/console/console_ui.h"
#include "platform/terminal.h"
#include "platform/window_front_end.h"

namespace platform {

// The window when a display can be opened; the console otherwise (no display, a display
// that does not answer, or a build without the window).
std::unique_ptr<UserInterface> openFrontEnd() {
    if (auto window = openWindowFrontEnd()) {
        return window;
    }
    return std::make_unique<ConsoleUi>(stdout, standardOutputIsTerminal());
}

} // namespace platform
