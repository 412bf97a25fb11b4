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
