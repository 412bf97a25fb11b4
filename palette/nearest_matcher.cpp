#include "palette/nearest_matcher.h"

#include <algorithm>
#include <limits>
#include <new>

#include "palette/palette.h"

namespace {

// Colour space is cut into cubes of CellSize levels a side; each keeps only the entries
// that can be nearest for some colour inside it.
constexpr int CellShift = 3;
constexpr int CellSize = 1 << CellShift;
constexpr int CellsPerAxis = 256 / CellSize;
constexpr int CellCount = CellsPerAxis * CellsPerAxis * CellsPerAxis;
// Boxes of 256, 128, ..., CellSize levels a side, and one more list for a cell's survivors.
constexpr int Levels = 9 - CellShift + 1;

// 2^16 slots of 4 bytes: small enough to stay in the second-level cache.
constexpr int MemoBits = 16;
constexpr std::uint32_t WhiteKey = 0xFFFFFF;

constexpr std::uint32_t colorKey(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return red << 16 | green << 8 | blue;
}

constexpr std::uint32_t memoSlot(std::uint32_t key) {
    return (key * 0x9E3779B1u) >> (32 - MemoBits);
}

constexpr int cellOf(int red, int green, int blue) {
    return (red >> CellShift) * CellsPerAxis * CellsPerAxis + (green >> CellShift) * CellsPerAxis +
           (blue >> CellShift);
}

constexpr int square(int value) {
    return value * value;
}

// Distance along one axis from `value` to the nearest and farthest level of [low, high].
constexpr int nearestGap(int value, int low, int high) {
    return value < low ? low - value : value > high ? value - high : 0;
}
constexpr int farthestGap(int value, int low, int high) {
    return std::max(value - low, high - value);
}

// Smallest value over [low, high] of (p - a)^2 - (p - b)^2, which is linear in p.
constexpr int smallestDifference(int a, int b, int low, int high) {
    const auto at = [a, b](int p) { return square(p - a) - square(p - b); };
    return std::min(at(low), at(high));
}

} // namespace

std::unique_ptr<NearestMatcher> NearestMatcher::create(const Palette& palette) {
    try {
        return std::make_unique<NearestMatcher>(palette);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

NearestMatcher::NearestMatcher(const Palette& palette)
    : cells(CellCount), levelScratch(Levels), memo(std::size_t{1} << MemoBits) {
    // The tie order: allowed entries by index, then entry 0 when its bit is clear, since it
    // then loses every tie. At most 256 entries compete, so a rank fits a byte.
    std::vector<int> order;
    for (int i = 0; i < EntryCount; ++i) {
        if (palette.matchMask.test(i)) {
            order.push_back(i);
        }
    }
    if (!palette.matchMask.test(0)) {
        order.push_back(0);
    }

    // An entry whose colour an earlier-ranked entry already has can never win.
    std::vector<Candidate> all;
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const auto index = static_cast<std::size_t>(order[rank]);
        const PaletteEntry& color = palette.colors()[index];
        const bool repeated = std::any_of(all.begin(), all.end(), [&](const Candidate& seen) {
            return seen.red == color.red && seen.green == color.green && seen.blue == color.blue;
        });
        if (!repeated) {
            all.push_back({color.red, color.green, color.blue, static_cast<std::uint8_t>(rank)});
        }
        rankToIndex[rank] = static_cast<std::uint8_t>(index);
    }

    buildCells(all);
    levelScratch = {};
    memo.assign(memo.size(), WhiteKey << 8 | search(255, 255, 255));
}

void NearestMatcher::buildCells(const std::vector<Candidate>& all) {
    refine({0, 0, 0, 256}, all, 0);
    overflow.shrink_to_fit();
}

// Keeps the entries of `parent` that can be nearest somewhere in `box`, then splits the box
// until it is one cell. Whatever wins at a colour in the box is at most as far as the
// farthest point of the box from any one entry, so an entry whose nearest point of the box
// is beyond that bound never wins there.
void NearestMatcher::refine(const Box& box, const std::vector<Candidate>& parent, int level) {
    const int redHigh = box.red + box.size - 1;
    const int greenHigh = box.green + box.size - 1;
    const int blueHigh = box.blue + box.size - 1;

    int bound = std::numeric_limits<int>::max();
    for (const Candidate& c : parent) {
        bound = std::min(bound, square(farthestGap(c.red, box.red, redHigh)) +
                                    square(farthestGap(c.green, box.green, greenHigh)) +
                                    square(farthestGap(c.blue, box.blue, blueHigh)));
    }
    std::vector<Candidate>& kept = levelScratch[static_cast<std::size_t>(level)];
    kept.clear();
    for (const Candidate& c : parent) {
        const int nearest = square(nearestGap(c.red, box.red, redHigh)) +
                            square(nearestGap(c.green, box.green, greenHigh)) +
                            square(nearestGap(c.blue, box.blue, blueHigh));
        if (nearest <= bound) {
            kept.push_back(c);
        }
    }

    if (box.size == CellSize) {
        storeCell(box, kept);
        return;
    }

    const int half = box.size / 2;
    for (int child = 0; child < 8; ++child) {
        const Box part{box.red + (child >> 2 & 1) * half, box.green + (child >> 1 & 1) * half,
                       box.blue + (child & 1) * half, half};
        refine(part, kept, level + 1);
    }
}

// Drops the entries that another one beats at every colour of the cell (strictly closer
// throughout, or never farther and first in the tie order), then stores the rest.
void NearestMatcher::storeCell(const Box& box, const std::vector<Candidate>& kept) {
    const int redHigh = box.red + box.size - 1;
    const int greenHigh = box.green + box.size - 1;
    const int blueHigh = box.blue + box.size - 1;
    const auto beatenEverywhere = [&](const Candidate& loser) {
        return std::any_of(kept.begin(), kept.end(), [&](const Candidate& winner) {
            if (winner.rank == loser.rank) {
                return false;
            }
            const int margin = smallestDifference(loser.red, winner.red, box.red, redHigh) +
                               smallestDifference(loser.green, winner.green, box.green, greenHigh) +
                               smallestDifference(loser.blue, winner.blue, box.blue, blueHigh);
            return margin > 0 || (margin == 0 && winner.rank < loser.rank);
        });
    };
    std::vector<Candidate>& survivors = levelScratch.back();
    survivors.clear();
    for (const Candidate& c : kept) {
        if (kept.size() == 1 || !beatenEverywhere(c)) {
            survivors.push_back(c);
        }
    }
    candidateCount += survivors.size();

    Cell& cell = cells[static_cast<std::size_t>(cellOf(box.red, box.green, box.blue))];
    for (std::size_t i = 0; i < InlineCandidates; ++i) {
        cell.first[i] = i < survivors.size() ? survivors[i] : survivors.front();
    }
    cell.more = 0;
    if (survivors.size() > InlineCandidates) {
        cell.more = static_cast<std::uint32_t>(overflow.size()) << 8 |
                    static_cast<std::uint32_t>(survivors.size() - InlineCandidates);
        overflow.insert(overflow.end(), survivors.begin() + InlineCandidates, survivors.end());
    }
}

std::uint8_t NearestMatcher::search(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    const Cell& cell = cells[static_cast<std::size_t>(cellOf(red, green, blue))];
    // Distance and rank in one key: the smallest key is the nearest entry, ties going to
    // the lower rank. Distances stay below 2^18, so the key fits easily.
    const auto key = [&](const Candidate& c) {
        return static_cast<std::uint32_t>(square(red - c.red) + square(green - c.green) +
                                          square(blue - c.blue))
                   << 8 |
               c.rank;
    };
    std::uint32_t best = std::min({key(cell.first[0]), key(cell.first[1]), key(cell.first[2])});
    if (cell.more != 0) {
        const Candidate* more = overflow.data() + (cell.more >> 8);
        for (std::uint32_t i = 0; i < (cell.more & 0xFF); ++i) {
            best = std::min(best, key(more[i]));
        }
    }
    return rankToIndex[best & 0xFF];
}

std::uint8_t NearestMatcher::find(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    // Every slot starts out holding white's own answer, so an unused slot can't give a
    // wrong one.
    const std::uint32_t key = colorKey(red, green, blue);
    std::uint32_t& slot = memo[memoSlot(key)];
    if (slot >> 8 == key) {
        return static_cast<std::uint8_t>(slot);
    }
    const std::uint8_t index = search(red, green, blue);
    slot = key << 8 | index;
    return index;
}

// No shortcut for a pixel equal to the one before: on photos that test mispredicts more
// often than the memo misses, and artwork is served from the memo just as well.
void NearestMatcher::mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, bgr += 3) {
        indices[i] = find(bgr[2], bgr[1], bgr[0]);
    }
}

double NearestMatcher::averageCandidates() const {
    return static_cast<double>(candidateCount) / static_cast<double>(cells.size());
}
