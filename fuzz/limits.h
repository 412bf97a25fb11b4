#pragma once
// Bounds every harness shares.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

// Larger inputs teach a fuzzer nothing that smaller ones don't, and cost time.
inline constexpr std::size_t MaxInputSize = 1 << 20;
inline constexpr std::uint32_t MaxInternedStrings = 100000;

} // namespace fuzzing
