#pragma once
// How the Windows file layer tells files apart, shared by a source file and its replacement.

#include <optional>
#include <string>

#include "platform/source_file.h"

namespace platform::win32 {

// The identity of the open file `handle` (a HANDLE), or nothing when the system can't say.
std::optional<FileIdentity> identityOf(void* handle);

// The identity of the file `path` names now; nothing when there is none.
std::optional<FileIdentity> identityAt(const std::string& path);

} // namespace platform::win32
