#include "app/save_watch.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "app/texts.h"
#include "platform/directory.h"

namespace {

// A save often comes as several events (an editor writes, closes, renames, sets times):
// they are taken together once none came for this long.
constexpr int SettleMilliseconds = 150;
// How long a file that another program still writes is left before it is tried again.
constexpr int RetryMilliseconds = 500;

void addOnce(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
    }
}

bool isPaletteName(const std::string& name) {
    return name.size() == std::strlen(PaletteFileName) &&
           platform::hasExtension(name.c_str(), PaletteFileName);
}

// Skins as the directory search finds them: hidden names (our temporaries among them) are
// none.
bool isSkinName(const std::string& name) {
    return !name.empty() && name.front() != '.' &&
           platform::hasExtension(name.c_str(), SkinExtension);
}

} // namespace

SaveWatch::SaveWatch(ui::UserInterface& ui) : ui(ui), folder(".") {
    if (!folder.isOpen()) {
        return;
    }
    try {
        thread = std::thread(&SaveWatch::run, this);
    } catch (const std::system_error&) {
    }
}

SaveWatch::~SaveWatch() {
    folder.stop();
    if (thread.joinable()) {
        thread.join();
    }
}

bool SaveWatch::isOpen() const {
    return thread.joinable();
}

SaveWatch::Saves SaveWatch::take() {
    const std::lock_guard lock(mutex);
    return std::exchange(saves, {});
}

void SaveWatch::retryLater(const std::string& name) {
    {
        const std::lock_guard lock(mutex);
        if (retries.empty()) {
            retryDue =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(RetryMilliseconds);
        }
        addOnce(retries, name);
    }
    folder.nudge(); // its wait takes the time to retry into account
}

void SaveWatch::run() {
    platform::FolderWatch::Changes burst;
    while (nextBurst(burst)) {
        keep(burst);
        ui.wake();
    }
}

// Waits for changes, or until the files to try again are due; then lets the burst settle.
bool SaveWatch::nextBurst(platform::FolderWatch::Changes& burst) {
    for (;;) {
        if (!folder.wait(burst, millisecondsToRetry())) {
            return false;
        }
        if (!burst.names.empty() || burst.overflowed || millisecondsToRetry() == 0) {
            break;
        }
    }
    platform::FolderWatch::Changes more;
    while (!burst.names.empty() || burst.overflowed) {
        if (!folder.wait(more, SettleMilliseconds)) {
            return false;
        }
        if (more.names.empty() && !more.overflowed) {
            break;
        }
        for (const std::string& name : more.names) {
            addOnce(burst.names, name);
        }
        burst.overflowed = burst.overflowed || more.overflowed;
    }
    return true;
}

int SaveWatch::millisecondsToRetry() {
    const std::lock_guard lock(mutex);
    if (retries.empty()) {
        return -1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        retryDue - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

void SaveWatch::keep(const platform::FolderWatch::Changes& burst) {
    const std::lock_guard lock(mutex);
    for (const std::string& name : std::exchange(retries, {})) {
        addOnce(saves.skins, name);
    }
    for (const std::string& name : burst.names) {
        if (isPaletteName(name)) {
            saves.palette = true;
        } else if (isSkinName(name)) {
            addOnce(saves.skins, name);
        }
    }
    saves.rescan = saves.rescan || burst.overflowed;
}
