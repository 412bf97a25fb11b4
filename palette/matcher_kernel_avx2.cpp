// AVX2, where the processor has it: eight pixels at a time through the memo with one
// gathering load, and eight candidates of a cell compared at once. Only these functions
// use the instructions, so the program still runs on processors without them; 64-bit
// builds only.

#include "palette/matcher_kernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>

#include "palette/nearest_matcher.h"

namespace {

constexpr int Lanes = 8;

// Helpers that take or give vectors are always inlined: no vector crosses a call, whose
// conventions for them differ between systems.
[[gnu::target("avx2"), gnu::always_inline]] inline std::uint32_t lowestLane(__m128i keys) {
    keys = _mm_min_epu32(keys, _mm_shuffle_epi32(keys, _MM_SHUFFLE(1, 0, 3, 2)));
    keys = _mm_min_epu32(keys, _mm_shuffle_epi32(keys, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(keys));
}

// Each candidate's squared distance << 8 | its place; the smallest is the nearest, ties
// going to the earlier place. Places are 16-bit pairs (red, green) and (blue, 0), so one
// multiply-add squares and sums a pair.
[[gnu::target("avx2")]] std::uint32_t nearestAvx2(const CellCandidates& candidates,
                                                  std::uint32_t key) {
    const auto redGreen = static_cast<int>(key >> 16 | (key & 0xFF00) << 8);
    const auto blue = static_cast<int>(key & 0xFF);
    if (candidates.count == 4) {
        const __m128i rg =
            _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(candidates.redGreen)),
                          _mm_set1_epi32(redGreen));
        const __m128i b =
            _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(candidates.blue)),
                          _mm_set1_epi32(blue));
        const __m128i squared = _mm_add_epi32(_mm_madd_epi16(rg, rg), _mm_madd_epi16(b, b));
        return lowestLane(_mm_or_si128(_mm_slli_epi32(squared, 8), _mm_setr_epi32(0, 1, 2, 3)));
    }
    __m256i place = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i lowest = _mm256_set1_epi32(-1);
    for (int i = 0; i < candidates.count; i += Lanes) {
        const __m256i rg = _mm256_sub_epi16(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(candidates.redGreen + i)),
            _mm256_set1_epi32(redGreen));
        const __m256i b = _mm256_sub_epi16(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(candidates.blue + i)),
            _mm256_set1_epi32(blue));
        const __m256i squared =
            _mm256_add_epi32(_mm256_madd_epi16(rg, rg), _mm256_madd_epi16(b, b));
        lowest = _mm256_min_epu32(lowest, _mm256_or_si256(_mm256_slli_epi32(squared, 8), place));
        place = _mm256_add_epi32(place, _mm256_set1_epi32(Lanes));
    }
    return lowestLane(
        _mm_min_epu32(_mm256_castsi256_si128(lowest), _mm256_extracti128_si256(lowest, 1)));
}

// Eight pixels' keys from their 24 bytes, read as two overlapping halves so that nothing
// past the last pixel is touched.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i keysOfEight(const std::uint8_t* bgr) {
    const __m256i bytes = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 8)), 1);
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 4,
                                            5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    return _mm256_shuffle_epi8(bytes, spread);
}

// The lanes the memo could not answer, one at a time.
void resolveLanes(MatcherState& state, const std::uint32_t* keys, std::uint32_t* answers,
                  unsigned misses, bool measuring) {
    for (; misses != 0; misses &= misses - 1) {
        const int lane = __builtin_ctz(misses);
        answers[lane] = measuring ? state.resolveMeasured(keys[lane], answers[lane])
                                  : state.resolve(keys[lane]);
    }
}

// The memo's answers for eight pixels, one in each lane; when measuring, with distances.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i
answersOfEight(MatcherState& state, __m256i keys, bool measuring) {
    const __m256i mixed =
        _mm256_and_si256(_mm256_mullo_epi32(keys, _mm256_set1_epi32(MatcherMemo::Multiplier)),
                         _mm256_set1_epi32(MatcherMemo::KeyMask));
    const __m256i slot = _mm256_srli_epi32(mixed, MatcherMemo::TagBits);
    const __m256i mark = _mm256_slli_epi32(
        _mm256_or_si256(_mm256_and_si256(mixed, _mm256_set1_epi32(MatcherMemo::TagMask)),
                        _mm256_set1_epi32(static_cast<int>(
                            measuring ? MatcherMemo::Filled | MatcherMemo::DistanceKnown
                                      : MatcherMemo::Filled))),
        MatcherMemo::MarkShift);
    const __m256i found = _mm256_i32gather_epi32(reinterpret_cast<const int*>(state.memo.data()),
                                                 slot, sizeof(std::uint32_t));
    const __m256i held = _mm256_and_si256(
        found, _mm256_set1_epi32(static_cast<int>(measuring ? MatcherMemo::MeasuredAnswerMask
                                                            : MatcherMemo::AnswerMask)));
    const __m256i hit = _mm256_cmpeq_epi32(held, mark);
    const auto misses = static_cast<unsigned>(~_mm256_movemask_ps(_mm256_castsi256_ps(hit)) & 0xFF);
    if (misses == 0) [[likely]] {
        return found;
    }
    std::uint32_t keyLanes[Lanes];
    std::uint32_t answerLanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(keyLanes), keys);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(answerLanes), found);
    resolveLanes(state, keyLanes, answerLanes, misses, measuring);
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(answerLanes));
}

// The indices of eight answers, which sit in their lowest bytes.
[[gnu::target("avx2"), gnu::always_inline]] inline void storeEight(std::uint8_t* indices,
                                                                   __m256i answers) {
    const __m256i lowBytes = _mm256_shuffle_epi8(
        answers, _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4,
                                  8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const __m128i packed =
        _mm_unpacklo_epi32(_mm256_castsi256_si128(lowBytes), _mm256_extracti128_si256(lowBytes, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(indices), packed);
}

[[gnu::target("avx2")]] void mapAvx2(MatcherState& state, const std::uint8_t* bgr,
                                     std::uint8_t* indices, std::size_t count) {
    std::size_t i = 0;
    for (; i + Lanes <= count; i += Lanes) {
        storeEight(indices + i, answersOfEight(state, keysOfEight(bgr + 3 * i), false));
    }
    mapEach(state, bgr + 3 * i, indices + i, count - i);
}

[[gnu::target("avx2"), gnu::always_inline]] inline std::uint64_t sumOfLanes(__m256i lanes) {
    std::uint32_t each[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(each), lanes);
    std::uint64_t sum = 0;
    for (const std::uint32_t lane : each) {
        sum += lane;
    }
    return sum;
}

// As mapAvx2, adding up the distance codes kept with the answers. Codes are below 2^16, so
// a lane can add up 2^16 of them before its sum is emptied into 64 bits.
[[gnu::target("avx2")]] void mapMeasuredAvx2(MatcherState& state, const std::uint8_t* bgr,
                                             std::uint8_t* indices, std::size_t count,
                                             MatchDistances& distances) {
    constexpr std::size_t PixelsPerSum = std::size_t{Lanes} * 0xFFFF;
    const __m256i far = _mm256_set1_epi32(static_cast<int>(farCode(distances)));
    const std::size_t whole = count / Lanes * Lanes;
    std::uint64_t total = 0;
    std::uint64_t farCount = 0;
    __m256i largest = _mm256_setzero_si256();
    std::size_t i = 0;
    while (i < whole) {
        const std::size_t stop = std::min(whole, i + PixelsPerSum);
        __m256i sum = _mm256_setzero_si256();
        __m256i farther = _mm256_setzero_si256();
        for (; i < stop; i += Lanes) {
            const __m256i answers = answersOfEight(state, keysOfEight(bgr + 3 * i), true);
            storeEight(indices + i, answers);
            const __m256i distance = _mm256_srli_epi32(answers, MatcherMemo::DistanceShift);
            sum = _mm256_add_epi32(sum, distance);
            largest = _mm256_max_epu32(largest, distance);
            farther = _mm256_sub_epi32(farther, _mm256_cmpgt_epi32(distance, far));
        }
        total += sumOfLanes(sum);
        farCount += sumOfLanes(farther);
    }
    std::uint32_t largestLanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(largestLanes), largest);
    addDistances(distances, total, *std::max_element(largestLanes, largestLanes + Lanes), farCount);
    mapEachMeasured(state, bgr + 3 * i, indices + i, count - i, distances);
}

const MatcherKernel Avx2Kernel{mapAvx2, mapMeasuredAvx2, nearestAvx2};

} // namespace

const MatcherKernel* avx2Kernel() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? &Avx2Kernel : nullptr;
}

#else

const MatcherKernel* avx2Kernel() {
    return nullptr;
}

#endif
