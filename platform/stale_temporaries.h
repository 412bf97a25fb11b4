#pragma once
// Temporary files that a run killed in the middle of a write left beside its targets. They
// carry the names ReplacingFile gives its temporaries, so they can be told from every
// other file and removed at the next start-up.

#include <string_view>

namespace platform {

// True for exactly the names ReplacingFile makes: the prefix, six letters or digits, the
// suffix.
bool isOwnTemporaryName(std::string_view name);

// Removes the regular files of `directory` that carry such a name; anything else, links
// and directories of that name included, stays. Returns how many were removed.
int removeStaleTemporaries(const char* directory);

} // namespace platform
