#include "storage/stale_temporaries.h"

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_lock.h"
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

} // namespace

bool isOwnTemporaryName(std::string_view name) {
    return isOwnTemporary(name);
}

int removeStaleTemporaries(const char* directory) {
    namespace fs = std::filesystem;
    rememberSwept(canonicalOf(directory));
    std::error_code error;
    fs::directory_iterator entry(directory, error);
    int removed = 0;
    // Every step reports through `error`: a directory that cannot be read, or an entry that
    // vanishes meanwhile, ends the sweep or skips the entry instead of throwing.
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const fs::path name = entry->path().filename();
        std::error_code statusError;
        if (isOwnTemporary(std::basic_string_view<fs::path::value_type>(name.native())) &&
            entry->symlink_status(statusError).type() == fs::file_type::regular &&
            platform::removeUnlessLocked(entry->path())) {
            ++removed;
        }
    }
    return removed;
}

void removeStaleTemporariesOnce(const char* directory) {
    if (!wasSwept(canonicalOf(directory))) {
        removeStaleTemporaries(directory);
    }
}

} // namespace storage
