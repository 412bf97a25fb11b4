#pragma once
// What a replaced file keeps of the file it replaces, beyond its contents.

namespace platform::posix {

// Gives the open file `to` the owner and group of `from` where this process may set them,
// its permission bits exactly, its access ACL and its extended attributes (those the system
// lets us set). False, with errno set, when the permission bits or an ACL that says more
// than they do could not be given: the file would grant what the original did not.
bool copyMetadata(int from, int to);

} // namespace platform::posix
