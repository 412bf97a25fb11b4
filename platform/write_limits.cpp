#include "platform/write_limits.h"

#include <algorithm>

#include "platform/file.h"

namespace platform {
namespace {

std::int64_t writeBudget = -1;
std::int32_t bytesPerWriteCall = -1;

} // namespace

namespace write_limits {

std::optional<std::int64_t> nextCall(std::int64_t wanted) {
    if (writeBudget == 0) {
        return std::nullopt;
    }
    if (writeBudget > 0) {
        wanted = std::min(wanted, writeBudget);
    }
    if (bytesPerWriteCall >= 0) {
        wanted = std::min<std::int64_t>(wanted, bytesPerWriteCall);
    }
    return wanted;
}

void spend(std::int64_t bytes) {
    if (writeBudget >= 0) {
        writeBudget -= bytes;
    }
}

} // namespace write_limits

void failWritesAfter(std::int64_t bytes) {
    writeBudget = bytes < 0 ? -1 : bytes;
}

void limitBytesPerWriteCall(std::int32_t bytes) {
    bytesPerWriteCall = bytes < 0 ? -1 : bytes;
}

} // namespace platform
