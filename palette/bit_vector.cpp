#include "palette/bit_vector.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::int32_t BitsPerWord = 32;
constexpr std::uint32_t AllBits = 0xFFFFFFFFu;
constexpr std::uint32_t TopBit = 0x80000000u;

} // namespace

bool BitVector::resize(std::int32_t bits) {
    if (bits < 0) {
        return false;
    }
    const auto needed = static_cast<std::int32_t>((std::int64_t{bits} + 31) / BitsPerWord);
    if (needed <= capacity) {
        wordCount = needed;
        return true;
    }
    // A step below one word could never make room.
    const std::int32_t step = std::max<std::int32_t>(growStep, 1);
    const std::int32_t blocks = needed / step + (needed % step != 0 ? 1 : 0);
    const std::int64_t newCapacity = std::int64_t{blocks} * step;

    auto* grown = static_cast<std::uint32_t*>(
        std::malloc(static_cast<std::size_t>(newCapacity) * sizeof(std::uint32_t)));
    if (grown == nullptr) {
        freeWords();
        return false;
    }
    if (words != nullptr && capacity > 0) {
        std::memcpy(grown, words, static_cast<std::size_t>(capacity) * sizeof(std::uint32_t));
    }
    freeWords();
    words = grown;
    wordCount = needed;
    capacity = static_cast<std::int32_t>(newCapacity);
    flags |= OwnsWords;
    return true;
}

void BitVector::setRange(std::int32_t first, std::int32_t last) {
    if (last < first) {
        std::swap(first, last);
    }
    first = std::max(first, 0);
    last = static_cast<std::int32_t>(
        std::min<std::int64_t>(last, std::int64_t{wordCount} * BitsPerWord - 1));
    if (first > last) {
        return;
    }
    const std::int32_t lo = first / BitsPerWord;
    const std::int32_t hi = last / BitsPerWord;
    const std::int32_t firstBit = first % BitsPerWord;
    const std::int32_t lastBit = last % BitsPerWord;
    if (lo == hi) {
        words[lo] |= (AllBits << (31 - (last - first))) >> firstBit;
        return;
    }
    words[lo] |= AllBits >> firstBit;
    for (std::int32_t i = lo + 1; i < hi; ++i) {
        words[i] = AllBits;
    }
    words[hi] |= AllBits << (31 - lastBit);
}

bool BitVector::test(std::int32_t index) const {
    if (index < 0 || index / BitsPerWord >= wordCount) {
        return false;
    }
    return (words[index / BitsPerWord] & (TopBit >> (index % BitsPerWord))) != 0;
}

void BitVector::freeWords() {
    if (words != nullptr && (flags & OwnsWords) != 0) {
        std::free(words);
    }
    words = nullptr;
    wordCount = 0;
    capacity = 0;
    flags = static_cast<std::uint16_t>(flags & ~OwnsWords);
}
