#pragma once
// What both ways of dithering share: the conversion's rule for one colour, and the figures
// of how far pixels moved. Dithering asks for colours other than a pixel's own; the index
// it gets for each is the very one the conversion gives that colour, and the figures say
// how far the chosen colour is from the pixel's own, as they do without dithering.

#include <cstddef>
#include <cstdint>

#include "palette/matcher_memo.h"
#include "palette/nearest_matcher.h"
#include "palette/palette.h"

// The allowed entries, entry 0's rule and the lowest index on a tie: through the matcher
// where there is one, else the plain scan, which give the same index for every colour.
struct NearestColour {
    const Palette& palette;
    NearestMatcher* matcher = nullptr;

    std::uint8_t find(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
        if (matcher != nullptr) {
            return matcher->findNearby(red, green, blue);
        }
        return static_cast<std::uint8_t>(palette.findNearest(red, green, blue));
    }
    // `count` pixels of three bytes each in blue, green, red order to indices.
    void mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count) const;
};

// Adds up how far pixels moved to the colours chosen for them, in 128ths of a level rounded
// up, as the matcher does, so that a figure does not depend on the build either.
class MovedDistances {
  public:
    // `far` counts what lies beyond the distance it names.
    explicit MovedDistances(const MatchDistances& far);

    void add(const std::uint8_t* bgr, const PaletteEntry& chosen) {
        const std::int32_t red = bgr[2] - chosen.red;
        const std::int32_t green = bgr[1] - chosen.green;
        const std::int32_t blue = bgr[0] - chosen.blue;
        const std::uint32_t code = MatcherMemo::distanceCode(
            static_cast<std::uint32_t>(red * red + green * green + blue * blue));
        codeTotal += code;
        largestCode = code > largestCode ? code : largestCode;
        farCount += code > farLimit ? 1 : 0;
    }
    // Adds what was added up here to `distances`.
    void addTo(MatchDistances& distances) const;

  private:
    std::uint32_t farLimit; // the distance code beyond which a pixel counts as far
    std::uint64_t codeTotal = 0;
    std::uint32_t largestCode = 0;
    std::uint64_t farCount = 0;
};
