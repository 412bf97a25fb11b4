#include "palette/palette.h"

namespace {

constexpr int StartIndex = 255;
constexpr std::int32_t StartDistance = 0x1000000;

// Squared colour distance in 32-bit arithmetic that wraps like the machine's, so that
// arguments far outside 0..255 give the same answers without undefined behaviour.
std::int32_t distance(std::int32_t red, std::int32_t green, std::int32_t blue,
                      const PaletteEntry& entry) {
    const std::uint32_t dr = static_cast<std::uint32_t>(red) - entry.red;
    const std::uint32_t dg = static_cast<std::uint32_t>(green) - entry.green;
    const std::uint32_t db = static_cast<std::uint32_t>(blue) - entry.blue;
    return static_cast<std::int32_t>(dr * dr + dg * dg + db * db);
}

} // namespace

// The reference scan: every entry in ascending order, whatever `count` says; the lowest
// allowed index wins a tie. Entry 0 is considered last even when the mask excludes it, and
// then only wins when it is strictly closer than every allowed entry. Faster matchers are
// checked against this one, so it stays plain and keeps no state.
int Palette::findNearest(std::int32_t red, std::int32_t green, std::int32_t blue) const {
    const PaletteEntry* entries = colors();
    int bestIndex = StartIndex;
    std::int32_t bestDistance = StartDistance;
    for (int i = 0; i < PaletteSize; ++i) {
        if (matchMask.test(i)) {
            const std::int32_t d = distance(red, green, blue, entries[i]);
            if (d < bestDistance) {
                bestDistance = d;
                bestIndex = i;
            }
        }
    }
    if (distance(red, green, blue, entries[0]) < bestDistance) {
        bestIndex = 0;
    }
    return bestIndex;
}
