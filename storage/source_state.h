#pragma once
// Whether another program writes a file we read: asked once the file is open, before
// anything is made of it, and again just before what was made of it replaces it. A file
// that a copy is still filling must be neither converted (its missing part would come out
// black) nor replaced (the copy's later bytes would go into a file no longer in the folder).

#include "platform/source_file.h"

namespace storage {

enum class SourceState {
    // Nobody wrote it since it was opened, as far as the system can tell.
    AsRead,
    // Another program has it open for writing now (where the system grants leases, known for
    // certain; elsewhere, it has stretches never written: made at its full size and still
    // being filled).
    BeingWritten,
    // Written since it was opened, by a program that is done with it: its size, times or
    // place on the disk moved on.
    Changed,
};

// What became of the open `file` since it was opened.
SourceState sourceState(const platform::SourceFile& file);

// Whether another program is writing the open `file` now.
inline bool isBeingWritten(const platform::SourceFile& file) {
    return sourceState(file) == SourceState::BeingWritten;
}

} // namespace storage
