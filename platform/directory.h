#pragma once
// The search of the current directory for the skins to convert.

#include <memory>

namespace platform {

// Yields, one per call, the names of the regular files of the current directory whose
// names end in `extension` (compared without regard to letter case), in the order the
// system lists them. Directories, hidden files (on POSIX: names starting with a dot) and
// system files are left out; read-only files are taken.
class DirectorySearch {
  public:
    // `extension` includes its dot, e.g. ".bmp".
    explicit DirectorySearch(const char* extension);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // The next name without a directory part, or null once the search is over. The text
    // stays valid until the next call.
    const char* next();

  private:
    struct State;
    std::unique_ptr<State> state;
};

// True when `name` ends in `extension`, letters compared without regard to case.
bool hasExtension(const char* name, const char* extension);

} // namespace platform
