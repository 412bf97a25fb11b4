#include "platform/file_names.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "platform/file_probes.h"
#include "platform/posix/system_errors.h"

namespace platform {
namespace {

constexpr int NameAttempts = 100;
constexpr int UniqueLength = 6;
constexpr char UniqueLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// File systems without the atomic forms of rename (some network ones) say so with one of
// these.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

int at(const HeldFolder& folder) {
    return static_cast<int>(folder.handle());
}

bool exists(const HeldFolder& folder, const std::string& name) {
    return faccessat(at(folder), name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
}

std::string uniqueName(const char* prefix, const char* suffix) {
    std::string name(prefix);
    for (int i = 0; i < UniqueLength; ++i) {
        name += UniqueLetters[arc4random_uniform(sizeof UniqueLetters - 1)];
    }
    return name + suffix;
}

// A rename the tests' build of the file layer may refuse, as the system would.
bool renameRefused() {
    if (const auto refusal = file_probes::renameRefusal()) {
        setLastFileError(*refusal);
        return true;
    }
    return false;
}

} // namespace

// O_EXCL makes the name ours alone: it never opens what is there already, a link included.
FileHandle createUniqueFile(const HeldFolder& folder, const char* prefix, const char* suffix,
                            std::string& name) {
    file_probes::onCall();
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        std::string candidate = uniqueName(prefix, suffix);
        const int fd = ::openat(at(folder), candidate.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            name = std::move(candidate);
            return fd;
        }
        if (errno != EEXIST) {
            posix::failWith(errno == ENOENT ? ENOTDIR : errno);
            return InvalidFileHandle;
        }
    }
    posix::failWith(EEXIST);
    return InvalidFileHandle;
}

NameSwap exchangeNames(const HeldFolder& folder, const std::string& ours,
                       const std::string& theirs) {
    file_probes::onCall();
    if (renameRefused()) {
        return NameSwap::Failed;
    }
    if (renameat2(at(folder), ours.c_str(), at(folder), theirs.c_str(), RENAME_EXCHANGE) == 0) {
        return NameSwap::Swapped;
    }
    const int error = errno;
    posix::failWith(error);
    if (unsupported(error)) {
        return NameSwap::Unsupported;
    }
    return error == ENOENT && !exists(folder, theirs) ? NameSwap::Missing : NameSwap::Failed;
}

// Where the file system can't promise it, a plain rename, with a small window between the
// look and the rename.
NewName renameToFreeName(const HeldFolder& folder, const std::string& from, const std::string& to) {
    file_probes::onCall();
    if (renameRefused()) {
        return NewName::Failed;
    }
    if (renameat2(at(folder), from.c_str(), at(folder), to.c_str(), RENAME_NOREPLACE) == 0) {
        return NewName::Renamed;
    }
    int error = errno;
    if (unsupported(error)) {
        if (exists(folder, to)) {
            error = EEXIST;
        } else if (renameat(at(folder), from.c_str(), at(folder), to.c_str()) == 0) {
            return NewName::Renamed;
        } else {
            error = errno;
        }
    }
    posix::failWith(error);
    return error == EEXIST ? NewName::Taken : NewName::Failed;
}

bool replaceName(const HeldFolder& folder, const std::string& from, const std::string& to) {
    file_probes::onCall();
    if (renameRefused()) {
        return false;
    }
    return renameat(at(folder), from.c_str(), at(folder), to.c_str()) == 0 ||
           posix::failWith(errno);
}

bool removeName(const HeldFolder& folder, const std::string& name) {
    return unlinkat(at(folder), name.c_str(), 0) == 0;
}

} // namespace platform
