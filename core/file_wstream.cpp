#include "core/file_wstream.h"

#include "core/stream_error.h"

FileWStream::FileWStream() {
    status = Closed;
}

FileWStream::FileWStream(platform::FileHandle file) {
    status = Closed;
    attach(file);
}

FileWStream::FileWStream(const char* name) : FileWStream() {
    open(name);
}

FileWStream::~FileWStream() {
    FileWStream::close();
}

bool FileWStream::mapError() {
    status = statusFromLastFileError();
    return false;
}

bool FileWStream::open(const char* name) {
    close();
    handle = platform::createForWrite(name);
    if (handle == platform::InvalidFileHandle) {
        return mapError();
    }
    status = Ok;
    ownsHandle = true;
    return true;
}

void FileWStream::attach(platform::FileHandle file) {
    close();
    handle = file;
    ownsHandle = false;
    if (handle == platform::InvalidFileHandle) {
        mapError();
    } else {
        status = Ok;
    }
}

void FileWStream::close() {
    if (ownsHandle && handle != platform::InvalidFileHandle && !platform::closeFile(handle)) {
        status = IoError;
        return;
    }
    handle = platform::InvalidFileHandle;
    status = Closed;
}

int FileWStream::getSize() {
    if (status != Ok && status != EndOfFile) {
        return 0;
    }
    return static_cast<int>(platform::fileSize(handle));
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
    if (status == Ok) {
        status = Unsupported;
    }
    return false;
}

bool FileWStream::write(int size, const void* data) {
    if (status != Ok) {
        return false;
    }
    if (size < 0) {
        status = IoError;
        return false;
    }
    if (size == 0) {
        return true;
    }
    if (!platform::writeFile(handle, data, size, lastCount)) {
        return mapError();
    }
    // The system took less than all of it without saying why: part of the file would be
    // missing, so this is a failure like any other.
    if (lastCount != size) {
        status = IoError;
        return false;
    }
    return true;
}

bool FileWStream::flush() {
    return platform::flushFile(handle);
}

int FileWStream::getPosition() {
    return platform::seekFile(handle, 0, platform::SeekOrigin::Current);
}

bool FileWStream::setPosition(int offset) {
    if (status == EndOfFile) {
        status = Ok;
    }
    if (status != Ok) {
        return false;
    }
    if (offset < 0) {
        status = IoError;
        return false;
    }
    if (platform::seekFile(handle, offset, platform::SeekOrigin::Begin) == -1) {
        return mapError();
    }
    return true;
}
