#pragma once
// Temporary files that a run killed in the middle of a write left beside its targets. They
// carry the names ReplacingFile gives its temporaries, so they can be told from every
// other file and removed by the next run.

#include <string_view>

namespace storage {

// True for exactly the names ReplacingFile makes: the prefix, six letters or digits, the
// suffix.
bool isOwnTemporaryName(std::string_view name);

// Removes the regular files of `directory` that carry such a name and that no writer holds
// (a run still writing them, here or in another process); anything else, links and
// directories of that name included, stays. Returns how many were removed.
int removeStaleTemporaries(const char* directory);

// The same, unless this process swept `directory` already: a run cleans up wherever it
// writes, in the folder it was started in and beside the targets of symbolic links.
void removeStaleTemporariesOnce(const char* directory);

} // namespace storage
