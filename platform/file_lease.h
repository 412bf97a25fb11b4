#pragma once
// Whether other programs write a file this process reads: a read lease, which the system
// grants only while nobody has the file open for writing and takes back (breaks) as soon as
// someone opens it so; and, where no lease can be had, the holes a file still has when it
// was made at its full size and is still being filled.

#include "platform/file.h"

namespace platform {

enum class Lease {
    // Granted: until holdsReadLease says otherwise, nobody has opened the file for writing.
    Held,
    // Refused: another program (or this one) has the file open for writing now.
    OpenForWriting,
    // Not to be had here: not the file's owner and not privileged to take one, or a file
    // system without leases. Nothing is known either way.
    Unavailable,
};

// Asks for a read lease on `file`, open for reading only. A program that opens the file for
// writing later breaks the lease and goes ahead at once: this process lets go of it the
// moment it is told. On Windows a file open for reading without shared writing is held
// against writers already: Held.
Lease takeReadLease(FileHandle file);

// True while the lease taken on `file` holds: nobody has opened the file for writing since.
// False once one did, even when that writer is done by now.
bool holdsReadLease(FileHandle file);

// True when the file has a hole before its end: a stretch never written, which the system
// reads as zeros. A copy that sets a file's full size first and then fills it leaves one
// until it is done. False where the system cannot tell (then it reports none).
bool hasHoles(FileHandle file);

} // namespace platform
