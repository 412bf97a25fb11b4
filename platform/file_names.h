#pragma once
// What the system does with the names of files beyond opening them: a new file under a name
// nobody holds, two names swapped, a name given to a file where none is or in place of
// another, a name removed. Each is one step the system takes whole, or not at all. Names
// are those of entries of a held folder: a symbolic link under such a name is an entry like
// any other, never followed.

#include <string>

#include "platform/file.h"
#include "platform/held_folder.h"

namespace platform {

// Windows renames and replaces only files that nobody holds open without sharing their
// deletion, which is how a temporary and its original are held here: both must be closed
// before their names change.
#if defined(_WIN32)
inline constexpr bool NamesChangeOnlyWhenClosed = true;
#else
inline constexpr bool NamesChangeOnlyWhenClosed = false;
#endif

// The characters that end a path's folder part.
#if defined(_WIN32)
inline constexpr const char* PathSeparators = "/\\";
#else
inline constexpr const char* PathSeparators = "/";
#endif

// Creates a file that did not exist, in `folder`, named `prefix`, six letters or digits and
// `suffix`, open for writing and readable by its owner only; fills `name` with its name.
// InvalidFileHandle, with the last file error set, when none can be made.
FileHandle createUniqueFile(const HeldFolder& folder, const char* prefix, const char* suffix,
                            std::string& name);

enum class NameSwap {
    Swapped,
    // The file system has no such step (Windows, some network file systems).
    Unsupported,
    // `theirs` leads nowhere.
    Missing,
    Failed,
};

// Swaps the names `ours` and `theirs` in one step: each then names the other's file.
NameSwap exchangeNames(const HeldFolder& folder, const std::string& ours,
                       const std::string& theirs);

enum class NewName { Renamed, Taken, Failed };

// Gives `from` the name `to` unless something has that name; a file that appears there
// meanwhile is never replaced, except on the few file systems that can't promise it.
NewName renameToFreeName(const HeldFolder& folder, const std::string& from, const std::string& to);

// Gives `from` the name `to`, in place of the entry that has it (a link there is replaced,
// not followed; a folder there is refused). On Windows that file's security descriptor, kept
// attributes and creation time go over to the new one.
bool replaceName(const HeldFolder& folder, const std::string& from, const std::string& to);

// Removes the name; the last file error stays what it was, so that clearing up after a
// failure does not hide its reason.
bool removeName(const HeldFolder& folder, const std::string& name);

} // namespace platform
