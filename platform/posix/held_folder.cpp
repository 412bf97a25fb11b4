#include "platform/held_folder.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/file_probes.h"
#include "platform/owned_file.h"
#include "platform/posix/system_errors.h"

namespace platform {
namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

} // namespace

HeldFolder::HeldFolder() : descriptor(AT_FDCWD), open(true), folderPath(".") {}

HeldFolder::HeldFolder(const std::string& path) : folderPath(path) {
    if (path == ".") {
        descriptor = AT_FDCWD;
        open = true;
        return;
    }
    const int fd = ::open(path.c_str(), FolderFlags);
    if (fd < 0) {
        posix::failWith(errno == ENOENT ? ENOTDIR : errno);
        return;
    }
    descriptor = fd;
    owned = open = true;
}

// O_NOFOLLOW makes a link under the name fail with ELOOP (ENOTDIR for O_DIRECTORY on some
// systems): either way the name is not a folder of ours.
HeldFolder::HeldFolder(const HeldFolder& parent, const std::string& name)
    : folderPath(parent.pathOf(name)) {
    const int fd =
        ::openat(static_cast<int>(parent.handle()), name.c_str(), FolderFlags | O_NOFOLLOW);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP || error == ENOTDIR) {
            setLastFileError(FileErrorKind::NotRegularFile);
        } else {
            posix::failWith(error);
        }
        return;
    }
    descriptor = fd;
    owned = open = true;
}

HeldFolder::~HeldFolder() {
    if (owned) {
        ::close(static_cast<int>(descriptor));
    }
}

bool flushNames(const HeldFolder& folder) {
    file_probes::onCall();
    if (const auto refusal = file_probes::flushRefusal(true)) {
        setLastFileError(*refusal);
        return false;
    }
    // The current directory has no descriptor of its own to flush through.
    const OwnedFile current(folder.handle() == AT_FDCWD ? ::open(".", FolderFlags) : -1);
    const int fd = static_cast<int>(current.isOpen() ? current.get() : folder.handle());
    return ::fsync(fd) == 0 || posix::failWith(errno);
}

std::string HeldFolder::pathOf(const std::string& name) const {
    return folderPath == "." ? name : folderPath + "/" + name;
}

} // namespace platform
