#pragma once
// The cells of the fast matcher. Colour space is cut into cubes of 8 levels a side; a cell
// lists the few palette entries that can be nearest somewhere inside it, in tie order. A
// cell is worked out the first time a colour inside it is looked up, so an image pays only
// for the part of colour space its pixels visit.

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

    // A cell as the lookups see it: either one entry wins throughout (`isSingle`), or it
    // says where its candidates are. `key` is red << 16 | green << 8 | blue. Building a cell
    // may throw std::bad_alloc, leaving the cells as they were.
    std::uint32_t cellFor(std::uint32_t key) {
        const std::uint32_t cell = cells[cellNumber(key)];
        return cell != NotBuilt ? cell : build(key);
    }
    static bool isSingle(std::uint32_t cell) { return (cell & SingleFlag) != 0; }
    static std::uint8_t singleIndex(std::uint32_t cell) { return static_cast<std::uint8_t>(cell); }
    CellCandidates candidates(std::uint32_t cell) const {
        const std::uint32_t* at = stored.data() + cell;
        const auto count = static_cast<int>(at[0]);
        return {at + 1, at + 1 + count, reinterpret_cast<const std::uint8_t*>(at + 1 + 2 * count),
                count};
    }
    // The nearest contender found by comparing them all, for when a cell can't be built.
    std::uint8_t nearestOfAll(std::uint32_t key) const;

    std::size_t cellsBuilt() const { return built; }
    // Candidates per built cell, on average: how well the pruning worked.
    double averageCandidates() const;
    // Memory held besides the object itself, in bytes.
    std::size_t bytesUsed() const;

  private:
    static constexpr int CellShift = 3;            // cells of 8 levels a side
    static constexpr int AxisBits = 8 - CellShift; // 32 cells along each axis
    // Boxes of 256, 128, 64, 32 and 16 levels a side keep their lists for the cells inside.
    static constexpr int BoxLevels = AxisBits;
    static constexpr std::uint32_t NotBuilt = 0;
    static constexpr std::uint32_t SingleFlag = 0x80000000u;

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

    static std::size_t cellNumber(std::uint32_t key) {
        constexpr std::uint32_t Axis = (1u << AxisBits) - 1;
        return (key >> (16 + CellShift) & Axis) << (2 * AxisBits) |
               (key >> (8 + CellShift) & Axis) << AxisBits | (key >> CellShift & Axis);
    }
    static Box boxAround(std::uint32_t key, int shift);
    std::uint32_t build(std::uint32_t key);
    const Span& boxList(std::uint32_t key, int level);
    static bool beatsThroughout(const Candidate& winner, const Candidate& loser, const Box& box);
    void keepPossible(const Span& parent, const Box& box);
    void dropBeaten(const Box& box);
    std::uint32_t store();

    std::vector<std::uint8_t> rankToIndex;
    std::vector<std::uint32_t> cells;
    // Candidate lists of the boxes built so far, one after another; `boxes` says where.
    std::vector<Candidate> lists;
    std::array<std::vector<Span>, BoxLevels> boxes;
    // The cells' candidates in the layout of `CellCandidates`, each after its place count.
    std::vector<std::uint32_t> stored;
    std::vector<Candidate> scratch;
    std::vector<Candidate> winners;
    std::vector<Candidate> survivors;
    std::size_t built = 0;
    std::size_t candidateCount = 0;
};
