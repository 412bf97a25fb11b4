#pragma once
// The one text formatter of the remapper. Every caller hands the text on at once (to a
// control or a message box, which copy it), so one shared buffer serves the program.

#include <cstddef>

inline constexpr std::size_t SharedTextSize = 256;

// printf-style formatting into the shared buffer, which is returned. A longer text is cut
// at SharedTextSize - 1 characters. The text is valid until the next call.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
const char*
FormatText(const char* format, ...);
