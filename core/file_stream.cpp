#include "core/file_stream.h"

#include "core/stream_error.h"

void FileStream::attach(platform::FileHandle file) {
    close();
    borrowed = file;
    if (file == platform::InvalidFileHandle) {
        mapError();
    } else {
        status = Ok;
    }
}

bool FileStream::adopt(platform::FileHandle file) {
    if (file == platform::InvalidFileHandle) {
        return false;
    }
    owned = platform::OwnedFile(file);
    status = Ok;
    return true;
}

void FileStream::close() {
    borrowed = platform::InvalidFileHandle;
    status = owned.close() ? Closed : IoError;
}

int FileStream::getSize() {
    if (status != Ok && status != EndOfFile) {
        return 0;
    }
    return static_cast<int>(platform::fileSize(handle()));
}

bool FileStream::mapError() {
    status = statusFromLastFileError();
    return false;
}

bool FileStream::mayTransfer(int size) {
    if (status != Ok) {
        return false;
    }
    if (size < 0) {
        status = IoError;
        return false;
    }
    return true;
}

bool FileStream::refuseDirection() {
    if (status == Ok) {
        status = Unsupported;
    }
    return false;
}

bool FileStream::maySeek() {
    if (status == EndOfFile) {
        status = Ok;
    }
    return status == Ok;
}

bool FileStream::seekTo(int offset) {
    if (offset < 0) {
        // The system refuses a seek before the start of a file as an I/O failure.
        status = IoError;
        return false;
    }
    return platform::seekFile(handle(), offset, platform::SeekOrigin::Begin) != -1 || mapError();
}
