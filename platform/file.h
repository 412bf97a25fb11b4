#pragma once
// The operating system's files, as thin as the streams need them. The shapes follow the
// Windows calls one for one (a handle with an invalid value, a per-thread "last error"),
// so that each platform's implementation is a direct translation.

#include <cstdint>

namespace platform {

// Wide enough for a Windows HANDLE and a POSIX descriptor alike.
using FileHandle = std::intptr_t;
inline constexpr FileHandle InvalidFileHandle = -1;

// The last failure of a file call, reduced to what callers tell apart. The first six are
// the conditions a caller may treat as "the file cannot be had"; everything else is an
// input/output failure.
enum class FileErrorKind {
    None,
    FileNotFound,
    TooManyOpenFiles,
    InvalidHandle,
    InvalidAccess,
    SharingViolation,
    DiskFull,
    PathNotFound,
    AccessDenied,
    // A FIFO, a device, a directory: anything but a regular file where one is read.
    NotRegularFile,
    Other,
};

enum class SeekOrigin { Begin, Current, End };

// Opens an existing regular file for reading; others may read it at the same time. A name
// that stands for anything else (after following symbolic links) is refused with
// NotRegularFile, and the open never waits: a FIFO without a writer would block it for ever.
FileHandle openForRead(const char* name);
// Creates a file for writing, truncating one that exists.
FileHandle createForWrite(const char* name);
// Opens a file for reading and writing, creating it if it does not exist.
FileHandle openOrCreate(const char* name);

// Moves up to `size` bytes; `count` receives the number moved. A read that reaches the end
// of the file succeeds with a smaller count. A write goes on through as many system calls
// as it takes, until every byte is written, a call fails, or the system takes nothing
// more (the count then falls short). Negative sizes fail with InvalidAccess.
bool readFile(FileHandle file, void* data, std::int32_t size, std::int32_t& count);
bool writeFile(FileHandle file, const void* data, std::int32_t size, std::int32_t& count);

// One block of a gathered write.
struct WritePiece {
    const void* data = nullptr;
    std::int32_t size = 0;
};
// Writes `pieces` one after the other, as writeFile would write them joined, in as few
// system calls as the system allows, without joining them in memory first; `count` receives
// the bytes of all pieces moved. Fails with InvalidAccess when a size is negative or the
// sizes add up past 32 bits.
bool writeFileGathered(FileHandle file, const WritePiece* pieces, std::int32_t pieceCount,
                       std::int32_t& count);

// Returns the new position from the start of the file (low 32 bits), or -1 on failure.
std::int32_t seekFile(FileHandle file, std::int32_t offset, SeekOrigin origin);
// Low 32 bits of the file's size; 0 with an error when it cannot be had.
std::uint32_t fileSize(FileHandle file);
// Returns once the file's contents and attributes are on the disk.
bool flushFile(FileHandle file);
// Writing many files to the disk with few waits for it: startWriteBack on each as soon as it
// is written, which starts writing its contents out and returns at once (only a hint:
// nothing fails); finishWriteBack on each, which returns once its contents have been handed
// to the disk, or fails as a write would. Then each is flushed (flushFile), or, where
// flushReach says so, only the last with flushEverythingBefore. Where the system has no
// such steps (Windows), the first two do nothing and every file is flushed.
void startWriteBack(FileHandle file);
bool finishWriteBack(FileHandle file);

enum class FlushReach {
    // A flush of a file makes that file last, and nothing more is known.
    File,
    // The file system keeps one journal: a flush of any file waits for one commit of
    // everything changed there before, other files' sizes and places included, and for the
    // disk to empty its cache, which takes their contents along. Only file systems whose
    // behaviour was checked say so.
    FileSystem,
};
FlushReach flushReach(FileHandle file);
// On a file system of FlushReach::FileSystem: returns once every change made there so far
// is on the disk, the contents handed to it by finishWriteBack included, waiting for
// nothing of other programs beyond what that one commit holds.
bool flushEverythingBefore(FileHandle file);
bool closeFile(FileHandle file);

// What the most recent failed file call of this thread reported.
FileErrorKind lastFileError();
// Lets a caller classify its own failure the way the platform would.
void setLastFileError(FileErrorKind kind);

} // namespace platform
