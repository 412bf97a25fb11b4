#include "platform/front_end.h"

#include <cstdio>

#include "platform/console/console_ui.h"
#include "platform/terminal.h"

namespace platform {

std::unique_ptr<UserInterface> openFrontEnd() {
    return std::make_unique<ConsoleUi>(stdout, standardOutputIsTerminal());
}

} // namespace platform
