#include "palette/matcher_cells.h"

#include <algorithm>
#include <limits>

namespace {

// Candidates tried first as winners when pruning a box.
constexpr std::ptrdiff_t FirstTried = 4;

int redOf(std::uint32_t key) {
    return static_cast<int>(key >> 16 & 0xFF);
}
int greenOf(std::uint32_t key) {
    return static_cast<int>(key >> 8 & 0xFF);
}
int blueOf(std::uint32_t key) {
    return static_cast<int>(key & 0xFF);
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

// Places for `count` candidates: four, or whole groups of eight, so that the lookups can
// compare a fixed number at a time.
std::size_t placesFor(std::size_t count) {
    return count <= 4 ? 4 : (count + 7) / 8 * 8;
}

} // namespace

MatcherCells::MatcherCells(const std::vector<Contender>& contenders)
    : grid(std::size_t{1} << (3 * GridBits), NotBuilt), stored(1, 0) {
    // Place 0 of `stored` stays unused, so that no list starts there: 0 marks a box not
    // built yet.
    for (std::size_t rank = 0; rank < contenders.size(); ++rank) {
        const Contender& c = contenders[rank];
        rankIndices[rank] = c.index;
        // Ranks follow the indices but for entry 0 with its bit clear, which comes last.
        const bool last = c.index == 0 && rank + 1 == contenders.size() && rank > 0;
        contenderKeys[c.index] = std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue |
                                 (last ? LosesTies : 0);
        lists.push_back({c.red, c.green, c.blue, static_cast<std::uint8_t>(rank)});
    }
    for (int level = 0; level < BoxLevels; ++level) {
        boxes[static_cast<std::size_t>(level)].resize(std::size_t{1} << (3 * level));
    }
    boxes[0][0] = {0, static_cast<std::uint32_t>(lists.size())};
}

double MatcherCells::averageCandidates() const {
    return built == 0 ? 0.0 : static_cast<double>(candidateCount) / static_cast<double>(built);
}

std::size_t MatcherCells::bytesUsed() const {
    std::size_t bytes =
        grid.capacity() * sizeof(std::uint32_t) + lists.capacity() * sizeof(Candidate) +
        stored.capacity() * sizeof(std::uint32_t) +
        (scratch.capacity() + winners.capacity() + survivors.capacity() + boxSurvivors.capacity()) *
            sizeof(Candidate);
    for (const std::vector<Span>& level : boxes) {
        bytes += level.capacity() * sizeof(Span);
    }
    return bytes;
}

std::uint8_t MatcherCells::nearestOfAll(std::uint32_t key) const {
    const auto first = lists.begin();
    const auto last = first + boxes[0][0].count;
    std::uint32_t best = 0xFFFFFFFF;
    for (auto c = first; c != last; ++c) {
        const int dr = redOf(key) - c->red;
        const int dg = greenOf(key) - c->green;
        const int db = blueOf(key) - c->blue;
        best =
            std::min(best, static_cast<std::uint32_t>(dr * dr + dg * dg + db * db) << 8 | c->rank);
    }
    return rankIndices[best & 0xFF];
}

std::uint32_t MatcherCells::nearestHeld(std::uint32_t box, std::uint32_t key) const {
    const auto closeness = [&](int place) {
        const std::uint32_t index = indexAt(box, place);
        const std::uint32_t colour = contenderKeys[index];
        const int dr = redOf(key) - redOf(colour);
        const int dg = greenOf(key) - greenOf(colour);
        const int db = blueOf(key) - blueOf(colour);
        return static_cast<std::uint32_t>(dr * dr + dg * dg + db * db) << SquaredShift |
               (colour >> 24) << 8 | index;
    };
    if (isSingle(box)) {
        return closeness(0);
    }
    return std::min({closeness(0), closeness(1), closeness(2)});
}

// Works out the cell around the colour, then each of its 8 boxes of the grid from the
// cell's candidates. Nothing is written to the grid before every entry is known, so that
// running out of memory on the way leaves the grid as it was.
std::uint32_t MatcherCells::build(std::uint32_t key) {
    const Span parent = boxList(key, BoxLevels - 1);
    const Box cell = boxAround(key, CellShift);
    keepPossible(parent, cell);
    dropBeaten(cell);

    constexpr int Side = 1 << GridShift;
    std::array<std::uint32_t, 8> numbers{};
    std::array<std::uint32_t, 8> entries{};
    std::vector<std::uint32_t> listsOfCell;
    for (std::size_t sub = 0; sub < entries.size(); ++sub) {
        const Box box{cell.red + static_cast<int>(sub >> 2) * Side,
                      cell.green + static_cast<int>(sub >> 1 & 1) * Side,
                      cell.blue + static_cast<int>(sub & 1) * Side, Side};
        numbers[sub] =
            boxNumber(static_cast<std::uint32_t>(box.red << 16 | box.green << 8 | box.blue));
        boxSurvivors.clear();
        for (const Candidate& loser : survivors) {
            const bool beaten =
                std::any_of(survivors.begin(), survivors.end(), [&](const Candidate& winner) {
                    return beatsThroughout(winner, loser, box);
                });
            if (!beaten) {
                boxSurvivors.push_back(loser);
            }
        }
        entries[sub] = entryFor(boxSurvivors, listsOfCell);
    }
    for (std::size_t sub = 0; sub < entries.size(); ++sub) {
        grid[numbers[sub]] = entries[sub];
    }
    ++built;
    candidateCount += survivors.size();
    return grid[boxNumber(key)];
}

// The grid entry of a box with these candidates. Up to three fit in the entry itself, by
// palette index; a longer list is stored once for all the boxes of the cell that have it, whose
// places in `stored` `listsOfCell` keeps.
std::uint32_t MatcherCells::entryFor(const std::vector<Candidate>& candidates,
                                     std::vector<std::uint32_t>& listsOfCell) {
    const auto index = [&](std::size_t i) {
        return std::uint32_t{rankIndices[candidates[i].rank]};
    };
    switch (candidates.size()) {
    case 1:
        return IndicesFlag | SingleFlag | index(0) * 0x010101u;
    case 2:
        return IndicesFlag | index(0) | index(1) << 8 | index(0) << 16;
    case 3:
        return IndicesFlag | index(0) | index(1) << 8 | index(2) << 16;
    default:
        break;
    }
    const std::size_t places = placesFor(candidates.size());
    const auto sameList = [&](std::uint32_t start) {
        const CellCandidates list = this->candidates(start);
        if (static_cast<std::size_t>(list.count) != places) {
            return false;
        }
        for (std::size_t place = 0; place < places; ++place) {
            const std::size_t i = place < candidates.size() ? place : 0;
            if (list.indices[place] != rankIndices[candidates[i].rank]) {
                return false;
            }
        }
        return true;
    };
    const auto found = std::find_if(listsOfCell.begin(), listsOfCell.end(), sameList);
    if (found != listsOfCell.end()) {
        return *found;
    }
    listsOfCell.push_back(store(candidates));
    return listsOfCell.back();
}

// The box of 1 << shift levels a side around the colour.
MatcherCells::Box MatcherCells::boxAround(std::uint32_t key, int shift) {
    return {redOf(key) >> shift << shift, greenOf(key) >> shift << shift,
            blueOf(key) >> shift << shift, 1 << shift};
}

// The list of the box of 256 >> level levels a side around the colour, worked out from the
// list of the box around it the first time it is asked for.
const MatcherCells::Span& MatcherCells::boxList(std::uint32_t key, int level) {
    std::vector<Span>& spans = boxes[static_cast<std::size_t>(level)];
    const int shift = 8 - level;
    const std::size_t number = static_cast<std::size_t>(redOf(key) >> shift) << (2 * level) |
                               static_cast<std::size_t>(greenOf(key) >> shift) << level |
                               static_cast<std::size_t>(blueOf(key) >> shift);
    Span& span = spans[number];
    if (level > 0 && span.count == 0) {
        const Span parent = boxList(key, level - 1);
        keepPossible(parent, boxAround(key, shift));
        const auto start = static_cast<std::uint32_t>(lists.size());
        lists.insert(lists.end(), scratch.begin(), scratch.end());
        span = {start, static_cast<std::uint32_t>(scratch.size())};
    }
    return span;
}

// True when `winner` beats `loser` at every colour of the box: strictly closer throughout,
// or never farther and first in the tie order. Whatever beats `loser` at a colour is then
// never `loser` itself.
bool MatcherCells::beatsThroughout(const Candidate& winner, const Candidate& loser,
                                   const Box& box) {
    if (winner.rank == loser.rank) {
        return false;
    }
    const int high = box.size - 1;
    const int margin = smallestDifference(loser.red, winner.red, box.red, box.red + high) +
                       smallestDifference(loser.green, winner.green, box.green, box.green + high) +
                       smallestDifference(loser.blue, winner.blue, box.blue, box.blue + high);
    return margin > 0 || (margin == 0 && winner.rank < loser.rank);
}

// Keeps in `scratch` the candidates of `parent` that can be nearest somewhere in `box`.
// Whatever wins at a colour in the box is at most as far as the farthest point of the box
// from any one candidate, so a candidate whose nearest point of the box is beyond that
// bound never wins there; nor does one that a candidate near the middle of the box beats
// throughout. Afterwards `winners` holds the candidates kept by the bound, those nearest
// the middle first.
void MatcherCells::keepPossible(const Span& parent, const Box& box) {
    const int redHigh = box.red + box.size - 1;
    const int greenHigh = box.green + box.size - 1;
    const int blueHigh = box.blue + box.size - 1;
    const auto first = lists.begin() + parent.start;
    const auto last = first + parent.count;

    int bound = std::numeric_limits<int>::max();
    for (auto c = first; c != last; ++c) {
        bound = std::min(bound, square(farthestGap(c->red, box.red, redHigh)) +
                                    square(farthestGap(c->green, box.green, greenHigh)) +
                                    square(farthestGap(c->blue, box.blue, blueHigh)));
    }
    scratch.clear();
    for (auto c = first; c != last; ++c) {
        const int nearest = square(nearestGap(c->red, box.red, redHigh)) +
                            square(nearestGap(c->green, box.green, greenHigh)) +
                            square(nearestGap(c->blue, box.blue, blueHigh));
        if (nearest <= bound) {
            scratch.push_back(*c);
        }
    }

    const auto fromMiddle = [&](const Candidate& c) {
        return square(2 * c.red - box.red - redHigh) + square(2 * c.green - box.green - greenHigh) +
               square(2 * c.blue - box.blue - blueHigh);
    };
    winners = scratch;
    const auto tried = winners.begin() + std::min<std::ptrdiff_t>(FirstTried, std::ssize(winners));
    std::partial_sort(
        winners.begin(), tried, winners.end(),
        [&](const Candidate& a, const Candidate& b) { return fromMiddle(a) < fromMiddle(b); });
    std::erase_if(scratch, [&](const Candidate& loser) {
        return std::any_of(winners.begin(), tried, [&](const Candidate& winner) {
            return beatsThroughout(winner, loser, box);
        });
    });
}

// Keeps in `survivors` the candidates of `scratch` that no other one beats throughout the
// cell, trying all of `winners`.
void MatcherCells::dropBeaten(const Box& box) {
    survivors.clear();
    for (const Candidate& loser : scratch) {
        const bool beaten =
            std::any_of(winners.begin(), winners.end(), [&](const Candidate& winner) {
                return beatsThroughout(winner, loser, box);
            });
        if (!beaten) {
            survivors.push_back(loser);
        }
    }
}

// Stores a list of candidates in the layout of `CellCandidates`. Its place is below 2^30, far
// more than any palette can fill, so it never looks like the flags of an entry holding indices.
std::uint32_t MatcherCells::store(const std::vector<Candidate>& candidates) {
    const std::size_t places = placesFor(candidates.size());
    const std::size_t start = stored.size();
    stored.resize(start + 1 + 2 * places + places / 4);
    std::uint32_t* at = stored.data() + start;
    at[0] = static_cast<std::uint32_t>(places);
    auto* indices = reinterpret_cast<std::uint8_t*>(at + 1 + 2 * places);
    for (std::size_t place = 0; place < places; ++place) {
        const Candidate& c = place < candidates.size() ? candidates[place] : candidates.front();
        at[1 + place] = std::uint32_t{c.red} | std::uint32_t{c.green} << 16;
        at[1 + places + place] = c.blue;
        indices[place] = rankIndices[c.rank];
    }
    return static_cast<std::uint32_t>(start);
}
