#include "platform/file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/file_probes.h"
#include "platform/posix/journal.h"
#include "platform/posix/system_errors.h"

namespace platform {
namespace {

thread_local FileErrorKind lastError = FileErrorKind::None;

FileErrorKind classify(int error) {
    switch (error) {
    case ENOENT:
        return FileErrorKind::FileNotFound;
    case EMFILE:
    case ENFILE:
        return FileErrorKind::TooManyOpenFiles;
    case EBADF:
        return FileErrorKind::InvalidHandle;
    case ETXTBSY:
    case EBUSY:
        return FileErrorKind::SharingViolation;
    case ENOSPC:
    case EDQUOT:
        return FileErrorKind::DiskFull;
    case ENOTDIR:
        return FileErrorKind::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileErrorKind::AccessDenied;
    default:
        return FileErrorKind::Other;
    }
}

bool fail(int error) {
    lastError = classify(error);
    return false;
}

// Windows tells a missing file from a missing directory on its path; POSIX says ENOENT
// for both, so look at the directory part to decide.
FileErrorKind classifyMissing(const char* name) {
    const std::string path(name);
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return FileErrorKind::FileNotFound;
    }
    struct stat info {};
    const std::string directory = path.substr(0, slash);
    if (stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return FileErrorKind::FileNotFound;
    }
    return FileErrorKind::PathNotFound;
}

FileHandle openWith(const char* name, int flags) {
    file_probes::onCall();
    if (const auto refusal = file_probes::openRefusal()) {
        lastError = *refusal;
        return InvalidFileHandle;
    }
    const int fd = ::open(name, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        lastError = error == ENOENT ? classifyMissing(name) : classify(error);
        return InvalidFileHandle;
    }
    return fd;
}

bool isRegular(const struct stat& info) {
    return S_ISREG(info.st_mode);
}

// Under a file-size limit (`ulimit -f`) the system ends a process that writes past it with
// SIGXFSZ, in the middle of a file and with no word. Ignored, the signal leaves a write that
// fails with EFBIG like any other, and the caller keeps its files whole.
void surviveFileSizeLimit() {
    static const bool ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    static_cast<void>(ignored);
}

int descriptor(FileHandle file) {
    return file >= 0 && file <= INT32_MAX ? static_cast<int>(file) : -1;
}

} // namespace

// Only a regular file is read. A FIFO would block the open, and its reads, until a writer
// came; a device may never end, or act on being opened. So the name is looked at first and
// nothing else is opened at all; the open itself never waits (O_NONBLOCK changes nothing
// for a regular file); and what was opened is looked at again, since the name may have
// changed in between. A directory, which POSIX would open, is refused the same way.
FileHandle openForRead(const char* name) {
    struct stat info {};
    if (::stat(name, &info) == 0 && !isRegular(info)) {
        lastError = FileErrorKind::NotRegularFile;
        return InvalidFileHandle;
    }
    const FileHandle file = openWith(name, O_RDONLY | O_NONBLOCK);
    if (file != InvalidFileHandle && (fstat(descriptor(file), &info) != 0 || !isRegular(info))) {
        ::close(descriptor(file));
        lastError = FileErrorKind::NotRegularFile;
        return InvalidFileHandle;
    }
    return file;
}

FileHandle createForWrite(const char* name) {
    return openWith(name, O_WRONLY | O_CREAT | O_TRUNC);
}

FileHandle openOrCreate(const char* name) {
    return openWith(name, O_RDWR | O_CREAT);
}

bool readFile(FileHandle file, void* data, std::int32_t size, std::int32_t& count) {
    file_probes::onCall();
    count = 0;
    if (size < 0) {
        lastError = FileErrorKind::InvalidAccess;
        return false;
    }
    // Like ReadFile on a disk file, keep going until the request is met or the file ends.
    auto* bytes = static_cast<unsigned char*>(data);
    while (count < size) {
        const ssize_t got =
            ::read(descriptor(file), bytes + count, static_cast<size_t>(size - count));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (got == 0) {
            break;
        }
        count += static_cast<std::int32_t>(got);
    }
    return true;
}

namespace {

// Pieces handed to one writev call; the system takes at most 1,024.
constexpr std::int32_t MostPiecesPerCall = 512;

// Where a gathered write stands: the piece it is in and the bytes of it already written.
struct PiecePosition {
    std::int32_t piece = 0;
    std::int64_t offset = 0;
};

// The bytes from `at` on, up to `allowance` of them and MostPiecesPerCall pieces.
int gatherPieces(const WritePiece* pieces, std::int32_t pieceCount, PiecePosition at,
                 std::int64_t allowance, std::array<iovec, MostPiecesPerCall>& vectors) {
    int gatheredPieces = 0;
    for (std::int32_t piece = at.piece;
         piece < pieceCount && allowance > 0 && gatheredPieces < MostPiecesPerCall;
         ++piece, at.offset = 0) {
        const std::int64_t take = std::min(pieces[piece].size - at.offset, allowance);
        if (take > 0) {
            vectors[static_cast<std::size_t>(gatheredPieces++)] = {
                const_cast<unsigned char*>(static_cast<const unsigned char*>(pieces[piece].data) +
                                           at.offset),
                static_cast<std::size_t>(take)};
            allowance -= take;
        }
    }
    return gatheredPieces;
}

void advance(const WritePiece* pieces, PiecePosition& at, std::int64_t bytes) {
    while (bytes > 0) {
        const std::int64_t rest = pieces[at.piece].size - at.offset;
        if (bytes < rest) {
            at.offset += bytes;
            return;
        }
        bytes -= rest;
        ++at.piece;
        at.offset = 0;
    }
}

} // namespace

bool writeFileGathered(FileHandle file, const WritePiece* pieces, std::int32_t pieceCount,
                       std::int32_t& count) {
    file_probes::onCall();
    surviveFileSizeLimit();
    count = 0;
    std::int64_t total = 0;
    for (std::int32_t piece = 0; piece < pieceCount; ++piece) {
        total += pieces[piece].size;
        if (pieces[piece].size < 0 || total > INT32_MAX) {
            lastError = FileErrorKind::InvalidAccess;
            return false;
        }
    }
    std::array<iovec, MostPiecesPerCall> vectors{};
    PiecePosition at;
    while (count < total) {
        const auto allowance = file_probes::writeAllowance(total - count);
        if (!allowance) {
            return fail(ENOSPC);
        }
        const int gathered = gatherPieces(pieces, pieceCount, at, *allowance, vectors);
        const ssize_t put = ::writev(descriptor(file), vectors.data(), gathered);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (put == 0) {
            break; // taking nothing, it would take nothing again: the short count says so
        }
        count += static_cast<std::int32_t>(put);
        advance(pieces, at, put);
        file_probes::onWritten(put);
    }
    return true;
}

// One piece gathered is one write: the probes, the limits and the retries stay in one place.
bool writeFile(FileHandle file, const void* data, std::int32_t size, std::int32_t& count) {
    const WritePiece piece{data, size};
    return writeFileGathered(file, &piece, 1, count);
}

std::int32_t seekFile(FileHandle file, std::int32_t offset, SeekOrigin origin) {
    file_probes::onCall();
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t result = ::lseek(descriptor(file), offset, whence);
    if (result < 0) {
        fail(errno);
        return -1;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
}

std::uint32_t fileSize(FileHandle file) {
    file_probes::onCall();
    struct stat info {};
    if (fstat(descriptor(file), &info) != 0) {
        fail(errno);
        return 0;
    }
    return static_cast<std::uint32_t>(info.st_size);
}

bool flushFile(FileHandle file) {
    file_probes::onCall();
    if (const auto refusal = file_probes::flushRefusal(false)) {
        lastError = *refusal;
        return false;
    }
    return ::fsync(descriptor(file)) == 0 || fail(errno);
}

void startWriteBack(FileHandle file) {
    file_probes::onCall();
    ::sync_file_range(descriptor(file), 0, 0, SYNC_FILE_RANGE_WRITE);
}

// Unlike fsync, this does not make the disk empty its own cache: each such flush is a wait
// of milliseconds, which one flush then takes for a whole group of files where the file
// system allows it. A file system without the call gets the fsync.
bool finishWriteBack(FileHandle file) {
    file_probes::onCall();
    constexpr unsigned All =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(descriptor(file), 0, 0, All) == 0) {
        return true;
    }
    if (errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
        return flushFile(file);
    }
    return fail(errno);
}

FlushReach flushReach(FileHandle file) {
    return posix::hasOneJournal(descriptor(file)) ? FlushReach::FileSystem : FlushReach::File;
}

// The file's times are touched first, so that the commit the flush waits for is the newest
// one, later than every change made before it (the last size of a file whose write-back
// ended last included), whichever commit held the file's own changes until then.
bool flushEverythingBefore(FileHandle file) {
    file_probes::onCall();
    if (::futimens(descriptor(file), nullptr) != 0) {
        return fail(errno);
    }
    return flushFile(file);
}

bool closeFile(FileHandle file) {
    file_probes::onCall();
    return ::close(descriptor(file)) == 0 || fail(errno);
}

bool posix::failWith(int error) {
    return fail(error);
}

FileErrorKind lastFileError() {
    return lastError;
}

void setLastFileError(FileErrorKind kind) {
    lastError = kind;
}

} // namespace platform
