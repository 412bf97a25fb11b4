#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from a fixed point, wrapping at 2^32 like the Windows tick counter.
// Monotonic: it never jumps with the wall clock.
std::uint32_t tickCount();

} // namespace platform
