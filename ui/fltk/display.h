#pragma once
// Opening the X display for FLTK. FLTK itself ends the process when it cannot open the
// display, so the connection is made here first and handed over only when it works.

namespace ui {
class WindowEvents;
}

namespace ui::fltk {

// Connects to $DISPLAY and lets FLTK adopt the connection. False, with nothing changed,
// when there is no display to connect to. Should the connection break later, the process
// ends at once with DisplayLostExitCode (platform/ui.h).
bool openDisplay();

// Who hears onConnectionLost before the process ends for a broken connection; null for
// nobody.
void tellWhenConnectionLost(WindowEvents* events);

} // namespace ui::fltk
