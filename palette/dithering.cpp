#include "palette/dithering.h"

#include "palette/matcher_kernels.h"

void NearestColour::mapPixels(const std::uint8_t* bgr, std::uint8_t* indices,
                              std::size_t count) const {
    if (matcher != nullptr) {
        matcher->mapPixels(bgr, indices, count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i, bgr += 3) {
        indices[i] = static_cast<std::uint8_t>(palette.findNearest(bgr[2], bgr[1], bgr[0]));
    }
}

MovedDistances::MovedDistances(const MatchDistances& far) : farLimit(farCode(far)) {}

void MovedDistances::addTo(MatchDistances& distances) const {
    addDistances(distances, codeTotal, largestCode, farCount);
}
