#include "storage/kept_file.h"

#include <ctime>
#include <mutex>

#include "platform/file_names.h"

namespace storage {
namespace {

constexpr int NameAttempts = 100;
constexpr const char* KeptInfix = ".saved-";

// The local time as a kept file's name shows it: 20261209-153012.
std::string timeStamp() {
    static std::mutex mutex; // localtime's result is shared
    const std::lock_guard lock(mutex);
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
    }
    return text;
}

} // namespace

// Not a *.bmp name: the next run must not take the kept file for a skin and convert it.
std::string keepUnderOwnName(const platform::HeldFolder& folder, const std::string& name,
                             const std::string& target) {
    const std::string stem = target + KeptInfix + timeStamp();
    for (int attempt = 1; attempt <= NameAttempts; ++attempt) {
        const std::string candidate = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        switch (platform::renameToFreeName(folder, name, candidate)) {
        case platform::NewName::Renamed:
            return candidate;
        case platform::NewName::Taken:
            continue;
        case platform::NewName::Failed:
            return name;
        }
    }
    return name;
}

} // namespace storage
