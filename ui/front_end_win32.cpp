#include "ui/front_end.h"

#include "ui/win32/win32_ui.h"

namespace ui {

std::unique_ptr<UserInterface> openFrontEnd() {
    return std::make_unique<Win32UserInterface>();
}

} // namespace ui
