// The loops in plain C++, for any processor, and what every kernel shares: the vector
// kernels hand their odd pixels and the colours the memo lacks to these functions.

#include <algorithm>
#include <new>

#include "palette/matcher_kernels.h"
#include "palette/nearest_matcher.h"

namespace {

// Farther than any two colours are apart (441.7), and its code still fits 32 bits.
constexpr std::uint32_t BeyondAnyDistance = 512;

// Distance and place in one key: the smallest key is the nearest candidate, ties going to
// the earlier place, which is the earlier in the tie order.
std::uint32_t nearestPortable(const CellCandidates& candidates, std::uint32_t key) {
    const auto red = static_cast<int>(key >> 16);
    const auto green = static_cast<int>(key >> 8 & 0xFF);
    const auto blue = static_cast<int>(key & 0xFF);
    std::uint32_t best = 0xFFFFFFFF;
    for (int place = 0; place < candidates.count; ++place) {
        const int dr = red - static_cast<int>(candidates.redGreen[place] & 0xFFFF);
        const int dg = green - static_cast<int>(candidates.redGreen[place] >> 16);
        const int db = blue - static_cast<int>(candidates.blue[place]);
        best = std::min(best, static_cast<std::uint32_t>(dr * dr + dg * dg + db * db) << 8 |
                                  static_cast<std::uint32_t>(place));
    }
    return best;
}

} // namespace

std::uint8_t MatcherState::nearestIndex(std::uint32_t key) {
    try {
        const std::uint32_t box = cells.boxFor(key);
        if (MatcherCells::holdsIndices(box)) {
            return static_cast<std::uint8_t>(cells.nearestHeld(box, key));
        }
        const CellCandidates candidates = cells.candidates(box);
        return candidates.indices[nearest(candidates, key) & 0xFF];
    } catch (const std::bad_alloc&) {
        // No memory for the cell: every contender is compared instead, slowly but right.
        return cells.nearestOfAll(key);
    }
}

std::uint32_t MatcherState::resolveMeasured(std::uint32_t key, std::uint32_t found) {
    const std::uint8_t index =
        MatcherMemo::holds(key, found) ? MatcherMemo::indexOf(found) : nearestIndex(key);
    return memo.storeMeasured(key, index, squaredDistance(key, entryKeys[index]));
}

std::uint32_t farCode(const MatchDistances& distances) {
    return std::min(distances.farDistance, BeyondAnyDistance) << MatcherMemo::DistanceScaleBits;
}

void addDistances(MatchDistances& distances, std::uint64_t codeTotal, std::uint32_t largestCode,
                  std::uint64_t farCount) {
    constexpr double Unit = 1.0 / (1 << MatcherMemo::DistanceScaleBits);
    distances.total += static_cast<double>(codeTotal) * Unit;
    distances.largest = std::max(distances.largest, largestCode * Unit);
    distances.farCount += farCount;
}

void mapEach(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
             std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, bgr += 3) {
        indices[i] = MatcherMemo::indexOf(state.answer(pixelKey(bgr)));
    }
}

void mapEachMeasured(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
                     std::size_t count, MatchDistances& distances) {
    const std::uint32_t far = farCode(distances);
    std::uint64_t total = 0;
    std::uint32_t largest = 0;
    std::uint64_t farCount = 0;
    for (std::size_t i = 0; i < count; ++i, bgr += 3) {
        const std::uint32_t answer = state.measuredAnswer(pixelKey(bgr));
        const std::uint32_t distance = MatcherMemo::distanceOf(answer);
        indices[i] = MatcherMemo::indexOf(answer);
        total += distance;
        largest = std::max(largest, distance);
        farCount += distance > far ? 1 : 0;
    }
    addDistances(distances, total, largest, farCount);
}

const MatcherKernel PortableKernel{mapEach, mapEachMeasured, nearestPortable};
