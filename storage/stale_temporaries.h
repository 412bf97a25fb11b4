#pragma once
// Temporary files that a run killed in the middle of a write left beside its targets. They
// carry the names ReplacingFile gives its temporaries, so they can be told from every
// other file and removed by the next run.

#include <string>
#include <string_view>
#include <vector>

namespace storage {

// True for exactly the names ReplacingFile makes: the prefix, six letters or digits, the
// suffix.
bool isOwnTemporaryName(std::string_view name);

struct Sweep {
    int removed = 0;
    // Files under such a name that are not provably ours (a run killed between swapping a
    // skin's name with its temporary's and checking what came out leaves the skin's old
    // file, or a save of the user's, there): kept under names of their own.
    std::vector<std::string> kept;
};

// Removes the regular files of `directory` that carry such a name, that no writer holds (a
// run still writing them, here or in another process) and that are provably ours: they carry
// our mark of their name, or are empty. Files not provably ours are kept, renamed to
// "<skin>.saved-<time>" when the skin whose temporary they swapped with can be found by its
// mark. Anything else, links and directories of that name included, stays.
Sweep removeStaleTemporaries(const char* directory);

// The same, unless this process swept `directory` already: a run cleans up wherever it
// writes, in the folder it was started in and beside the targets of symbolic links.
void removeStaleTemporariesOnce(const char* directory);

} // namespace storage
