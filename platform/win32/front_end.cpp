#include "platform/front_end.h"

#include "platform/win32/win32_ui.h"

namespace platform {

std::unique_ptr<UserInterface> openFrontEnd() {
    return std::make_unique<Win32UserInterface>();
}

} // namespace platform
