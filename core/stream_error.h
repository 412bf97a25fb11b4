#pragma once

#include "core/stream_io.h"

// The status a file stream takes after a failed operating-system call: the conditions that
// mean "the file cannot be had" are FileError, everything else is IoError.
StreamStatus statusFromLastFileError();
