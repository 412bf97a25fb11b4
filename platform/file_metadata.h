#pragma once
// What a replacing file keeps of the file it replaces, beyond its contents, and whether
// its owner protected it against writing.

#include <string>

#include "platform/file.h"

namespace platform {

// Gives the open file `to` the owner and group of `from` where this process may set them,
// its permission bits exactly, its access ACL and its extended attributes (those the system
// lets us set). False, with the last file error set, when the permission bits or an ACL
// that says more than they do could not be given: the file would grant what the original
// did not. On Windows the replacement itself carries them over (replaceName): nothing to do.
bool copyMetadata(FileHandle from, FileHandle to);

// Gives a new file the permissions a new file gets here (those the umask leaves).
bool giveDefaultPermissions(FileHandle file);

// True when the owner of the open file `file`, named `path`, protected it against writing:
// on POSIX no write permission bit set at all (which holds for root too) or no write access
// for us; on Windows the read-only attribute.
bool isWriteProtected(FileHandle file, const std::string& path);

} // namespace platform
