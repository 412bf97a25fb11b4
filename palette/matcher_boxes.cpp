#include "palette/matcher_boxes.h"

#include <algorithm>

MatcherBoxes::MatcherBoxes(const std::array<std::uint32_t, 256>& entryKeys, bool zeroLosesTies)
    : entryKeys(entryKeys), zeroPenalty(zeroLosesTies ? 1 : 0),
      boxes(std::size_t{1} << (3 * AxisBits), NotWorkedOut) {}

void MatcherBoxes::keep(std::uint32_t first, const std::uint8_t* answers) {
    std::array<std::uint8_t, BoxColours> sorted;
    std::copy(answers, answers + BoxColours, sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    const std::size_t count =
        static_cast<std::size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
    std::uint32_t box = TooMany;
    if (count <= MostAnswers) {
        // The last answer fills the places left, which keeps the order and loses every tie.
        box = 0;
        for (std::size_t place = MostAnswers; place-- > 0;) {
            box = box << 8 | sorted[std::min(place, count - 1)];
        }
    }
    boxes[boxOf(first >> 16, first >> 8 & 0xFF, first & 0xFF)] = box;
}
