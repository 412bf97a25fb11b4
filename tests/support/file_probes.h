#pragma once
// What the tests see of their own build of the file layer: its system calls counted, and
// writes that come up short or fail as on a full disk for as long as a scope lasts.

#include <cstdint>

#include "platform/file.h"

namespace testing_support {

// Operating-system file calls made so far.
std::uint64_t fileCallCount();

// While it lives, writes fail as on a full disk once `bytes` more bytes have been written.
class DiskFullAfter {
  public:
    explicit DiskFullAfter(std::int64_t bytes);
    ~DiskFullAfter();
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;
};

// While it lives, each system write call takes at most `bytes` bytes, as a pipe or an
// interrupted call may; 0 makes the system take nothing.
class ShortWriteCalls {
  public:
    explicit ShortWriteCalls(std::int32_t bytes);
    ~ShortWriteCalls();
    ShortWriteCalls(const ShortWriteCalls&) = delete;
    ShortWriteCalls& operator=(const ShortWriteCalls&) = delete;
};

// While it lives, every system write call waits until release() (or its end): a disk that
// holds the program up.
class HeldWrites {
  public:
    HeldWrites();
    ~HeldWrites();
    HeldWrites(const HeldWrites&) = delete;
    HeldWrites& operator=(const HeldWrites&) = delete;
    void release();
};

// While it lives, every open fails with `kind`, as when the system refuses it (a file
// without read permission, one another program holds).
class RefusedOpens {
  public:
    explicit RefusedOpens(platform::FileErrorKind kind);
    ~RefusedOpens();
    RefusedOpens(const RefusedOpens&) = delete;
    RefusedOpens& operator=(const RefusedOpens&) = delete;
};

// While it lives, renames, swaps and replacements of names fail with `kind`: all of them, or
// those from the `first`-th on (counting from 1 from its making), so that a test can let a
// first step go ahead and make the next fail.
class RefusedRenames {
  public:
    explicit RefusedRenames(platform::FileErrorKind kind, int first = 1);
    ~RefusedRenames();
    RefusedRenames(const RefusedRenames&) = delete;
    RefusedRenames& operator=(const RefusedRenames&) = delete;
};

// While it lives, every flush of a file's contents to the disk, or of a folder's names,
// fails with `kind`.
class RefusedFlushes {
  public:
    enum Of { Files, Folders };
    RefusedFlushes(Of what, platform::FileErrorKind kind);
    ~RefusedFlushes();
    RefusedFlushes(const RefusedFlushes&) = delete;
    RefusedFlushes& operator=(const RefusedFlushes&) = delete;
};

} // namespace testing_support
