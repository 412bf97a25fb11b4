// How both file streams classify a failure of the system: the six conditions that mean
// "the file cannot be had" are FileError, everything else IoError.

#include <utility>

#include <gtest/gtest.h>

#include "core/file_rstream.h"
#include "core/file_wstream.h"
#include "platform/file.h"

namespace {

using platform::FileErrorKind;

// Each stream takes the last error as a handle it was given turns out invalid.
template <typename Stream> int statusAfter(FileErrorKind kind) {
    Stream stream;
    platform::setLastFileError(kind);
    stream.attach(platform::InvalidFileHandle);
    return stream.getStatus();
}

TEST(StreamErrorTest, SixConditionsAreFileErrorsAndAllOthersIoErrors) {
    const std::pair<FileErrorKind, StreamStatus> cases[] = {
        {FileErrorKind::FileNotFound, FileError},     {FileErrorKind::TooManyOpenFiles, FileError},
        {FileErrorKind::InvalidHandle, FileError},    {FileErrorKind::InvalidAccess, FileError},
        {FileErrorKind::SharingViolation, FileError}, {FileErrorKind::DiskFull, FileError},
        {FileErrorKind::PathNotFound, IoError},       {FileErrorKind::AccessDenied, IoError},
        {FileErrorKind::NotRegularFile, IoError},     {FileErrorKind::Other, IoError},
    };
    for (const auto& [kind, status] : cases) {
        SCOPED_TRACE(static_cast<int>(kind));
        EXPECT_EQ(statusAfter<FileRStream>(kind), status);
        EXPECT_EQ(statusAfter<FileWStream>(kind), status);
    }
}

} // namespace
