#include "platform/fltk/display.h"
#include "platform/fltk/fltk_ui.h"
#include "platform/window_front_end.h"

namespace platform {

std::unique_ptr<UserInterface> openWindowFrontEnd() {
    if (!fltk::openDisplay()) {
        return nullptr;
    }
    return std::make_unique<fltk::FltkUserInterface>();
}

} // namespace platform
