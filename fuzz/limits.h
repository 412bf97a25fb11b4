#pragma once
// Bounds and checks every harness shares.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzzing {

// Larger inputs teach a fuzzer nothing that smaller ones don't, and cost time.
inline constexpr std::size_t MaxInputSize = 1 << 20;
// The string table only grows; this keeps a long campaign within its memory.
inline constexpr std::uint32_t MaxInternedStrings = 100000;

// Reads every byte of a buffer a reader handed out, so that the sanitizers see a buffer
// shorter than its stated size. Copied in blocks: the sanitizers check a copy's whole range
// at once, where a loop over single bytes, instrumented, takes seconds on a 512 MiB image.
inline void useEveryByte(const std::uint8_t* bytes, std::int64_t size) {
    constexpr std::int64_t BlockSize = 1 << 16;
    static std::uint8_t scratch[BlockSize];
    for (std::int64_t done = 0; done < size; done += BlockSize) {
        const std::int64_t count = size - done < BlockSize ? size - done : BlockSize;
        std::memcpy(scratch, bytes + done, static_cast<std::size_t>(count));
    }
    volatile std::uint8_t sink = scratch[0];
    static_cast<void>(sink);
}

} // namespace fuzzing
