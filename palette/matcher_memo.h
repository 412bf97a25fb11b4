#pragma once
// The colours the matcher has answered, so that a colour met again costs one lookup:
// 2^17 slots of 32 bits. A colour's key (red << 16 | green << 8 | blue) is multiplied by an
// odd number modulo 2^24, which mixes it and loses nothing: the upper 17 bits of the result
// choose the slot, and the lower 7 bits, kept in the slot, tell which of the colours of that
// slot it holds. A slot holds, from the top, the colour's distance to its answer, the mark
// (the 7 bits and a bit that says the slot is filled, so that a memo of zeros is empty), and
// the answer's index.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

class MatcherMemo {
  public:
    static constexpr int SlotBits = 17;
    static constexpr int TagBits = 24 - SlotBits;
    static constexpr std::uint32_t Multiplier = 0x2F4A6D;
    static constexpr std::uint32_t KeyMask = 0xFFFFFF;
    static constexpr std::uint32_t TagMask = (1u << TagBits) - 1;
    static constexpr std::uint32_t Filled = 1u << TagBits;
    static constexpr int MarkShift = 8;
    static constexpr int DistanceShift = 16;
    // Distances are kept in 128ths of a level, rounded up: the largest, 441.7, fits 16 bits,
    // and a distance is beyond a whole number n exactly when its code is beyond 128 n.
    static constexpr int DistanceScaleBits = 7;

    MatcherMemo() : slots(std::size_t{1} << SlotBits) {}

    static constexpr std::uint32_t mix(std::uint32_t key) { return key * Multiplier & KeyMask; }
    static constexpr std::uint32_t mark(std::uint32_t mixed) { return (mixed & TagMask) | Filled; }
    static std::uint8_t indexOf(std::uint32_t answer) { return static_cast<std::uint8_t>(answer); }
    static std::uint32_t distanceOf(std::uint32_t answer) { return answer >> DistanceShift; }

    // The distance code of a squared distance: the smallest code whose square reaches it.
    static std::uint32_t distanceCode(std::uint32_t squared) {
        const std::uint32_t scaled = squared << (2 * DistanceScaleBits);
        // The rounded root is never below the true one's floor, nor above its ceiling.
        auto code = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(scaled)));
        return code * code < scaled ? code + 1 : code;
    }

    // The slot's whole answer when it holds the colour.
    bool find(std::uint32_t key, std::uint32_t& answer) const {
        const std::uint32_t mixed = mix(key);
        answer = slots[mixed >> TagBits];
        return (answer >> MarkShift & 0xFF) == mark(mixed);
    }
    std::uint32_t store(std::uint32_t key, std::uint8_t index, std::uint32_t squared) {
        const std::uint32_t mixed = mix(key);
        const std::uint32_t answer =
            distanceCode(squared) << DistanceShift | mark(mixed) << MarkShift | index;
        slots[mixed >> TagBits] = answer;
        return answer;
    }

    const std::uint32_t* data() const { return slots.data(); }
    std::size_t bytesUsed() const { return slots.capacity() * sizeof(std::uint32_t); }

  private:
    std::vector<std::uint32_t> slots;
};
