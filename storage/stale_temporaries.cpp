#include "storage/stale_temporaries.h"

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_lock.h"
#include "platform/held_folder.h"
#include "storage/kept_file.h"
#include "storage/replacing_file.h"

namespace storage {
namespace {

// Letters and digits of the unique part: what mkstemp and our Windows namer produce.
constexpr std::size_t UniqueLength = 6;

template <typename Char> bool isAsciiAlphanumeric(Char c) {
    return (c >= Char('0') && c <= Char('9')) || (c >= Char('a') && c <= Char('z')) ||
           (c >= Char('A') && c <= Char('Z'));
}

// Compares in the file system's own character type, so a name that has no narrow form
// (a Windows name outside the code page) is never converted, only compared.
template <typename Char>
bool startsWithAscii(std::basic_string_view<Char> name, std::string_view ascii) {
    if (name.size() < ascii.size()) {
        return false;
    }
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (name[i] != static_cast<Char>(ascii[i])) {
            return false;
        }
    }
    return true;
}

template <typename Char> bool isOwnTemporary(std::basic_string_view<Char> name) {
    const std::string_view prefix = TemporaryPrefix;
    const std::string_view suffix = TemporarySuffix;
    if (name.size() != prefix.size() + UniqueLength + suffix.size() ||
        !startsWithAscii(name, prefix) ||
        !startsWithAscii(name.substr(prefix.size() + UniqueLength), suffix)) {
        return false;
    }
    for (std::size_t i = 0; i < UniqueLength; ++i) {
        if (!isAsciiAlphanumeric(name[prefix.size() + i])) {
            return false;
        }
    }
    return true;
}

// The directories swept so far by this process, by their canonical paths. Skins and
// pictures may be written from different threads.
std::mutex sweptMutex;
std::set<std::filesystem::path> sweptDirectories;

void rememberSwept(const std::filesystem::path& directory) {
    const std::lock_guard lock(sweptMutex);
    sweptDirectories.insert(directory);
}

bool wasSwept(const std::filesystem::path& directory) {
    const std::lock_guard lock(sweptMutex);
    return sweptDirectories.count(directory) != 0;
}

std::filesystem::path canonicalOf(const char* directory) {
    std::error_code error;
    const auto canonical = std::filesystem::canonical(directory, error);
    return error ? std::filesystem::path(directory) : canonical;
}

// The skin that was being replaced through the temporary `name`: the file that carries its
// mark (the new file, put in place under the skin's name). Or a made-up name.
std::string targetOf(const std::filesystem::path& directory, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entry(directory, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        if (entry->path().filename() != name && platform::markOf(entry->path()) == name) {
            return entry->path().filename().string();
        }
    }
    return "skinremap-" +
           name.substr(std::char_traits<char>::length(TemporaryPrefix), UniqueLength);
}

std::string keep(const char* directory, const std::filesystem::path& name) {
    const platform::HeldFolder folder(directory);
    const std::string file = name.string();
    return folder.isOpen() ? keepUnderOwnName(folder, file, targetOf(directory, file)) : file;
}

} // namespace

bool isOwnTemporaryName(std::string_view name) {
    return isOwnTemporary(name);
}

Sweep removeStaleTemporaries(const char* directory) {
    namespace fs = std::filesystem;
    rememberSwept(canonicalOf(directory));
    std::error_code error;
    fs::directory_iterator entry(directory, error);
    Sweep sweep;
    std::vector<fs::path> notOurs;
    // Every step reports through `error`: a directory that cannot be read, or an entry that
    // vanishes meanwhile, ends the sweep or skips the entry instead of throwing.
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const fs::path name = entry->path().filename();
        std::error_code statusError;
        if (!isOwnTemporary(std::basic_string_view<fs::path::value_type>(name.native())) ||
            entry->symlink_status(statusError).type() != fs::file_type::regular) {
            continue;
        }
        switch (platform::removeIfAbandoned(entry->path())) {
        case platform::Removal::Removed:
            ++sweep.removed;
            break;
        case platform::Removal::NotOurs:
            notOurs.push_back(name);
            break;
        case platform::Removal::InUse:
            break;
        }
    }
    // Once the listing is done: renaming during it could show a file twice.
    for (const fs::path& name : notOurs) {
        sweep.kept.push_back(keep(directory, name));
    }
    return sweep;
}

void removeStaleTemporariesOnce(const char* directory) {
    if (!wasSwept(canonicalOf(directory))) {
        removeStaleTemporaries(directory);
    }
}

} // namespace storage
