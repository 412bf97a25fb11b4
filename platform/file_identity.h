#pragma once
// What tells one file from another, and one state of a file from a later one.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The file itself (device and inode; on Windows the volume's serial number and the file
// index), its size and the time it was last written.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // in the system's own unit: nanoseconds, or 100 on Windows

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the regular file `path` names now, a symbolic link there not followed;
// nothing when there is no such file or something else is there.
std::optional<FileIdentity> identityAt(const std::string& path);

// What `name` stands for: the name itself or, when it is a symbolic link, the absolute path
// of its final target. Empty when a link leads nowhere. Windows names stand for themselves.
std::string resolveName(const char* name);

} // namespace platform
