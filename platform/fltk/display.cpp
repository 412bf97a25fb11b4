#include "platform/fltk/display.h"

#include <FL/x.H>
#include <X11/Xlib.h>

namespace platform::fltk {

bool openDisplay() {
    if (fl_display != nullptr) {
        return true;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    fl_open_display(display);
    return true;
}

} // namespace platform::fltk
