#pragma once
// The search structure of the fast matcher. Colour space is cut into cells of 8 levels a
// side, each worked out the first time a colour inside it is looked up, so an image pays
// only for the part of colour space its pixels visit. A cell's 8 boxes of 4 levels a side
// go into a grid of 64^3 entries: a box that lies wholly in one entry's region holds that
// entry, so that most colours are answered by one lookup and no distance; a box on a border
// names its two or three candidates, or where a longer list of them is kept.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A cell's candidates, laid out for comparing several at once: `count` places (4, or a
// multiple of 8), the places after the last candidate repeating the first one, which
// changes no minimum and, coming later, loses its ties.
struct CellCandidates {
    const std::uint32_t* redGreen; // red | green << 16 per place
    const std::uint32_t* blue;     // blue per place
    const std::uint8_t* indices;   // palette index per place
    int count;
};

class MatcherCells {
  public:
    // An entry that can be returned: its colour and palette index. The list handed to the
    // constructor is in tie order (earlier wins a tie) and holds no colour twice.
    struct Contender {
        std::uint8_t red;
        std::uint8_t green;
        std::uint8_t blue;
        std::uint8_t index;
    };

    explicit MatcherCells(const std::vector<Contender>& contenders);

    // The grid entry of the colour's box: up to three candidates by palette index
    // (`holdsIndices`), one only if `isSingle`, or else where its list is (`candidates`).
    // `key` is red << 16 | green << 8 | blue. Building the box's cell may throw
    // std::bad_alloc, leaving the cells as they were.
    std::uint32_t boxFor(std::uint32_t key) {
        const std::uint32_t box = grid[boxNumber(key)];
        return box != NotBuilt ? box : build(key);
    }
    static constexpr std::uint32_t NotBuilt = 0;
    static constexpr std::uint32_t IndicesFlag = 0x80000000u;
    static constexpr std::uint32_t SingleFlag = 0x40000000u;
    static bool holdsIndices(std::uint32_t box) { return (box & IndicesFlag) != 0; }
    static bool isSingle(std::uint32_t box) { return (box & SingleFlag) != 0; }
    // The index of the candidate at `place` (0 to 2) of an entry that holds indices; places a
    // box doesn't need repeat its first candidate.
    static std::uint32_t indexAt(std::uint32_t box, int place) { return box >> (8 * place) & 0xFF; }
    CellCandidates candidates(std::uint32_t box) const {
        const std::uint32_t* at = stored.data() + box;
        const auto count = static_cast<int>(at[0]);
        return {at + 1, at + 1 + count, reinterpret_cast<const std::uint8_t*>(at + 1 + 2 * count),
                count};
    }
    // The nearest of the candidates an entry holds, as its closeness: squared distance <<
    // `SquaredShift`, then a bit set for a contender that loses every tie, then the palette
    // index, so that the smallest is the nearest, ties going the way of the tie order:
    // entries by index, entry 0 last when its bit is clear.
    std::uint32_t nearestHeld(std::uint32_t box, std::uint32_t key) const;
    static constexpr int SquaredShift = 9;
    static constexpr std::uint32_t LosesTies = 1u << 24;
    // The nearest contender found by comparing them all, for when a cell can't be built.
    std::uint8_t nearestOfAll(std::uint32_t key) const;

    // For loops that look up eight colours at once: the grid, and by palette index each
    // contender's colour as a key, with `LosesTies` for the one that loses every tie.
    static std::uint32_t boxNumber(std::uint32_t key) {
        return (key >> 6 & 0x3F000) | (key >> 4 & 0xFC0) | (key >> 2 & 0x3F);
    }
    const std::uint32_t* gridData() const { return grid.data(); }
    const std::uint32_t* contenderKeyData() const { return contenderKeys.data(); }

    std::size_t cellsBuilt() const { return built; }
    // Candidates per built cell, on average: how well the pruning worked.
    double averageCandidates() const;
    // Memory held besides the object itself, in bytes.
    std::size_t bytesUsed() const;

  private:
    static constexpr int CellShift = 3;            // cells of 8 levels a side
    static constexpr int GridShift = 2;            // boxes of 4 levels a side in the grid
    static constexpr int AxisBits = 8 - CellShift; // 32 cells along each axis
    static constexpr int GridBits = 8 - GridShift; // 64 boxes along each axis
    // Boxes of 256, 128, 64, 32 and 16 levels a side keep their lists for the cells inside.
    static constexpr int BoxLevels = AxisBits;

    // A contender and its place in the tie order.
    struct Candidate {
        std::uint8_t red;
        std::uint8_t green;
        std::uint8_t blue;
        std::uint8_t rank;
    };
    struct Box {
        int red, green, blue, size;
    };
    struct Span {
        std::uint32_t start = 0;
        std::uint32_t count = 0; // 0 until built: a built box keeps at least one candidate
    };

    static Box boxAround(std::uint32_t key, int shift);
    std::uint32_t build(std::uint32_t key);
    const Span& boxList(std::uint32_t key, int level);
    static bool beatsThroughout(const Candidate& winner, const Candidate& loser, const Box& box);
    void keepPossible(const Span& parent, const Box& box);
    void dropBeaten(const Box& box);
    std::uint32_t entryFor(const std::vector<Candidate>& boxSurvivors,
                           std::vector<std::uint32_t>& listsOfCell);
    std::uint32_t store(const std::vector<Candidate>& candidates);

    std::array<std::uint8_t, 256> rankIndices{};
    std::array<std::uint32_t, 256> contenderKeys{};
    std::vector<std::uint32_t> grid;
    // Candidate lists of the boxes built so far, one after another; `boxes` says where.
    std::vector<Candidate> lists;
    std::array<std::vector<Span>, BoxLevels> boxes;
    // The cells' candidates in the layout of `CellCandidates`, each after its place count.
    std::vector<std::uint32_t> stored;
    std::vector<Candidate> scratch;
    std::vector<Candidate> winners;
    std::vector<Candidate> survivors;
    std::vector<Candidate> boxSurvivors;
    std::size_t built = 0;
    std::size_t candidateCount = 0;
};
