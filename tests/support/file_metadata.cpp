#include "tests/support/file_metadata.h"

#include <sys/types.h>
#include <sys/xattr.h>

namespace testing_support {

std::string aclText(const std::string& path) {
    const acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    char* text = acl != nullptr ? acl_to_text(acl, nullptr) : nullptr;
    std::string result = text != nullptr ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

bool setAcl(const std::string& path, acl_type_t type, const char* text) {
    const acl_t acl = acl_from_text(text);
    const bool set = acl != nullptr && acl_set_file(path.c_str(), type, acl) == 0;
    acl_free(acl);
    return set;
}

std::string attribute(const std::string& path, const char* name) {
    char value[64];
    const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "" : std::string(value, static_cast<std::size_t>(size));
}

} // namespace testing_support
