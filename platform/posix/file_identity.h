#pragma once
// The identity of a file as the POSIX layer reads it from `stat`.

#include "platform/file_identity.h"

struct stat;

namespace platform::posix {

FileIdentity identityOf(const struct stat& info);

} // namespace platform::posix
