#include "app/format_text.h"

#include <cstdarg>
#include <cstdio>

namespace {

char sharedTextBuffer[SharedTextSize];

} // namespace

const char* FormatText(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    // vsnprintf stops at the buffer's end and always terminates the text.
    if (std::vsnprintf(sharedTextBuffer, sizeof sharedTextBuffer, format, arguments) < 0) {
        sharedTextBuffer[0] = '\0';
    }
    va_end(arguments);
    return sharedTextBuffer;
}
