#include "palette/nearest_matcher.h"

#include <algorithm>
#include <new>
#include <vector>

#include "palette/matcher_kernels.h"
#include "palette/palette.h"

namespace {

const MatcherKernel* kernelFor(NearestMatcher::Kernel kernel) {
    switch (kernel) {
    case NearestMatcher::Kernel::Fastest:
        if (const MatcherKernel* avx2 = avx2Kernel()) {
            return avx2;
        }
        return sse2Kernel() != nullptr ? sse2Kernel() : &PortableKernel;
    case NearestMatcher::Kernel::Portable:
        return &PortableKernel;
    case NearestMatcher::Kernel::Sse2:
        return sse2Kernel();
    case NearestMatcher::Kernel::Avx2:
        return avx2Kernel();
    }
    return nullptr;
}

NearestMatcher::Kernel kindOf(const MatcherKernel* kernel) {
    if (kernel == avx2Kernel()) {
        return NearestMatcher::Kernel::Avx2;
    }
    return kernel == sse2Kernel() ? NearestMatcher::Kernel::Sse2 : NearestMatcher::Kernel::Portable;
}

// The entries that can be returned, in the order that settles ties: allowed entries by
// index, then entry 0 when its bit is clear, since it then loses every tie. An entry whose
// colour an earlier one already has can never win, so it is left out.
std::vector<MatcherCells::Contender> contendersOf(const Palette& palette) {
    std::vector<int> order;
    for (int i = 0; i < PaletteSize; ++i) {
        if (palette.matchMask.test(i)) {
            order.push_back(i);
        }
    }
    if (!palette.matchMask.test(0)) {
        order.push_back(0);
    }
    std::vector<MatcherCells::Contender> contenders;
    for (const int i : order) {
        const PaletteEntry& color = palette.colors()[i];
        const bool repeated = std::any_of(
            contenders.begin(), contenders.end(), [&](const MatcherCells::Contender& c) {
                return c.red == color.red && c.green == color.green && c.blue == color.blue;
            });
        if (!repeated) {
            contenders.push_back(
                {color.red, color.green, color.blue, static_cast<std::uint8_t>(i)});
        }
    }
    return contenders;
}

} // namespace

bool NearestMatcher::kernelAvailable(Kernel kernel) {
    return kernelFor(kernel) != nullptr;
}

const char* NearestMatcher::kernelName(Kernel kernel) {
    switch (kernel) {
    case Kernel::Fastest:
        return kernelName(kindOf(kernelFor(kernel)));
    case Kernel::Portable:
        return "portable";
    case Kernel::Sse2:
        return "SSE2";
    case Kernel::Avx2:
        return "AVX2";
    }
    return "";
}

std::unique_ptr<NearestMatcher> NearestMatcher::create(const Palette& palette) {
    try {
        return std::make_unique<NearestMatcher>(palette);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

NearestMatcher::NearestMatcher(const Palette& palette, Kernel kernel)
    : loops(kernelFor(kernel) != nullptr ? kernelFor(kernel) : &PortableKernel),
      chosen(kindOf(loops)) {
    state = std::make_unique<MatcherState>(contendersOf(palette), loops->nearest);
    for (std::size_t i = 0; i < state->entryKeys.size(); ++i) {
        const PaletteEntry& color = palette.colors()[i];
        state->entryKeys[i] =
            std::uint32_t{color.red} << 16 | std::uint32_t{color.green} << 8 | color.blue;
    }
}

NearestMatcher::~NearestMatcher() = default;

std::uint8_t NearestMatcher::find(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return MatcherMemo::indexOf(
        state->answer(std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue));
}

std::uint8_t NearestMatcher::findNearby(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return state->nearestIndex(std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue);
}

void NearestMatcher::mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count) {
    loops->map(*state, bgr, indices, count);
}

void NearestMatcher::mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count,
                               MatchDistances& distances) {
    loops->mapMeasured(*state, bgr, indices, count, distances);
}

std::size_t NearestMatcher::cellsBuilt() const {
    return state->cells.cellsBuilt();
}

double NearestMatcher::averageCandidates() const {
    return state->cells.averageCandidates();
}

std::size_t NearestMatcher::bytesUsed() const {
    return sizeof(*this) + sizeof(MatcherState) + state->memo.bytesUsed() +
           state->cells.bytesUsed();
}
