#pragma once
// The limits the writing test hooks of file.h put on each system write call, kept once for
// every platform's file layer.

#include <cstdint>
#include <optional>

namespace platform::write_limits {

// How many of `wanted` bytes the next system write call may take: at most what is left of
// the budget of failWritesAfter and the bytes per call of limitBytesPerWriteCall. Nothing
// when the budget is spent: the disk counts as full.
std::optional<std::int64_t> nextCall(std::int64_t wanted);
// Counts bytes a call wrote against the budget.
void spend(std::int64_t bytes);

} // namespace platform::write_limits
