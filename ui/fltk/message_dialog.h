#pragma once
// The message box of the FLTK front end: caption, text, an error or information icon, and
// OK or Retry/Cancel. Needs an open display.

#include <functional>

#include "core/message_box.h"

namespace ui::fltk {

// Blocks until the box is answered; FLTK keeps handling events (repaints) meanwhile, and
// the other windows take no input. Return picks OK or Retry; Escape and the close box
// pick Cancel, or OK where it is the only button.
MessageResult showMessageDialog(const char* caption, const char* text, MessageIcon icon,
                                MessageButtons buttons);

// As above, but the other windows stay usable while the box is open: after each round of
// events `keepOpen` runs, and when it returns false the box goes as if dismissed.
MessageResult showModelessDialog(const char* caption, const char* text, MessageIcon icon,
                                 MessageButtons buttons, const std::function<bool()>& keepOpen);

} // namespace ui::fltk
