#pragma once
// The identity of an open file as the Windows layer reads it.

#include <optional>

#include "platform/file_identity.h"

namespace platform::win32 {

// The identity of the open file `handle` (a HANDLE), or nothing when the system can't say.
std::optional<FileIdentity> identityOf(void* handle);

} // namespace platform::win32
