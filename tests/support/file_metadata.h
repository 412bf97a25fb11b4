#pragma once
// A file's ACL and extended attributes, as the tests set and compare them. POSIX only.

#include <string>

#include <sys/acl.h>

namespace testing_support {

// The file's access ACL in its long text form; empty when it can't be read.
std::string aclText(const std::string& path);
// Sets the ACL of `type` from its text form; false (with errno) when the file system refuses.
bool setAcl(const std::string& path, acl_type_t type, const char* text);
// The value of the extended attribute `name` (up to 64 bytes); empty when there is none.
std::string attribute(const std::string& path, const char* name);

} // namespace testing_support
