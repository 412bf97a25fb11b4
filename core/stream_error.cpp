#include "core/stream_error.h"

#include "platform/file.h"

StreamStatus statusFromLastFileError() {
    switch (platform::lastFileError()) {
    case platform::FileErrorKind::FileNotFound:
    case platform::FileErrorKind::TooManyOpenFiles:
    case platform::FileErrorKind::InvalidHandle:
    case platform::FileErrorKind::InvalidAccess:
    case platform::FileErrorKind::SharingViolation:
    case platform::FileErrorKind::DiskFull:
        return FileError;
    default:
        return IoError;
    }
}
