#pragma once
// Text bound for a terminal, made safe to print. File names may hold any byte but the
// slash, and control characters among them would drive the terminal: move the cursor,
// clear the screen, retitle the window, or worse.

#include <string>
#include <string_view>

// `text` with every control character (C0, DEL and, encoded in UTF-8, C1 and the controls
// of bidirectional text) and every byte that is not part of valid UTF-8 written as \xNN, and each
// backslash doubled, so that what is printed is unambiguous. Everything else, accented letters
// included, stays as it is.
std::string printableText(std::string_view text);
