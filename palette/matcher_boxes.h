#pragma once
// The matcher's answers for dithering, which asks for each pixel's colour moved by the
// errors of its neighbours: colours near the last ones, seldom the very same, hundreds of
// thousands of them in a photograph, so that the memo would miss on nearly every one.
// Colour space is cut into boxes of 4 levels a side; each keeps the few entries that are
// the answer somewhere inside it (one for most boxes, seldom more than two), and a colour's
// answer is the nearest of those, worked out without a branch. The boxes take 1 MiB, where
// neighbouring colours share cache lines.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class MatcherBoxes {
  public:
    static constexpr int SideBits = 2;
    static constexpr std::uint32_t BoxColours = 1u << (3 * SideBits);
    static constexpr std::size_t MostAnswers = 4;

    // For entries of these colours; `zeroLosesTies` when entry 0 is an answer only where it
    // is strictly nearer than every other. Throws std::bad_alloc without memory for them.
    MatcherBoxes(const std::array<std::uint32_t, 256>& entryKeys, bool zeroLosesTies);

    // The colour's answer, or false when its box is not worked out yet, or has too many
    // answers to keep.
    bool find(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& index) const {
        const std::uint32_t box = boxes[boxOf(red, green, blue)];
        // Kept answers go in ascending order; the marks have their first byte above the last.
        if ((box >> 24) < (box & 0xFF)) {
            return false;
        }
        if ((box >> 24) == (box & 0xFF)) {
            index = static_cast<std::uint8_t>(box);
            return true;
        }
        // Twice the squared distance, one more for entry 0 when it loses ties, then the
        // place, so that the smallest key is the answer and a tie goes to the lower index.
        std::uint32_t best = 0xFFFFFFFF;
        for (std::uint32_t place = 0; place < MostAnswers; ++place) {
            const std::uint32_t answer = box >> (8 * place) & 0xFF;
            const std::uint32_t key =
                (2 * squaredDistance(answer, red, green, blue) + (answer == 0 ? zeroPenalty : 0))
                    << 2 |
                place;
            best = key < best ? key : best;
        }
        index = static_cast<std::uint8_t>(box >> (8 * (best & 3)));
        return true;
    }

    // Colours as keys red << 16 | green << 8 | blue. A box is named by its first colour, the
    // others lying up to 3 levels above it in each channel, in place order: blue fastest,
    // then green, then red.
    static std::uint32_t firstOfBox(std::uint32_t key) { return key & FirstMask; }
    static std::uint32_t keyAt(std::uint32_t first, std::uint32_t place) {
        return first | (place >> (2 * SideBits)) << 16 | (place >> SideBits & SideMask) << 8 |
               (place & SideMask);
    }

    // The place of corner 0 to 7 of a box: bits 2, 1 and 0 choose the far side in red, green
    // and blue.
    static std::uint32_t cornerPlace(std::uint32_t corner) {
        return (corner >> 2 & 1) * SideMask << (2 * SideBits) |
               (corner >> 1 & 1) * SideMask << SideBits | (corner & 1) * SideMask;
    }
    static std::uint32_t placeOf(std::uint32_t key) {
        return (key >> 16 & SideMask) << (2 * SideBits) | (key >> 8 & SideMask) << SideBits |
               (key & SideMask);
    }
    // Whether the colour's box has more answers than a box keeps.
    bool tooMany(std::uint32_t key) const {
        return boxes[boxOf(key >> 16, key >> 8 & 0xFF, key & 0xFF)] == TooMany;
    }

    // Keeps `count` entries, in any order and repeated or not, as those that answer in the
    // box of `first`: they must include every answer there. More than MostAnswers different
    // ones mark the box as having too many.
    void keep(std::uint32_t first, const std::uint8_t* entries, std::size_t count);

    // Memory held besides the object itself, in bytes.
    std::size_t bytesUsed() const { return boxes.capacity() * sizeof(std::uint32_t); }

  private:
    static constexpr std::uint32_t SideMask = (1u << SideBits) - 1;
    static constexpr std::uint32_t FirstMask =
        0xFFFFFF & ~(SideMask << 16 | SideMask << 8 | SideMask);
    static constexpr int AxisBits = 8 - SideBits;
    static constexpr std::uint32_t NotWorkedOut = 0x000000FF;
    static constexpr std::uint32_t TooMany = 0x0000FFFF;

    static std::size_t boxOf(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
        return (red >> SideBits) << (2 * AxisBits) | (green >> SideBits) << AxisBits |
               (blue >> SideBits);
    }
    std::uint32_t squaredDistance(std::uint32_t index, std::int32_t red, std::int32_t green,
                                  std::int32_t blue) const {
        const std::uint32_t colour = entryKeys[index];
        const std::int32_t dr = red - static_cast<std::int32_t>(colour >> 16);
        const std::int32_t dg = green - static_cast<std::int32_t>(colour >> 8 & 0xFF);
        const std::int32_t db = blue - static_cast<std::int32_t>(colour & 0xFF);
        return static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
    }

    std::array<std::uint32_t, 256> entryKeys;
    std::uint32_t zeroPenalty;
    std::vector<std::uint32_t> boxes; // up to four answers in ascending order, or a mark
};
