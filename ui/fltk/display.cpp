#include "ui/fltk/display.h"

#include <cstdio>

#include <FL/x.H>
#include <X11/Xlib.h>

#include "platform/process.h"
#include "ui/ui.h"

namespace ui::fltk {
namespace {

WindowEvents* lostConnectionListener = nullptr;

// Xlib calls this when the connection breaks (the X server went away, or the connection
// was killed) and ends the program should it return. Nothing can be shown any more and the
// run cannot go on; the skin in hand was not written yet, those converted before it still
// are. The exit code tells this apart from "Quit", which FLTK's own handler would give.
int onConnectionLost(Display*) {
    std::fputs("skinremap: the connection to the display was lost\n", stderr);
    if (lostConnectionListener != nullptr) {
        lostConnectionListener->onConnectionLost();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    platform::endProcess(DisplayLostExitCode);
}

} // namespace

bool openDisplay() {
    if (fl_display != nullptr) {
        return true;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    fl_open_display(display);
    XSetIOErrorHandler(onConnectionLost); // after FLTK, which installs its own
    return true;
}

void tellWhenConnectionLost(WindowEvents* events) {
    lostConnectionListener = events;
}

} // namespace ui::fltk
