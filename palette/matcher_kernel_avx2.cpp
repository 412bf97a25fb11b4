// AVX2, where the processor has it: eight pixels at a time through the memo with one
// gathering load, the colours it lacks through the grid of boxes eight at a time too, and
// eight candidates of a list compared at once. Where nearly every colour is new, as in
// noise, the memo only costs, and runs of pixels go without it. Only these functions use the
// instructions, so the program still runs on processors without them; 64-bit builds only.

#include "palette/matcher_kernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <climits>

#include "palette/nearest_matcher.h"

namespace {

constexpr int Lanes = 8;
// The memo is judged on runs of this many pixels: a run in which it misses more than seven
// in eight is followed by `RunsSkipped` runs without it.
constexpr std::size_t RunPixels = 512;
constexpr std::size_t RunsSkipped = 15;
// Up to this many lanes the memo lacks are worked out one at a time.
constexpr std::size_t ScalarMisses = 2;

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

// Squared distances' codes, as MatcherMemo::distanceCode gives them: the root rounded up
// in single precision is within one of the code, and the squares settle which.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i codesOfEight(__m256i squared) {
    const __m256 root =
        _mm256_mul_ps(_mm256_sqrt_ps(_mm256_cvtepi32_ps(squared)),
                      _mm256_set1_ps(static_cast<float>(1 << MatcherMemo::DistanceScaleBits)));
    const __m256i code = _mm256_cvtps_epi32(_mm256_ceil_ps(root));
    const __m256i scaled = _mm256_slli_epi32(squared, 2 * MatcherMemo::DistanceScaleBits);
    // Scaled squares reach 2^31: compared without sign.
    const __m256i sign = _mm256_set1_epi32(INT_MIN);
    const __m256i scaledSigned = _mm256_xor_si256(scaled, sign);
    const __m256i lower = _mm256_sub_epi32(code, _mm256_set1_epi32(1));
    const __m256i tooLow =
        _mm256_cmpgt_epi32(scaledSigned, _mm256_xor_si256(_mm256_mullo_epi32(code, code), sign));
    const __m256i tooHigh = _mm256_andnot_si256(
        _mm256_cmpgt_epi32(scaledSigned, _mm256_xor_si256(_mm256_mullo_epi32(lower, lower), sign)),
        _mm256_cmpgt_epi32(code, _mm256_setzero_si256()));
    return _mm256_sub_epi32(_mm256_add_epi32(code, tooHigh), tooLow);
}

// Each lane's closeness (see MatcherCells::nearestHeld) to the contender of the palette index
// in it. Keys split into 16-bit pairs (blue, red) and (green, 0), so one multiply-add squares
// and sums a pair; the pairs leave out the bit that says a contender loses every tie, which
// the green pair's upper half would otherwise take.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i
closenessOfEight(const MatcherCells& cells, __m256i index, __m256i pixelLow, __m256i pixelHigh) {
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m256i colour =
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(cells.contenderKeyData()), index, 4);
    const __m256i dLow = _mm256_sub_epi16(_mm256_and_si256(colour, low), pixelLow);
    const __m256i dHigh = _mm256_sub_epi16(
        _mm256_and_si256(_mm256_srli_epi32(colour, 8), _mm256_set1_epi32(0xFF)), pixelHigh);
    const __m256i squared =
        _mm256_add_epi32(_mm256_madd_epi16(dLow, dLow), _mm256_madd_epi16(dHigh, dHigh));
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_slli_epi32(squared, MatcherCells::SquaredShift), index),
        _mm256_slli_epi32(_mm256_srli_epi32(colour, 24), 8));
}

// The grid entries of eight colours' boxes.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i boxesOfEight(const MatcherCells& cells,
                                                                        __m256i keys) {
    const __m256i number = _mm256_or_si256(
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(keys, 6), _mm256_set1_epi32(0x3F000)),
                        _mm256_and_si256(_mm256_srli_epi32(keys, 4), _mm256_set1_epi32(0xFC0))),
        _mm256_and_si256(_mm256_srli_epi32(keys, 2), _mm256_set1_epi32(0x3F)));
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(cells.gridData()), number, 4);
}

// Eight colours' answers worked out from their boxes' entries: index, and when measuring the
// distance code << MatcherMemo::DistanceShift. `others` gets the lanes whose box was not
// built yet or keeps a list, whose answers are left to the caller.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i searchEight(const MatcherCells& cells,
                                                                       __m256i keys, __m256i box,
                                                                       bool measuring,
                                                                       unsigned& others) {
    others = static_cast<unsigned>(~_mm256_movemask_ps(_mm256_castsi256_ps(box)) & 0xFF);

    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m256i pixelLow = _mm256_and_si256(keys, low);
    const __m256i pixelHigh = _mm256_and_si256(_mm256_srli_epi32(keys, 8), low);
    const __m256i byte = _mm256_set1_epi32(0xFF);
    __m256i best = closenessOfEight(cells, _mm256_and_si256(box, byte), pixelLow, pixelHigh);
    // All three places every time: which boxes have one candidate can't be foreseen, and a
    // branch on it costs more than the two lookups it would save.
    best = _mm256_min_epu32(
        best, closenessOfEight(cells, _mm256_and_si256(_mm256_srli_epi32(box, 8), byte), pixelLow,
                               pixelHigh));
    best = _mm256_min_epu32(
        best, closenessOfEight(cells, _mm256_and_si256(_mm256_srli_epi32(box, 16), byte), pixelLow,
                               pixelHigh));
    const __m256i index = _mm256_and_si256(best, byte);
    if (!measuring) {
        return index;
    }
    return _mm256_or_si256(
        index, _mm256_slli_epi32(codesOfEight(_mm256_srli_epi32(best, MatcherCells::SquaredShift)),
                                 MatcherMemo::DistanceShift));
}

// The lanes whose answer needs a list or a new cell, one at a time. `found` is what each
// lane's memo slot held.
void resolveLanes(MatcherState& state, const std::uint32_t* keys, const std::uint32_t* found,
                  std::uint32_t* answers, unsigned lanes, bool measuring) {
    for (; lanes != 0; lanes &= lanes - 1) {
        const int lane = __builtin_ctz(lanes);
        answers[lane] =
            measuring ? state.resolveMeasured(keys[lane], found[lane]) : state.resolve(keys[lane]);
    }
}

// Where eight colours sit in the memo: their slots, and the marks that say a slot holds
// them (with the distance bit when measuring).
struct MemoPlaces {
    [[gnu::target("avx2"), gnu::always_inline]] MemoPlaces(__m256i keys, bool measuring) {
        const __m256i mixed =
            _mm256_and_si256(_mm256_mullo_epi32(keys, _mm256_set1_epi32(MatcherMemo::Multiplier)),
                             _mm256_set1_epi32(MatcherMemo::KeyMask));
        slot = _mm256_srli_epi32(mixed, MatcherMemo::TagBits);
        mark = _mm256_slli_epi32(
            _mm256_or_si256(_mm256_and_si256(mixed, _mm256_set1_epi32(MatcherMemo::TagMask)),
                            _mm256_set1_epi32(static_cast<int>(
                                measuring ? MatcherMemo::Filled | MatcherMemo::DistanceKnown
                                          : MatcherMemo::Filled))),
            MatcherMemo::MarkShift);
    }
    // The lanes of `found`, what the slots held, that are these colours' answers.
    [[gnu::target("avx2"), gnu::always_inline]] __m256i held(__m256i found, bool measuring) const {
        return _mm256_cmpeq_epi32(
            _mm256_and_si256(
                found, _mm256_set1_epi32(static_cast<int>(
                           measuring ? MatcherMemo::MeasuredAnswerMask : MatcherMemo::AnswerMask))),
            mark);
    }

    __m256i slot;
    __m256i mark;
};

// The answers of eight colours of which the memo lacks some, worked out through the grid and
// kept. `answers` holds what their slots held and gets the answers. Out of line, so that the
// loop over colours the memo has stays as small as it was.
[[gnu::target("avx2"), gnu::noinline]] void searchMissed(MatcherState& state,
                                                         const std::uint32_t* keyLanes,
                                                         std::uint32_t* answerLanes,
                                                         unsigned missed, bool measuring) {
    const __m256i keys = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keyLanes));
    const __m256i found = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(answerLanes));
    const MemoPlaces places(keys, measuring);
    unsigned others = 0;
    const __m256i searched = _mm256_or_si256(
        searchEight(state.cells, keys, boxesOfEight(state.cells, keys), measuring, others),
        places.mark);
    std::uint32_t foundLanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(foundLanes), found);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(answerLanes),
                        _mm256_blendv_epi8(searched, found, places.held(found, measuring)));
    // Every lane's answer goes back to its slot, those found there too: the same stores
    // each time cost less than a branch that can't be foreseen.
    std::uint32_t slotLanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(slotLanes), places.slot);
    std::uint32_t* memo = state.memo.data();
    for (int lane = 0; lane < Lanes; ++lane) {
        memo[slotLanes[lane]] = answerLanes[lane];
    }
    resolveLanes(state, keyLanes, foundLanes, answerLanes, others & missed, measuring);
}

// The memo's answers for eight pixels, one in each lane; when measuring, with distances.
// The colours it lacks are worked out and kept; `misses` counts them.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i
answersOfEight(MatcherState& state, __m256i keys, bool measuring, std::size_t& misses) {
    const MemoPlaces places(keys, measuring);
    const __m256i found = _mm256_i32gather_epi32(reinterpret_cast<const int*>(state.memo.data()),
                                                 places.slot, sizeof(std::uint32_t));
    const auto missed = static_cast<unsigned>(
        ~_mm256_movemask_ps(_mm256_castsi256_ps(places.held(found, measuring))) & 0xFF);
    if (missed == 0) [[likely]] {
        return found;
    }
    const auto missedCount = static_cast<std::size_t>(__builtin_popcount(missed));
    misses += missedCount;
    std::uint32_t keyLanes[Lanes];
    std::uint32_t answerLanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(keyLanes), keys);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(answerLanes), found);
    // A lane or two, as photographs miss, cost less one at a time than all eight at once.
    if (missedCount <= ScalarMisses) {
        resolveLanes(state, keyLanes, answerLanes, answerLanes, missed, measuring);
    } else {
        searchMissed(state, keyLanes, answerLanes, missed, measuring);
    }
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(answerLanes));
}

// Eight pixels' answers through the grid alone, without the memo, from their boxes'
// entries; the same layout as the memo's, less the mark.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i
searchedOfEight(MatcherState& state, __m256i keys, __m256i box, bool measuring) {
    unsigned others = 0;
    const __m256i searched = searchEight(state.cells, keys, box, measuring, others);
    if (others == 0) [[likely]] {
        return searched;
    }
    std::uint32_t keyLanes[Lanes];
    std::uint32_t answerLanes[Lanes];
    const std::uint32_t nothing[Lanes] = {};
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(keyLanes), keys);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(answerLanes), searched);
    resolveLanes(state, keyLanes, nothing, answerLanes, others, measuring);
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(answerLanes));
}

// The grid entries of the vectors a few ahead of the one being mapped, so that waiting for
// the grid, which noise reads all over, overlaps the work on the vectors before. An entry
// read early is never wrong: entries change only from not built, which is checked again.
class BoxesAhead {
  public:
    static constexpr std::size_t Ahead = 8;

    [[gnu::target("avx2"), gnu::always_inline]] BoxesAhead(const MatcherCells& cells,
                                                           const std::uint8_t* bgr,
                                                           std::size_t count)
        : cells(cells), bgr(bgr), count(count) {
        for (std::size_t i = 0; i < Ahead && i * Lanes < count; ++i) {
            boxes[i] = boxesOfEight(cells, keysOfEight(bgr + 3 * i * Lanes));
        }
    }
    // The entries of the vector at pixel `i`, asking for those `Ahead` vectors later.
    [[gnu::target("avx2"), gnu::always_inline]] __m256i take(std::size_t i) {
        const std::size_t place = i / Lanes % Ahead;
        const __m256i box = boxes[place];
        const std::size_t later = i + Ahead * Lanes;
        if (later < count) {
            boxes[place] = boxesOfEight(cells, keysOfEight(bgr + 3 * later));
        }
        return box;
    }

  private:
    const MatcherCells& cells;
    const std::uint8_t* bgr;
    std::size_t count;
    __m256i boxes[Ahead];
};

// Where the run of pixels from `begin` ends (whole vectors only), and whether it uses the
// memo.
bool nextRun(MatcherState& state, std::size_t begin, std::size_t whole, std::size_t& end) {
    const bool withMemo = state.memoRest == 0;
    const std::size_t length = std::min(whole - begin, withMemo ? RunPixels : state.memoRest);
    end = begin + std::max<std::size_t>(Lanes, length / Lanes * Lanes);
    if (!withMemo) {
        state.memoRest -= std::min(state.memoRest, end - begin);
    }
    return withMemo;
}

// After a run with the memo: a memo that missed most of the last `RunPixels` pixels it was
// asked for, counted across calls, is left alone for a while.
void judgeMemo(MatcherState& state, std::size_t pixels, std::size_t misses) {
    state.memoAsked += pixels;
    state.memoMissed += misses;
    if (state.memoAsked >= RunPixels) {
        if (state.memoMissed > state.memoAsked * 7 / 8) {
            state.memoRest = RunPixels * RunsSkipped;
        }
        state.memoAsked = 0;
        state.memoMissed = 0;
    }
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
    const std::size_t whole = count / Lanes * Lanes;
    std::size_t i = 0;
    while (i < whole) {
        const std::size_t begin = i;
        std::size_t end = 0;
        if (nextRun(state, begin, whole, end)) {
            std::size_t misses = 0;
            for (; i < end; i += Lanes) {
                storeEight(indices + i,
                           answersOfEight(state, keysOfEight(bgr + 3 * i), false, misses));
            }
            judgeMemo(state, end - begin, misses);
        } else {
            BoxesAhead ahead(state.cells, bgr + 3 * begin, end - begin);
            for (; i < end; i += Lanes) {
                storeEight(indices + i, searchedOfEight(state, keysOfEight(bgr + 3 * i),
                                                        ahead.take(i - begin), false));
            }
        }
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

// The indices of eight answers stored, and their distance codes added up.
struct Tally {
    [[gnu::target("avx2"), gnu::always_inline]] explicit Tally(__m256i far) : far(far) {}
    [[gnu::target("avx2"), gnu::always_inline]] void add(std::uint8_t* indices, __m256i answers) {
        storeEight(indices, answers);
        const __m256i distance = _mm256_srli_epi32(answers, MatcherMemo::DistanceShift);
        sum = _mm256_add_epi32(sum, distance);
        largest = _mm256_max_epu32(largest, distance);
        farther = _mm256_sub_epi32(farther, _mm256_cmpgt_epi32(distance, far));
    }

    __m256i far;
    __m256i sum = _mm256_setzero_si256();
    __m256i largest = _mm256_setzero_si256();
    __m256i farther = _mm256_setzero_si256();
};

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
        Tally tally(far);
        while (i < stop) {
            const std::size_t begin = i;
            std::size_t end = 0;
            const bool withMemo = nextRun(state, begin, stop, end);
            if (withMemo) {
                std::size_t misses = 0;
                for (; i < end; i += Lanes) {
                    const __m256i answers =
                        answersOfEight(state, keysOfEight(bgr + 3 * i), true, misses);
                    tally.add(indices + i, answers);
                }
                judgeMemo(state, end - begin, misses);
            } else {
                BoxesAhead ahead(state.cells, bgr + 3 * begin, end - begin);
                for (; i < end; i += Lanes) {
                    const __m256i answers = searchedOfEight(state, keysOfEight(bgr + 3 * i),
                                                            ahead.take(i - begin), true);
                    tally.add(indices + i, answers);
                }
            }
        }
        total += sumOfLanes(tally.sum);
        farCount += sumOfLanes(tally.farther);
        largest = _mm256_max_epu32(largest, tally.largest);
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
