#pragma once
// Exact nearest-colour matching at image speed. Gives, for every colour, the very index
// that the plain scan of the palette gives (same distance, same tie-break, same rule for
// entry 0), but looks at only the few entries that can win near that colour, and
// remembers the colours it has already answered. Building one costs next to nothing: the
// search structure grows with the part of colour space the pixels visit. Keep one per
// palette for the whole batch.

#include <cstddef>
#include <cstdint>
#include <memory>

struct Palette;
struct MatcherState;
struct MatcherKernel;

// How far the chosen colours are from the pixels' own (Euclidean, in RGB levels), added up
// over every pixel mapped with it. Each colour's distance is taken once and kept in 128ths
// of a level, rounded up: `farCount` is exact, `total` and `largest` are at most 1/128 of a
// level a pixel too high.
struct MatchDistances {
    std::uint32_t farDistance = 24; // pixels farther than this are counted in `farCount`
    double total = 0.0;
    double largest = 0.0;
    std::uint64_t farCount = 0;
};

class NearestMatcher {
  public:
    // The loops that map pixels: the fastest the processor has, unless a test or a
    // benchmark asks for another. All give the same indices.
    enum class Kernel { Fastest, Portable, Sse2, Avx2 };
    static bool kernelAvailable(Kernel kernel);
    static const char* kernelName(Kernel kernel);

    // A matcher for the palette's colours and colour-match mask as they are now; later
    // changes to the palette are not seen. Null when memory runs out.
    static std::unique_ptr<NearestMatcher> create(const Palette& palette);

    // An unavailable kernel is replaced by the portable one.
    explicit NearestMatcher(const Palette& palette, Kernel kernel = Kernel::Fastest);
    ~NearestMatcher();
    NearestMatcher(const NearestMatcher&) = delete;
    NearestMatcher& operator=(const NearestMatcher&) = delete;

    // The index the plain scan returns for this colour.
    std::uint8_t find(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // The same, straight from the search structure and not remembered: for the many colours
    // that dithering asks for, few of them asked twice.
    std::uint8_t findNearby(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Maps `count` pixels of three bytes each in blue, green, red order to indices.
    void mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count);
    // The same, adding each pixel's distance to the colour chosen for it to `distances`.
    void mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count,
                   MatchDistances& distances);

    Kernel kernel() const { return chosen; }
    // Cells worked out so far, and their candidates on average: how well pruning works.
    std::size_t cellsBuilt() const;
    double averageCandidates() const;
    // Memory held now, in bytes.
    std::size_t bytesUsed() const;

  private:
    std::unique_ptr<MatcherState> state;
    const MatcherKernel* loops;
    Kernel chosen;
};
