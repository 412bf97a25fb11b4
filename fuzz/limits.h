#pragma once
// Bounds and checks every harness shares.

#include <cstddef>
#include <cstdint>

namespace fuzzing {

// Larger inputs teach a fuzzer nothing that smaller ones don't, and cost time.
inline constexpr std::size_t MaxInputSize = 1 << 20;
// The string table only grows; this keeps a long campaign within its memory.
inline constexpr std::uint32_t MaxInternedStrings = 100000;

// Reads every byte of a buffer a reader handed out, so that the sanitizers see a buffer
// shorter than its stated size, and so that the reads can't be optimised away.
inline void useEveryByte(const std::uint8_t* bytes, std::int64_t size) {
    std::uint8_t sum = 0;
    for (std::int64_t i = 0; i < size; ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    volatile std::uint8_t sink = sum;
    static_cast<void>(sink);
}

} // namespace fuzzing
