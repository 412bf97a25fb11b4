#include "core/printable_text.h"

#include <cstdint>
namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The controls of bidirectional text: embeddings, overrides and isolates. In a name they can
// make what is printed read otherwise than the bytes ("gpj.bmp" shown as "pmb.jpg").
bool isBidiControl(std::uint32_t code) {
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

// The length of the valid UTF-8 sequence of a printable character at the start of `text`,
// or 0: an invalid or overlong sequence, a surrogate, a control character.
std::size_t printableSequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return lead >= 0x20 && lead != 0x7F ? 1 : 0;
    }
    const std::size_t length = lead > 0xF4    ? 0
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!isContinuation(byte)) {
            return 0;
        }
        code = code << 6 | (byte & 0x3F);
    }
    constexpr std::uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = code >= Smallest[length] && code <= 0x10FFFF &&
                       !(code >= 0xD800 && code <= 0xDFFF) && !(code >= 0x80 && code <= 0x9F) &&
                       !isBidiControl(code);
    return valid ? length : 0;
}

} // namespace

std::string printableText(std::string_view text) {
    constexpr char Digits[] = "0123456789abcdef";
    std::string printable;
    printable.reserve(text.size());
    while (!text.empty()) {
        if (text[0] == '\\') {
            printable += "\\\\";
            text.remove_prefix(1);
        } else if (const std::size_t length = printableSequence(text); length > 0) {
            printable.append(text.substr(0, length));
            text.remove_prefix(length);
        } else {
            const auto byte = static_cast<unsigned char>(text[0]);
            printable += {'\\', 'x', Digits[byte >> 4], Digits[byte & 0xF]};
            text.remove_prefix(1);
        }
    }
    return printable;
}
