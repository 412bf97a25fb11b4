#pragma once
// Where the file layer lets its tests watch it, and nothing more. The program's build makes
// every probe an empty inline function. The tests link a build of the file layer of their
// own, made with SKINREMAP_FILE_PROBES and the probes of tests/support/file_probes.cpp,
// which count the system calls, can make writes come up short or fail as on a full disk,
// and opens, renames and flushes fail as the system refuses them.

#include <cstdint>
#include <optional>

#include "platform/file.h"

namespace platform::file_probes {

#ifdef SKINREMAP_FILE_PROBES
// Before every operating-system file call.
void onCall();
// How many of `wanted` bytes the next system write call may take; nothing when the disk is
// to count as full.
std::optional<std::int64_t> writeAllowance(std::int64_t wanted);
// After a system write call took `bytes`.
void onWritten(std::int64_t bytes);
// Why the next open is to be refused, as the system would; nothing to let it go ahead.
std::optional<FileErrorKind> openRefusal();
// The same for the next rename, swap or replacement of a name.
std::optional<FileErrorKind> renameRefusal();
// The same for the next flush to the disk of a file's contents, or of a folder's names.
std::optional<FileErrorKind> flushRefusal(bool folder);
#else
inline void onCall() {}
inline std::optional<std::int64_t> writeAllowance(std::int64_t wanted) {
    return wanted;
}
inline void onWritten(std::int64_t) {}
inline std::optional<FileErrorKind> openRefusal() {
    return std::nullopt;
}
inline std::optional<FileErrorKind> renameRefusal() {
    return std::nullopt;
}
inline std::optional<FileErrorKind> flushRefusal(bool) {
    return std::nullopt;
}
#endif

} // namespace platform::file_probes
