#include "storage/source_state.h"

#include "platform/file_lease.h"

namespace storage {

// A broken lease only says that someone opened the file for writing at some moment. Should
// a new lease be granted, nobody has it open so now, and whether it was written shows in its
// identity, as where no lease can be had.
SourceState sourceState(const platform::SourceFile& file) {
    if (file.leased()) {
        if (!platform::holdsReadLease(file.handle()) &&
            platform::takeReadLease(file.handle()) != platform::Lease::Held) {
            return SourceState::BeingWritten;
        }
    } else if (platform::hasHoles(file.handle())) {
        return SourceState::BeingWritten;
    }
    const auto now = platform::identityOf(file.handle());
    return now && *now == file.identity() ? SourceState::AsRead : SourceState::Changed;
}

} // namespace storage
