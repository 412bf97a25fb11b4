#include "tests/support/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace testing_support {

MemoryStream::MemoryStream(std::vector<std::uint8_t> contents) : data(std::move(contents)) {}

bool MemoryStream::fail(StreamStatus reason) {
    status = reason;
    return false;
}

int MemoryStream::getPosition() {
    return static_cast<int>(position);
}

bool MemoryStream::setPosition(int offset) {
    // Like the file streams: a seek clears an end of file, any other failure stays.
    if (status == EndOfFile) {
        status = Ok;
    }
    if (status != Ok) {
        return false;
    }
    if (offset < 0) {
        return fail(IoError);
    }
    position = static_cast<std::size_t>(offset);
    return true;
}

int MemoryStream::query(int which) {
    switch (which) {
    case QueryKind:
        return 4;
    case QueryReads:
    case QueryWrites:
    case QuerySeeks:
        return 1;
    default:
        return 0;
    }
}

bool MemoryStream::write(int size, const void* source) {
    lastCount = 0;
    if (status != Ok) {
        return false;
    }
    if (size < 0) {
        return fail(IoError);
    }
    std::size_t count = static_cast<std::size_t>(size);
    const bool overBudget = budget >= 0 && static_cast<std::int64_t>(count) > budget;
    if (overBudget) {
        count = static_cast<std::size_t>(budget);
    }
    // A write past the end fills the gap with zeros, as a file does.
    if (data.size() < position + count) {
        data.resize(position + count);
    }
    if (count > 0) {
        std::memcpy(data.data() + position, source, count);
    }
    position += count;
    lastCount = static_cast<std::int32_t>(count);
    if (budget >= 0) {
        budget -= static_cast<std::int64_t>(count);
    }
    return overBudget ? fail(IoError) : true;
}

bool MemoryStream::read(int size, void* destination) {
    lastCount = 0;
    if (status != Ok) {
        return false;
    }
    if (size < 0) {
        return fail(IoError);
    }
    const std::size_t count = static_cast<std::size_t>(size);
    if (budget >= 0 && static_cast<std::int64_t>(count) > budget) {
        budget = 0;
        return fail(IoError);
    }
    const std::size_t available = position < data.size() ? data.size() - position : 0;
    if (count > available) {
        // As from a file: what is left arrives, the rest of the caller's memory stays as it
        // was, and the position moves to the end.
        if (available > 0) {
            std::memcpy(destination, data.data() + position, available);
        }
        lastCount = static_cast<std::int32_t>(available);
        position += available;
        return fail(EndOfFile);
    }
    if (count > 0) {
        std::memcpy(destination, data.data() + position, count);
    }
    position += count;
    lastCount = static_cast<std::int32_t>(count);
    if (budget >= 0) {
        budget -= static_cast<std::int64_t>(count);
    }
    return true;
}

void MemoryStream::close() {
    status = Closed;
}

} // namespace testing_support
