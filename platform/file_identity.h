#pragma once
// What tells one file from another, and one state of a file from a later one.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/held_folder.h"

namespace platform {

// The file itself (device and inode; on Windows the volume's serial number and the file
// index), its size, the time it was last written and the time anything of it last changed:
// a save that keeps the size and puts the old write time back still moves the last.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // in the system's own unit: nanoseconds, or 100 on Windows
    std::int64_t changed = 0;  // the same

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The same file, not written since, whatever else happened to it: a rename moves its change
// time too, so that one is not compared.
inline bool sameUnwritten(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.index == b.index && a.size == b.size &&
           a.modified == b.modified;
}

// The identity of the open file.
std::optional<FileIdentity> identityOf(FileHandle file);

// The identity of the regular file `name` in `folder` now, a symbolic link there not
// followed; nothing when there is no such file or something else is there.
std::optional<FileIdentity> identityAt(const HeldFolder& folder, const std::string& name);

enum class EntryKind { None, RegularFile, Link, Other };

// What the entry `name` of `folder` is, a link there not followed.
EntryKind entryAt(const HeldFolder& folder, const std::string& name);

// What `name` stands for: the name itself or, when it is a symbolic link, the absolute path
// of its final target. Empty when a link leads nowhere. Windows names stand for themselves.
std::string resolveName(const char* name);

} // namespace platform
