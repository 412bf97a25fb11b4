// SSE2, which every 64-bit x86 processor has: four candidates of a cell compared at once.
// Without gathering loads the memo is still probed one pixel at a time. Builds for 32-bit
// x86 don't assume SSE2, so they go without this kernel.

#include "palette/matcher_kernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

namespace {

// Smaller of two vectors of keys below 2^31 (SSE2 only compares signed numbers).
__m128i lower(__m128i a, __m128i b) {
    const __m128i aIsLower = _mm_cmplt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(aIsLower, a), _mm_andnot_si128(aIsLower, b));
}

// Each candidate's squared distance << 8 | its place; the smallest is the nearest, ties
// going to the earlier place. Places are 16-bit pairs (red, green) and (blue, 0), so one
// multiply-add squares and sums a pair.
std::uint32_t nearestSse2(const CellCandidates& candidates, std::uint32_t key) {
    const __m128i redGreen = _mm_set1_epi32(static_cast<int>(key >> 16 | (key & 0xFF00) << 8));
    const __m128i blue = _mm_set1_epi32(static_cast<int>(key & 0xFF));
    __m128i place = _mm_setr_epi32(0, 1, 2, 3);
    __m128i best = _mm_set1_epi32(0x7FFFFFFF);
    for (int i = 0; i < candidates.count; i += 4) {
        const __m128i rg = _mm_sub_epi16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(candidates.redGreen + i)), redGreen);
        const __m128i b = _mm_sub_epi16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(candidates.blue + i)), blue);
        const __m128i squared = _mm_add_epi32(_mm_madd_epi16(rg, rg), _mm_madd_epi16(b, b));
        best = lower(best, _mm_or_si128(_mm_slli_epi32(squared, 8), place));
        place = _mm_add_epi32(place, _mm_set1_epi32(4));
    }
    best = lower(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
    best = lower(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(best));
}

const MatcherKernel Sse2Kernel{mapEach, mapEachMeasured, nearestSse2};

} // namespace

const MatcherKernel* sse2Kernel() {
    return &Sse2Kernel;
}

#else

const MatcherKernel* sse2Kernel() {
    return nullptr;
}

#endif
