#pragma once
// The colours the matcher has answered, so that a colour met again costs one lookup:
// 2^18 slots of 32 bits. A colour's key (red << 16 | green << 8 | blue) is multiplied by an
// odd number modulo 2^24, which mixes it and loses nothing: the upper 18 bits of the result
// choose the slot, and the lower 6 bits, kept in the slot, tell which of the colours of that
// slot it holds. A slot holds, from the top: the colour's distance to its answer, once a
// measuring lookup has needed it; the mark, which is those 6 bits, a bit that says the slot
// is filled (so that a memo of zeros is empty) and a bit that says the distance is known;
// and the answer's index.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

class MatcherMemo {
  public:
    static constexpr int SlotBits = 18;
    static constexpr int TagBits = 24 - SlotBits;
    static constexpr std::uint32_t Multiplier = 0x2F4A6D;
    static constexpr std::uint32_t KeyMask = 0xFFFFFF;
    static constexpr std::uint32_t TagMask = (1u << TagBits) - 1;
    static constexpr std::uint32_t Filled = 1u << TagBits;
    static constexpr std::uint32_t DistanceKnown = Filled << 1;
    static_assert(DistanceKnown <= 0x80, "the mark is one byte");
    static constexpr int MarkShift = 8;
    // What an answer is compared with, in place: the mark without and with the distance bit.
    static constexpr std::uint32_t AnswerMask = (TagMask | Filled) << MarkShift;
    static constexpr std::uint32_t MeasuredAnswerMask = AnswerMask | DistanceKnown << MarkShift;
    static constexpr int DistanceShift = 16;
    // Distances are kept in 128ths of a level, rounded up: the largest, 441.7, fits 16 bits,
    // and a distance is beyond a whole number n exactly when its code is beyond 128 n.
    static constexpr int DistanceScaleBits = 7;
    static constexpr std::uint32_t ShortDistances = 2048; // those whose codes are in a table

    MatcherMemo() : slots(std::size_t{1} << SlotBits) {}

    static constexpr std::uint32_t mix(std::uint32_t key) { return key * Multiplier & KeyMask; }
    // The mark of a filled slot holding the colour, shifted into place.
    static constexpr std::uint32_t mark(std::uint32_t mixed) {
        return ((mixed & TagMask) | Filled) << MarkShift;
    }
    static std::uint8_t indexOf(std::uint32_t answer) { return static_cast<std::uint8_t>(answer); }
    static std::uint32_t distanceOf(std::uint32_t answer) { return answer >> DistanceShift; }

    // The distance code of a squared distance: the smallest code whose square reaches it.
    // Distances in pictures are mostly short, and their codes come from a table.
    static std::uint32_t distanceCode(std::uint32_t squared);

    // The slot's whole answer when it holds the colour, and when measuring, its distance.
    bool find(std::uint32_t key, std::uint32_t& answer) const {
        answer = slots[mix(key) >> TagBits];
        return holds(key, answer);
    }
    // Whether the answer taken from the colour's slot is the colour's.
    static bool holds(std::uint32_t key, std::uint32_t answer) {
        return (answer & AnswerMask) == mark(mix(key));
    }
    bool findMeasured(std::uint32_t key, std::uint32_t& answer) const {
        const std::uint32_t mixed = mix(key);
        answer = slots[mixed >> TagBits];
        return (answer & MeasuredAnswerMask) == (mark(mixed) | DistanceKnown << MarkShift);
    }
    std::uint32_t store(std::uint32_t key, std::uint8_t index) {
        return fill(mix(key), mark(mix(key)) | index);
    }
    std::uint32_t storeMeasured(std::uint32_t key, std::uint8_t index, std::uint32_t squared) {
        return fill(mix(key), distanceCode(squared) << DistanceShift | DistanceKnown << MarkShift |
                                  mark(mix(key)) | index);
    }

    const std::uint32_t* data() const { return slots.data(); }
    std::uint32_t* data() { return slots.data(); }
    // Memory held besides the object itself, in bytes.
    std::size_t bytesUsed() const { return slots.capacity() * sizeof(std::uint32_t); }

  private:
    static std::uint32_t longCode(std::uint32_t squared) {
        const std::uint32_t scaled = squared << (2 * DistanceScaleBits);
        // The rounded root is never below the true one's floor, nor above its ceiling.
        auto code = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(scaled)));
        return code * code < scaled ? code + 1 : code;
    }

    std::uint32_t fill(std::uint32_t mixed, std::uint32_t answer) {
        slots[mixed >> TagBits] = answer;
        return answer;
    }

    std::vector<std::uint32_t> slots;
};

// The codes of the short distances, worked out as the compiler builds the program.
inline constexpr auto matcherShortCodes = [] {
    std::array<std::uint16_t, MatcherMemo::ShortDistances> codes{};
    std::uint32_t code = 0;
    for (std::uint32_t squared = 0; squared < codes.size(); ++squared) {
        while (code * code < squared << (2 * MatcherMemo::DistanceScaleBits)) {
            ++code;
        }
        codes[squared] = static_cast<std::uint16_t>(code);
    }
    return codes;
}();

inline std::uint32_t MatcherMemo::distanceCode(std::uint32_t squared) {
    return squared < ShortDistances ? matcherShortCodes[squared] : longCode(squared);
}
