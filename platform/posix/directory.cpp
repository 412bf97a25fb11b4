#include "platform/directory.h"

#include <string>

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

struct DirectorySearch::State {
    DIR* directory = nullptr;
    std::string extension;
};

DirectorySearch::DirectorySearch(const char* extension) : state(std::make_unique<State>()) {
    state->directory = opendir(".");
    state->extension = extension;
}

DirectorySearch::~DirectorySearch() {
    if (state->directory != nullptr) {
        closedir(state->directory);
    }
}

const char* DirectorySearch::next() {
    if (state->directory == nullptr) {
        return nullptr;
    }
    while (const dirent* entry = readdir(state->directory)) {
        const char* name = entry->d_name;
        if (name[0] == '.' || !hasExtension(name, state->extension.c_str())) {
            continue;
        }
        // stat follows a symbolic link: a link to a skin is a skin, a dangling link is not.
        struct stat info {};
        if (stat(name, &info) == 0 && S_ISREG(info.st_mode)) {
            return name;
        }
    }
    closedir(state->directory);
    state->directory = nullptr;
    return nullptr;
}

} // namespace platform
