#include "platform/posix/journal.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace platform::posix {
namespace {

constexpr long Ext4Magic = 0xEF53;

// The kernel's name of the block device `device` ("vda", "sda1", "dm-0"), from its uevent.
std::string deviceName(dev_t device) {
    std::ifstream uevent("/sys/dev/block/" + std::to_string(major(device)) + ":" +
                         std::to_string(minor(device)) + "/uevent");
    for (std::string line; std::getline(uevent, line);) {
        if (line.rfind("DEVNAME=", 0) == 0) {
            return line.substr(8);
        }
    }
    return {};
}

// The journal of a mounted ext4 file system shows as /proc/fs/jbd2/<device>-<inode>.
bool journalled(dev_t device) {
    const std::string name = deviceName(device);
    std::error_code error;
    if (name.empty()) {
        return false;
    }
    std::filesystem::directory_iterator entry("/proc/fs/jbd2", error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (entry->path().filename().string().rfind(name + "-", 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool hasOneJournal(int fd) {
    struct statfs system {};
    struct stat info {};
    if (fstatfs(fd, &system) != 0 || system.f_type != Ext4Magic || fstat(fd, &info) != 0) {
        return false;
    }
    static std::mutex mutex;
    static std::map<dev_t, bool> known;
    const std::lock_guard lock(mutex);
    const auto [entry, added] = known.try_emplace(info.st_dev, false);
    if (added) {
        entry->second = journalled(info.st_dev);
    }
    return entry->second;
}

} // namespace platform::posix
