#pragma once
// The measures of a window on the classic Windows desktop the program was laid out on.
// Front ends that draw no Windows frame (the console, FLTK, where the window manager adds
// its own) take the client area a Windows window of the same outer size has, so that the
// controls sit where they sit on Windows.

#include "ui/ui.h"

namespace ui {

// Sizing borders of 8 pixels left and right; the same below, plus a 23-pixel caption above.
inline constexpr int ClassicFrameWidth = 16;
inline constexpr int ClassicFrameHeight = 39;
// GetSystemMetrics(SM_CYVSCROLL) there: the height of the progress bar.
inline constexpr int ClassicScrollArrowHeight = 17;

// The client area of a window `width` x `height` pixels outside.
constexpr Rect classicClientArea(int width, int height) {
    return Rect{0, 0, width - ClassicFrameWidth, height - ClassicFrameHeight};
}

} // namespace ui
