#include "platform/directory.h"

#include <string>

#include <windows.h>

namespace platform {

struct DirectorySearch::State {
    HANDLE search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA found{};
    bool pending = false; // `found` holds an entry not yet looked at
    std::string extension;
};

DirectorySearch::DirectorySearch(const char* extension) : state(std::make_unique<State>()) {
    state->extension = extension;
    const std::string pattern = "*" + state->extension;
    state->search = FindFirstFileA(pattern.c_str(), &state->found);
    state->pending = state->search != INVALID_HANDLE_VALUE;
}

DirectorySearch::~DirectorySearch() {
    if (state->search != INVALID_HANDLE_VALUE) {
        FindClose(state->search);
    }
}

const char* DirectorySearch::next() {
    constexpr DWORD LeftOut =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    while (state->pending ||
           (state->search != INVALID_HANDLE_VALUE && FindNextFileA(state->search, &state->found))) {
        state->pending = false;
        // The pattern also matches through short names ("LONGNA~1.BMP" for "x.bmpx"), so
        // the long name is checked again.
        if ((state->found.dwFileAttributes & LeftOut) == 0 &&
            hasExtension(state->found.cFileName, state->extension.c_str())) {
            return state->found.cFileName;
        }
    }
    return nullptr;
}

} // namespace platform
