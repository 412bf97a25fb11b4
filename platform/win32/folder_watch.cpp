#include "platform/folder_watch.h"

#include <algorithm>
#include <array>

#include <windows.h>

namespace platform {
namespace {

// Windows says nothing of a writer closing a file; a change of its size or time of last
// write is the nearest, and the caller finds out whether the writer is done.
constexpr DWORD Watched =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD BufferSize = 64 * 1024; // the most a network share hands over at once

// A name in the file layer's naming (the system's code page); nothing when it has no such
// form, as such a file is never listed either.
bool narrowName(const wchar_t* wide, int length, std::string& name) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                         nullptr, &lossy);
    if (size <= 0 || lossy) {
        return false;
    }
    name.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, name.data(), size, nullptr,
                        nullptr);
    return true;
}

void addOnce(std::vector<std::string>& names, std::string name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
    }
}

} // namespace

struct FolderWatch::State {
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE changed = nullptr; // signalled when a read of changes completes
    HANDLE stopped = nullptr; // signalled by stop()
    HANDLE nudged = nullptr;  // signalled by nudge(); a wait that sees it resets it
    OVERLAPPED reading{};
    bool pending = false; // a read is under way
    alignas(DWORD) std::array<char, BufferSize> buffer{};

    // Starts the next read of changes; false when the folder can't be read any more.
    bool startRead() {
        reading = OVERLAPPED{};
        reading.hEvent = changed;
        pending = ReadDirectoryChangesW(folder, buffer.data(), BufferSize, FALSE, Watched, nullptr,
                                        &reading, nullptr) != FALSE;
        return pending;
    }
};

FolderWatch::FolderWatch(const std::string& folder) : state(std::make_unique<State>()) {
    state->folder = CreateFileA(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    state->changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state->stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state->nudged = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (state->folder != INVALID_HANDLE_VALUE && state->changed != nullptr &&
        state->stopped != nullptr && state->nudged != nullptr && state->startRead()) {
        return;
    }
    if (state->folder != INVALID_HANDLE_VALUE) {
        CloseHandle(state->folder);
        state->folder = INVALID_HANDLE_VALUE;
    }
}

FolderWatch::~FolderWatch() {
    if (state->folder != INVALID_HANDLE_VALUE) {
        if (state->pending) {
            CancelIoEx(state->folder, &state->reading);
            DWORD ignored = 0;
            GetOverlappedResult(state->folder, &state->reading, &ignored, TRUE);
        }
        CloseHandle(state->folder);
    }
    for (HANDLE event : {state->changed, state->stopped, state->nudged}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
}

bool FolderWatch::isOpen() const {
    return state->folder != INVALID_HANDLE_VALUE;
}

void FolderWatch::stop() {
    if (state->stopped != nullptr) {
        SetEvent(state->stopped);
    }
}

void FolderWatch::nudge() {
    if (state->nudged != nullptr) {
        SetEvent(state->nudged);
    }
}

bool FolderWatch::wait(Changes& changes, int timeout) {
    changes = Changes{};
    if (!isOpen() || !state->pending) {
        return false;
    }
    const HANDLE events[] = {state->stopped, state->changed, state->nudged};
    const DWORD woken = WaitForMultipleObjects(
        3, events, FALSE, timeout < 0 ? INFINITE : static_cast<DWORD>(timeout));
    if (woken == WAIT_TIMEOUT || woken == WAIT_OBJECT_0 + 2) {
        return true;
    }
    if (woken != WAIT_OBJECT_0 + 1) {
        return false;
    }
    DWORD got = 0;
    state->pending = false;
    ResetEvent(state->changed);
    if (GetOverlappedResult(state->folder, &state->reading, &got, FALSE) == FALSE) {
        // The thread that started the read ended, and took the read with it: what changed
        // meanwhile is unknown.
        if (GetLastError() == ERROR_OPERATION_ABORTED && state->startRead()) {
            changes.overflowed = true;
            return true;
        }
        return false;
    }
    // No bytes: more changed than the buffer could hold.
    changes.overflowed = got == 0;
    for (DWORD at = 0; got > 0;) {
        const auto* change =
            reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(state->buffer.data() + at);
        const bool saved = change->Action == FILE_ACTION_ADDED ||
                           change->Action == FILE_ACTION_MODIFIED ||
                           change->Action == FILE_ACTION_RENAMED_NEW_NAME;
        std::string name;
        if (saved && narrowName(change->FileName,
                                static_cast<int>(change->FileNameLength / sizeof(wchar_t)), name)) {
            addOnce(changes.names, std::move(name));
        }
        if (change->NextEntryOffset == 0) {
            break;
        }
        at += change->NextEntryOffset;
    }
    return state->startRead() || changes.overflowed || !changes.names.empty();
}

} // namespace platform
