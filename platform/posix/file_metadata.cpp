#include "platform/file_metadata.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

struct AclFree {
    void operator()(std::remove_pointer_t<acl_t>* acl) const { acl_free(acl); }
};
using AclPtr = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFree>;

// Root may give the file to anyone; others may still keep its group when they belong to
// it. Whatever can't be kept becomes ours, as with any other rewrite of the file.
void copyOwner(int to, const struct stat& info) {
    if (fchown(to, info.st_uid, info.st_gid) != 0) {
        static_cast<void>(fchown(to, static_cast<uid_t>(-1), info.st_gid));
    }
}

// Always set, even when it says no more than the permission bits: the new file may have
// inherited named entries from its directory's default ACL, which the old one did not have.
// Where the file system has no ACLs, the permission bits say it all.
bool copyAcl(int from, int to) {
    const AclPtr acl(acl_get_fd(from));
    if (!acl) {
        return errno == ENOTSUP;
    }
    return acl_set_fd(to, acl.get()) == 0 ||
           (errno == ENOTSUP && acl_equiv_mode(acl.get(), nullptr) == 0);
}

// The ACLs are extended attributes too, but they are copied above, as ACLs. Our own mark
// (file_lock.cpp) belongs to the file it was put on, never to its replacement.
bool isCopiedOtherwise(std::string_view name) {
    return name == "system.posix_acl_access" || name == "system.posix_acl_default" ||
           name.starts_with("user.skinremap.");
}

// Asks for the size, then for the bytes; a list that grew in between is asked for again.
template <typename Call> std::optional<std::vector<char>> readSized(Call call) {
    for (;;) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) {
            return std::nullopt;
        }
        std::vector<char> bytes(static_cast<std::size_t>(size));
        const ssize_t got = call(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<std::size_t>(got));
            return bytes;
        }
        if (errno != ERANGE) {
            return std::nullopt;
        }
    }
}

// Attributes of a namespace this process may not set (trusted.*, most of security.*
// without privilege) are left behind; the contents matter more than they do.
void copyAttributes(int from, int to) {
    const auto names =
        readSized([from](char* list, std::size_t size) { return flistxattr(from, list, size); });
    if (!names) {
        return;
    }
    for (std::size_t at = 0; at < names->size();) {
        const char* name = names->data() + at;
        at += std::strlen(name) + 1;
        if (isCopiedOtherwise(name)) {
            continue;
        }
        const auto value = readSized([from, name](char* bytes, std::size_t size) {
            return fgetxattr(from, name, bytes, size);
        });
        if (value) {
            static_cast<void>(fsetxattr(to, name, value->data(), value->size(), 0));
        }
    }
}

} // namespace

bool copyMetadata(FileHandle fromFile, FileHandle toFile) {
    const int from = static_cast<int>(fromFile);
    const int to = static_cast<int>(toFile);
    struct stat info {};
    // In this order: a change of owner may clear the set-user-ID bits, and the ACL and the
    // permission bits share the group's bits, which come out the same either way.
    if (fstat(from, &info) == 0) {
        copyOwner(to, info);
        if (copyAcl(from, to) && fchmod(to, info.st_mode & 07777) == 0) {
            copyAttributes(from, to);
            return true;
        }
    }
    setLastFileError(FileErrorKind::AccessDenied);
    return false;
}

bool giveDefaultPermissions(FileHandle file) {
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(static_cast<int>(file), 0666 & ~mask) != 0) {
        setLastFileError(FileErrorKind::AccessDenied);
        return false;
    }
    return true;
}

// A file with no write permission at all is one its owner protected; root could write it
// anyway, but must not.
bool isWriteProtected(FileHandle file, const std::string& path) {
    struct stat info {};
    return fstat(static_cast<int>(file), &info) != 0 || (info.st_mode & 0222) == 0 ||
           access(path.c_str(), W_OK) != 0;
}

} // namespace platform
