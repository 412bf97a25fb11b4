#pragma once
// The loops of the fast matcher, one set per instruction set, and the state they share.
// Every set gives the same indices; they differ only in how many pixels or candidates
// they look at in one step.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "palette/matcher_cells.h"
#include "palette/matcher_memo.h"

struct MatchDistances;

// The nearest of a cell's candidates as its squared distance << 8 | its place.
using NearestCandidate = std::uint32_t (*)(const CellCandidates& candidates, std::uint32_t key);

// What the loops work on; a colour is a key red << 16 | green << 8 | blue throughout.
struct MatcherState {
    MatcherState(const std::vector<MatcherCells::Contender>& contenders, NearestCandidate nearest)
        : cells(contenders), nearest(nearest) {}

    // The memo's answer for the colour (see MatcherMemo), worked out if it has none. The
    // colour's distance is worked out only for measuring, and then once.
    std::uint32_t answer(std::uint32_t key) {
        std::uint32_t found;
        return memo.find(key, found) ? found : resolve(key);
    }
    std::uint32_t measuredAnswer(std::uint32_t key) {
        std::uint32_t found;
        return memo.findMeasured(key, found) ? found : resolveMeasured(key, found);
    }
    std::uint32_t resolve(std::uint32_t key) { return memo.store(key, nearestIndex(key)); }
    // `found` is what the colour's slot holds: the index, when it knows the colour.
    std::uint32_t resolveMeasured(std::uint32_t key, std::uint32_t found);
    std::uint8_t nearestIndex(std::uint32_t key);

    MatcherMemo memo;
    MatcherCells cells;
    NearestCandidate nearest;
    // Every palette entry's colour.
    std::array<std::uint32_t, 256> entryKeys{};
    // Pixels to map without the memo before it is tried again, for loops that can skip it
    // where nearly every colour is new (see the AVX2 kernel).
    std::size_t memoRest = 0;
    // Pixels asked of the memo since it was last judged, and those it missed.
    std::size_t memoAsked = 0;
    std::size_t memoMissed = 0;
};

struct MatcherKernel {
    void (*map)(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
                std::size_t count);
    void (*mapMeasured)(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
                        std::size_t count, MatchDistances& distances);
    NearestCandidate nearest;
};

inline std::uint32_t pixelKey(const std::uint8_t* bgr) {
    return std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | bgr[0];
}

inline std::uint32_t squaredDistance(std::uint32_t a, std::uint32_t b) {
    const auto component = [](std::uint32_t key, int shift) {
        return static_cast<int>(key >> shift & 0xFF);
    };
    const int red = component(a, 16) - component(b, 16);
    const int green = component(a, 8) - component(b, 8);
    const int blue = component(a, 0) - component(b, 0);
    return static_cast<std::uint32_t>(red * red + green * green + blue * blue);
}

// The distance code beyond which a pixel counts as far.
std::uint32_t farCode(const MatchDistances& distances);
// Adds the distance codes of a run of pixels to `distances`.
void addDistances(MatchDistances& distances, std::uint64_t codeTotal, std::uint32_t largestCode,
                  std::uint64_t farCount);

// One pixel at a time; the other kernels finish their odd pixels with these.
void mapEach(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
             std::size_t count);
void mapEachMeasured(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
                     std::size_t count, MatchDistances& distances);

extern const MatcherKernel PortableKernel;
// Null where the build or the processor lacks the instructions.
const MatcherKernel* sse2Kernel();
const MatcherKernel* avx2Kernel();
