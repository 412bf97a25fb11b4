#pragma once
// The POSIX layer's errors, told apart as the file layer tells them.

namespace platform::posix {

// Sets the last file error from an `errno` value; false, for returning.
bool failWith(int error);

} // namespace platform::posix
