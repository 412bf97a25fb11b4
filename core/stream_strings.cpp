#include "core/stream_strings.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "core/string_table.h"

namespace {

// A copy of the first `size` bytes of `data` up to its first zero byte, or null when memory
// runs out.
char* copyUpToZero(const char* data, std::size_t size) {
    const auto length = static_cast<std::size_t>(std::find(data, data + size, '\0') - data);
    char* const copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr) {
        std::memcpy(copy, data, length);
        copy[length] = '\0';
    }
    return copy;
}

bool writeShortForm(StreamIO& stream, const char* text, std::size_t length) {
    const auto lengthByte = static_cast<std::uint8_t>(length);
    const bool lengthWritten = stream.write(1, &lengthByte);
    if (length == 0) {
        return lengthWritten;
    }
    // Written even after a failed length byte: the sticky status makes it fail at once.
    return stream.write(static_cast<int>(length), text);
}

} // namespace

bool writeString(StreamIO& stream, const char* text) {
    if (text == nullptr) {
        const std::int32_t none = 0;
        return stream.write(sizeof none, &none);
    }
    const std::size_t size = std::strlen(text) + 1;
    if (size > static_cast<std::size_t>(MaxStringRecord)) {
        // Nothing is written, and the stream says so: a record must not go missing unnoticed.
        stream.markFailed(IoError);
        return false;
    }
    const auto length = static_cast<std::int32_t>(size);
    if (!stream.write(sizeof length, &length)) {
        return false;
    }
    return stream.write(length, text);
}

bool readString(StreamIO& stream, char*& text) {
    std::int32_t length = 0;
    if (!stream.read(sizeof length, &length)) {
        return false;
    }
    if (length == 0) {
        delete[] text;
        text = nullptr;
        return true;
    }
    if (length < 0 || length > MaxStringRecord) {
        stream.markFailed(IoError); // what follows is no record we can step over
        return false;
    }
    const std::unique_ptr<char[]> record(new (std::nothrow) char[static_cast<std::size_t>(length)]);
    if (record == nullptr || !stream.read(length, record.get())) {
        return false;
    }
    char* const copy = copyUpToZero(record.get(), static_cast<std::size_t>(length));
    if (copy == nullptr) {
        return false;
    }
    delete[] text;
    text = copy;
    return true;
}

bool writeShortString(StreamIO& stream, const char* text) {
    const std::size_t length = text == nullptr ? 0 : std::strlen(text);
    const bool written =
        writeShortForm(stream, text, std::min<std::size_t>(length, MaxShortString));
    return written && length <= MaxShortString;
}

bool writeShortStringClamped(StreamIO& stream, const char* text) {
    const std::size_t length = text == nullptr ? 0 : std::strlen(text);
    return writeShortForm(stream, text, std::min<std::size_t>(length, MaxShortString));
}

bool readShortString(StreamIO& stream, char*& text) {
    text = nullptr;
    std::uint8_t length = 0;
    if (!stream.read(1, &length)) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    std::unique_ptr<char[]> characters(new (std::nothrow) char[length + 1u]);
    if (characters == nullptr || !stream.read(length, characters.get())) {
        return false;
    }
    characters[length] = '\0';
    text = characters.release();
    return true;
}

void readShortStringInto(StreamIO& stream, char* buffer) {
    std::uint8_t length = 0;
    if (!stream.read(1, &length) || !stream.read(length, buffer)) {
        length = 0; // whatever a failed read left in the buffer is not a string of ours
    }
    buffer[length] = '\0';
}

const char* readInternedString(StreamIO& stream, bool caseSensitive) {
    char buffer[ShortStringBufferSize];
    readShortStringInto(stream, buffer);
    return stringTable().intern(buffer, caseSensitive);
}
