#include "core/file_rstream.h"

#include <algorithm>
#include <cstring>

FileRStream::FileRStream() = default;

FileRStream::FileRStream(platform::FileHandle file) {
    attach(file);
}

FileRStream::FileRStream(const char* name) {
    open(name);
}

bool FileRStream::open(const char* name) {
    close();
    if (!adopt(platform::openForRead(name))) {
        // Whatever the system said, a stream that could not open its file reports FileError.
        status = FileError;
        return false;
    }
    return true;
}

// Closing drops the buffer, so a stream opened or attached again reads only its new file.
void FileRStream::close() {
    FileStream::close();
    dropBuffer();
}

int FileRStream::query(int which) {
    switch (which) {
    case QueryKind:
        return 2;
    case QueryReads:
    case QuerySeeks:
        return 1;
    default:
        return 0;
    }
}

bool FileRStream::write(int, const void*) {
    return refuseDirection();
}

bool FileRStream::refill() {
    const std::int32_t position = filePosition();
    // The buffer holds only bytes whose positions an int can name: within 2 KiB of the last
    // one it takes fewer, and whatever lies past goes straight to the caller.
    const std::int32_t wanted =
        position >= 0 ? std::min(BufferSize, INT32_MAX - position) : BufferSize;
    if (position == -1 || !platform::readFile(handle(), buffer, wanted, lastCount)) {
        dropBuffer();
        return mapError();
    }
    bufferStart = bufferPos = position;
    bufferEnd = position + lastCount - 1;
    return true;
}

bool FileRStream::read(int size, void* data) {
    if (!mayTransfer(size)) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (!bufferLoaded() && size < smallReadLimit && !refill()) {
        return false;
    }

    auto* destination = static_cast<unsigned char*>(data);
    std::int32_t wanted = size;
    if (bufferLoaded()) {
        const std::int32_t n = std::min(bufferEnd - bufferPos + 1, wanted);
        std::memcpy(destination, buffer + (bufferPos - bufferStart), static_cast<size_t>(n));
        bufferPos += n;
        destination += n;
        wanted -= n;
    }
    if (wanted > 0) {
        if (!platform::readFile(handle(), destination, wanted, lastCount)) {
            return mapError();
        }
        if (lastCount != wanted) {
            // Bytes taken straight from the file lie past the buffer: without it the
            // position reported afterwards is the file's own, which is the true one.
            if (lastCount > 0) {
                dropBuffer();
            }
            status = EndOfFile;
            return false;
        }
    }
    if (bufferLoaded() && bufferPos > bufferEnd) {
        dropBuffer();
    }
    return true;
}

int FileRStream::getPosition() {
    return bufferLoaded() ? bufferPos : filePosition();
}

bool FileRStream::setPosition(int offset) {
    if (!maySeek()) {
        return false;
    }
    if (bufferLoaded() && bufferStart <= offset && offset <= bufferEnd) {
        bufferPos = offset;
        return true;
    }
    if (!seekTo(offset)) {
        return false;
    }
    dropBuffer();
    return true;
}
