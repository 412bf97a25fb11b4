#pragma once
// How the POSIX file layer tells files apart, shared by a source file and its replacement.

#include <optional>
#include <string>

#include "platform/source_file.h"

struct stat;

namespace platform::posix {

FileIdentity identityOf(const struct stat& info);

// The identity of the regular file at `path`, a symbolic link there not followed; nothing
// when there is no such file or something else is there.
std::optional<FileIdentity> identityAt(const std::string& path);

// What `name` stands for: the name itself or, when it is a symbolic link, the absolute path
// of its final target. Empty when a link leads nowhere.
std::string resolveName(const char* name);

} // namespace platform::posix
