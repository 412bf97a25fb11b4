#pragma once
// Locks and marks that tell a file some process still works on, or made, from one that was
// left behind or belongs to someone else: a writer holds its lock for as long as it keeps
// the file open, and loses it when the process ends, however it ends; a file it made carries
// its mark, naming the file, until it is put in place.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/file.h"
#include "platform/held_folder.h"

namespace platform {

// Locks the file this process just created (with O_EXCL) as `name` in `folder` and still has
// open as `file`, without waiting, until it is closed. False when someone else got hold of
// it first, or the name no longer leads to it (removed meanwhile). A file system that
// cannot lock (a network share without a lock service) is no reason to fail: nobody else can
// have opened a file just made under a new name, and none of our runs can lock it either.
bool lockCreatedFile(FileHandle file, const HeldFolder& folder, const std::string& name);

// Marks the file this process just created as its own, under the name `name`: a file is ours
// only while it carries the mark of the very name it is found under. False when the file
// system keeps no such marks (or refused this one).
bool markAsOurs(FileHandle file, const std::string& name);
// Takes the mark off a file that is ours no longer (it was put in place).
void unmark(FileHandle file);
// The name in the mark of the file `path`; nothing when it carries none.
std::optional<std::string> markOf(const std::filesystem::path& path);

enum class Removal {
    Removed,
    // Someone holds a lock on it, or it is no longer the file that was looked at.
    InUse,
    // Not provably ours: the file system keeps marks, and it lacks the mark of its name.
    // Whatever it holds may be someone's work.
    NotOurs,
};

// Removes the file at `path` if it is abandoned and ours: nobody holds a lock on it, and it
// carries our mark of its name (or is empty, or on a file system that keeps no marks, where
// nothing but our temporaries takes such a name).
Removal removeIfAbandoned(const std::filesystem::path& path);

enum class Claim {
    Claimed,
    // Another process of ours holds the file: it is converting it now.
    ClaimedByOther,
    // The file system cannot lock: nothing is known of other runs.
    Unavailable,
};

// Claims the open file `file` (any open, reading will do) for this process until it is
// closed: one run converts it, others learn so. Claiming a file this process has claimed
// already, under another name, is granted.
Claim claimOpenFile(FileHandle file);

} // namespace platform
