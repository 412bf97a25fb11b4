// The probes of the tests' build of the file layer (see platform/file_probes.h), and what
// the tests make of them.

#include "tests/support/file_probes.h"

#include <algorithm>
#include <optional>

#include "platform/file_probes.h"

namespace {

std::uint64_t callCount = 0;
std::optional<std::int64_t> writeBudget;        // bytes until the disk is full
std::optional<std::int32_t> bytesPerCall;       // the most one write call takes
std::optional<platform::FileErrorKind> refusal; // what every open fails with

} // namespace

namespace platform::file_probes {

void onCall() {
    ++callCount;
}

std::optional<std::int64_t> writeAllowance(std::int64_t wanted) {
    if (writeBudget) {
        if (*writeBudget == 0) {
            return std::nullopt;
        }
        wanted = std::min(wanted, *writeBudget);
    }
    if (bytesPerCall) {
        wanted = std::min<std::int64_t>(wanted, *bytesPerCall);
    }
    return wanted;
}

void onWritten(std::int64_t bytes) {
    if (writeBudget) {
        *writeBudget -= bytes;
    }
}

std::optional<FileErrorKind> openRefusal() {
    return refusal;
}

} // namespace platform::file_probes

namespace testing_support {

std::uint64_t fileCallCount() {
    return callCount;
}

DiskFullAfter::DiskFullAfter(std::int64_t bytes) {
    writeBudget = bytes;
}

DiskFullAfter::~DiskFullAfter() {
    writeBudget.reset();
}

ShortWriteCalls::ShortWriteCalls(std::int32_t bytes) {
    bytesPerCall = bytes;
}

ShortWriteCalls::~ShortWriteCalls() {
    bytesPerCall.reset();
}

RefusedOpens::RefusedOpens(platform::FileErrorKind kind) {
    refusal = kind;
}

RefusedOpens::~RefusedOpens() {
    refusal.reset();
}

} // namespace testing_support
