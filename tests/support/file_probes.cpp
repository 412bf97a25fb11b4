// The probes of the tests' build of the file layer (see platform/file_probes.h), and what
// the tests make of them.

#include "tests/support/file_probes.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/file_probes.h"

namespace {

// The program may call the file layer from more than one thread.
std::mutex probes;
std::uint64_t callCount = 0;
std::optional<std::int64_t> writeBudget;        // bytes until the disk is full
std::optional<std::int32_t> bytesPerCall;       // the most one write call takes
std::optional<platform::FileErrorKind> refusal; // what every open fails with
std::optional<platform::FileErrorKind> renameFailure;
int renamesUntilFailure = 0; // renames still let through before they fail
std::optional<platform::FileErrorKind> fileFlushFailure;
bool writesHeld = false;
std::condition_variable writesReleased;
std::optional<platform::FileErrorKind> folderFlushFailure;

} // namespace

namespace platform::file_probes {

void onCall() {
    const std::lock_guard lock(probes);
    ++callCount;
}

std::optional<std::int64_t> writeAllowance(std::int64_t wanted) {
    std::unique_lock lock(probes);
    writesReleased.wait(lock, [] { return !writesHeld; });
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
    const std::lock_guard lock(probes);
    if (writeBudget) {
        *writeBudget -= bytes;
    }
}

std::optional<FileErrorKind> openRefusal() {
    const std::lock_guard lock(probes);
    return refusal;
}

std::optional<FileErrorKind> renameRefusal() {
    const std::lock_guard lock(probes);
    if (!renameFailure || renamesUntilFailure-- > 0) {
        return std::nullopt;
    }
    return renameFailure;
}

std::optional<FileErrorKind> flushRefusal(bool folder) {
    const std::lock_guard lock(probes);
    return folder ? folderFlushFailure : fileFlushFailure;
}

} // namespace platform::file_probes

namespace testing_support {

std::uint64_t fileCallCount() {
    const std::lock_guard lock(probes);
    return callCount;
}

DiskFullAfter::DiskFullAfter(std::int64_t bytes) {
    const std::lock_guard lock(probes);
    writeBudget = bytes;
}

DiskFullAfter::~DiskFullAfter() {
    const std::lock_guard lock(probes);
    writeBudget.reset();
}

ShortWriteCalls::ShortWriteCalls(std::int32_t bytes) {
    const std::lock_guard lock(probes);
    bytesPerCall = bytes;
}

ShortWriteCalls::~ShortWriteCalls() {
    const std::lock_guard lock(probes);
    bytesPerCall.reset();
}

RefusedOpens::RefusedOpens(platform::FileErrorKind kind) {
    const std::lock_guard lock(probes);
    refusal = kind;
}

RefusedOpens::~RefusedOpens() {
    const std::lock_guard lock(probes);
    refusal.reset();
}

HeldWrites::HeldWrites() {
    const std::lock_guard lock(probes);
    writesHeld = true;
}

HeldWrites::~HeldWrites() {
    release();
}

void HeldWrites::release() {
    {
        const std::lock_guard lock(probes);
        writesHeld = false;
    }
    writesReleased.notify_all();
}

RefusedRenames::RefusedRenames(platform::FileErrorKind kind, int first) {
    const std::lock_guard lock(probes);
    renameFailure = kind;
    renamesUntilFailure = first - 1;
}

RefusedRenames::~RefusedRenames() {
    const std::lock_guard lock(probes);
    renameFailure.reset();
}

RefusedFlushes::RefusedFlushes(Of what, platform::FileErrorKind kind) {
    const std::lock_guard lock(probes);
    (what == Folders ? folderFlushFailure : fileFlushFailure) = kind;
}

RefusedFlushes::~RefusedFlushes() {
    const std::lock_guard lock(probes);
    fileFlushFailure.reset();
    folderFlushFailure.reset();
}

} // namespace testing_support
