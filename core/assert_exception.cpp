#include "core/assert_exception.h"

#include <cstring>

namespace {

// Copies what fits and zero-fills the rest, so the field is always terminated and holds
// nothing left over from earlier.
void copyField(char (&field)[AssertException::FieldSize], const char* text) {
    std::memset(field, 0, sizeof field);
    if (text != nullptr) {
        std::size_t length = 0;
        while (length < sizeof field - 1 && text[length] != '\0') {
            ++length;
        }
        std::memcpy(field, text, length);
    }
}

} // namespace

AssertException::AssertException(const char* file, std::int32_t line, const char* message)
    : line(line) {
    copyField(this->file, file);
    copyField(this->message, message);
}
