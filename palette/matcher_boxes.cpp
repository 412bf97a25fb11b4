#include "palette/matcher_boxes.h"

#include <algorithm>

MatcherBoxes::MatcherBoxes(const std::array<std::uint32_t, 256>& entryKeys, bool zeroLosesTies)
    : entryKeys(entryKeys), zeroPenalty(zeroLosesTies ? 1 : 0),
      boxes(std::size_t{1} << (3 * AxisBits), NotWorkedOut) {}

void MatcherBoxes::keep(std::uint32_t first, const std::uint8_t* entries, std::size_t count) {
    std::array<std::uint8_t, BoxColours> sorted;
    count = std::min<std::size_t>(count, BoxColours);
    std::copy(entries, entries + count, sorted.begin());
    std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count));
    count = static_cast<std::size_t>(
        std::unique(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count)) -
        sorted.begin());
    std::uint32_t box = TooMany;
    if (count > 0 && count <= MostAnswers) {
        // The last entry fills the places left, which keeps the order and loses every tie.
        box = 0;
        for (std::size_t place = MostAnswers; place-- > 0;) {
            box = box << 8 | sorted[std::min(place, count - 1)];
        }
    }
    boxes[boxOf(first >> 16, first >> 8 & 0xFF, first & 0xFF)] = box;
}
