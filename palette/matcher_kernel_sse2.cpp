// SSE2, which every 64-bit x86 processor has: four pixels at a time through the memo (the
// keys and their mixing in vectors, the four loads one by one, since SSE2 cannot gather),
// and four candidates of a cell compared at once. Builds for 32-bit x86 don't assume SSE2,
// so they go without this kernel.

#include "palette/matcher_kernels.h"

#if defined(__SSE2__)

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "palette/nearest_matcher.h"

namespace {

constexpr int Lanes = 4;

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

// Four pixels' keys from their 12 bytes, read as 8 and 4 so that nothing past the last
// pixel is touched.
__m128i keysOfFour(const std::uint8_t* bgr) {
    std::uint32_t last = 0;
    std::memcpy(&last, bgr + 8, sizeof last);
    const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bgr)),
                                             _mm_cvtsi32_si128(static_cast<int>(last)));
    const __m128i first = _mm_unpacklo_epi32(bytes, _mm_srli_si128(bytes, 3));
    const __m128i second = _mm_unpacklo_epi32(_mm_srli_si128(bytes, 6), _mm_srli_si128(bytes, 9));
    return _mm_and_si128(_mm_unpacklo_epi64(first, second),
                         _mm_set1_epi32(static_cast<int>(MatcherMemo::KeyMask)));
}

// MatcherMemo::mix of four keys; SSE2 multiplies only every other lane.
__m128i mixFour(__m128i keys) {
    const __m128i multiplier = _mm_set1_epi32(static_cast<int>(MatcherMemo::Multiplier));
    const __m128i even = _mm_mul_epu32(keys, multiplier);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(keys, 32), multiplier);
    const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
    return _mm_and_si128(products, _mm_set1_epi32(static_cast<int>(MatcherMemo::KeyMask)));
}

// The memo's answers for four pixels, one in each lane; when measuring, with distances.
__m128i answersOfFour(MatcherState& state, __m128i keys, bool measuring) {
    const __m128i mixed = mixFour(keys);
    std::uint32_t slots[Lanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(slots),
                     _mm_srli_epi32(mixed, MatcherMemo::TagBits));
    const std::uint32_t* memo = state.memo.data();
    std::uint32_t answers[Lanes] = {memo[slots[0]], memo[slots[1]], memo[slots[2]], memo[slots[3]]};
    const __m128i found = _mm_loadu_si128(reinterpret_cast<const __m128i*>(answers));
    const auto flags = static_cast<int>(measuring ? MatcherMemo::Filled | MatcherMemo::DistanceKnown
                                                  : MatcherMemo::Filled);
    const __m128i mark =
        _mm_slli_epi32(_mm_or_si128(_mm_and_si128(mixed, _mm_set1_epi32(MatcherMemo::TagMask)),
                                    _mm_set1_epi32(flags)),
                       MatcherMemo::MarkShift);
    const __m128i held = _mm_and_si128(
        found, _mm_set1_epi32(static_cast<int>(measuring ? MatcherMemo::MeasuredAnswerMask
                                                         : MatcherMemo::AnswerMask)));
    auto misses = static_cast<unsigned>(
        ~_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(held, mark))) & 0xF);
    if (misses == 0) [[likely]] {
        return found;
    }
    std::uint32_t keyLanes[Lanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(keyLanes), keys);
    for (; misses != 0; misses &= misses - 1) {
        const int lane = __builtin_ctz(misses);
        answers[lane] = measuring ? state.resolveMeasured(keyLanes[lane], answers[lane])
                                  : state.resolve(keyLanes[lane]);
    }
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(answers));
}

// The indices of four answers, which sit in their lowest bytes.
void storeFour(std::uint8_t* indices, __m128i answers) {
    const __m128i words =
        _mm_packs_epi32(_mm_and_si128(answers, _mm_set1_epi32(0xFF)), _mm_setzero_si128());
    const auto bytes =
        static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    std::memcpy(indices, &bytes, sizeof bytes);
}

void mapSse2(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
             std::size_t count) {
    std::size_t i = 0;
    for (; i + Lanes <= count; i += Lanes) {
        storeFour(indices + i, answersOfFour(state, keysOfFour(bgr + 3 * i), false));
    }
    mapEach(state, bgr + 3 * i, indices + i, count - i);
}

std::uint64_t sumOfLanes(__m128i lanes) {
    std::uint32_t each[Lanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(each), lanes);
    return std::uint64_t{each[0]} + each[1] + each[2] + each[3];
}

// As mapSse2, adding up the distance codes kept with the answers. Codes are below 2^16, so
// a lane can add up 2^16 of them before its sum is emptied into 64 bits.
void mapMeasuredSse2(MatcherState& state, const std::uint8_t* bgr, std::uint8_t* indices,
                     std::size_t count, MatchDistances& distances) {
    constexpr std::size_t PixelsPerSum = std::size_t{Lanes} * 0xFFFF;
    const __m128i far = _mm_set1_epi32(static_cast<int>(farCode(distances)));
    const std::size_t whole = count / Lanes * Lanes;
    std::uint64_t total = 0;
    std::uint64_t farCount = 0;
    __m128i largest = _mm_setzero_si128();
    std::size_t i = 0;
    while (i < whole) {
        const std::size_t stop = std::min(whole, i + PixelsPerSum);
        __m128i sum = _mm_setzero_si128();
        __m128i farther = _mm_setzero_si128();
        for (; i < stop; i += Lanes) {
            const __m128i answers = answersOfFour(state, keysOfFour(bgr + 3 * i), true);
            storeFour(indices + i, answers);
            const __m128i distance = _mm_srli_epi32(answers, MatcherMemo::DistanceShift);
            sum = _mm_add_epi32(sum, distance);
            const __m128i larger = _mm_cmpgt_epi32(distance, largest);
            largest =
                _mm_or_si128(_mm_and_si128(larger, distance), _mm_andnot_si128(larger, largest));
            farther = _mm_sub_epi32(farther, _mm_cmpgt_epi32(distance, far));
        }
        total += sumOfLanes(sum);
        farCount += sumOfLanes(farther);
    }
    std::uint32_t largestLanes[Lanes];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(largestLanes), largest);
    addDistances(distances, total, *std::max_element(largestLanes, largestLanes + Lanes), farCount);
    mapEachMeasured(state, bgr + 3 * i, indices + i, count - i, distances);
}

const MatcherKernel Sse2Kernel{mapSse2, mapMeasuredSse2, nearestSse2};

} // namespace

const MatcherKernel* sse2Kernel() {
    return &Sse2Kernel;
}

#else

const MatcherKernel* sse2Kernel() {
    return nullptr;
}

#endif
