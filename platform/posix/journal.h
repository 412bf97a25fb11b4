#pragma once
// Which file systems commit every change through one journal, so that one flush takes all
// earlier changes along.

namespace platform::posix {

// True for the file system of the open file `fd` when it is ext4 with its journal (ext4 can
// be made without one, and then a flush of a file writes that file's own record only).
// Others are not claimed, whatever they do: only behaviour that was checked counts.
bool hasOneJournal(int fd);

} // namespace platform::posix
