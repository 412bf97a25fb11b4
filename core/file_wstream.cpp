#include "core/file_wstream.h"

FileWStream::FileWStream() = default;

FileWStream::FileWStream(platform::FileHandle file) {
    attach(file);
}

FileWStream::FileWStream(const char* name) {
    open(name);
}

bool FileWStream::open(const char* name) {
    close();
    return adopt(platform::createForWrite(name)) || mapError();
}

int FileWStream::query(int which) {
    switch (which) {
    case QueryKind:
        return 3;
    case QueryWrites:
    case QuerySeeks:
        return 1;
    default:
        return 0;
    }
}

bool FileWStream::read(int, void*) {
    return refuseDirection();
}

bool FileWStream::write(int size, const void* data) {
    if (!mayTransfer(size)) {
        return false;
    }
    if (size == 0) {
        return true;
    }
    return tookAll(platform::writeFile(handle(), data, size, lastCount), size);
}

bool FileWStream::writeGathered(const platform::WritePiece* pieces, int pieceCount) {
    if (!mayTransfer(pieceCount)) {
        return false;
    }
    std::int64_t size = 0;
    for (int piece = 0; piece < pieceCount; ++piece) {
        size += pieces[piece].size;
    }
    return tookAll(platform::writeFileGathered(handle(), pieces, pieceCount, lastCount), size);
}

// The system took less than all of it without saying why: part of the file would be missing,
// so this is a failure like any other.
bool FileWStream::tookAll(bool written, std::int64_t size) {
    if (!written) {
        return mapError();
    }
    if (lastCount != size) {
        status = IoError;
        return false;
    }
    return true;
}

bool FileWStream::flush() {
    return platform::flushFile(handle());
}

int FileWStream::getPosition() {
    return filePosition();
}

bool FileWStream::setPosition(int offset) {
    return maySeek() && seekTo(offset);
}
