#pragma once
// Tells the temporary file of a write still going on, in this process or another run, from
// one that a killed run left behind: a writer holds its temporary for as long as the file is
// open, and a sweep removes only temporaries that nobody holds.

#include <filesystem>

#include "platform/file.h"

namespace platform {

// Takes hold of the temporary this process just created at `path`, until `file` is closed.
// False when a sweep got hold of it first (and removes it, or did already): the writer
// makes another.
bool holdTemporary(FileHandle file, const std::filesystem::path& path);

// Removes the file at `path`, unless a writer holds it or it is no longer the file that was
// looked at. True when it was removed.
bool removeUnlessHeld(const std::filesystem::path& path);

} // namespace platform
