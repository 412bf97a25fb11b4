#pragma once
// Locks that tell a file some process still works on from one that was left behind: a
// writer holds its lock for as long as it keeps the file open, and loses it when the
// process ends, however it ends.

#include <filesystem>

#include "platform/file.h"

namespace platform {

// Locks the file this process just created at `path` and still has open as `file`, without
// waiting, until it is closed. False when someone else got hold of it first, or the name no
// longer leads to it (removed meanwhile).
bool lockCreatedFile(FileHandle file, const std::filesystem::path& path);

// Removes the file at `path`, unless someone holds a lock on it or it is no longer the file
// that was looked at. True when it was removed.
bool removeUnlessLocked(const std::filesystem::path& path);

} // namespace platform
