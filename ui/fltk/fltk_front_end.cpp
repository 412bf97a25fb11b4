#include "ui/fltk/display.h"
#include "ui/fltk/fltk_ui.h"
#include "ui/window_front_end.h"

namespace ui {

std::unique_ptr<UserInterface> openWindowFrontEnd() {
    if (!fltk::openDisplay()) {
        return nullptr;
    }
    return std::make_unique<fltk::FltkUserInterface>();
}

} // namespace ui
