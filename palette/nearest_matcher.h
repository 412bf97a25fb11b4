#pragma once
// Exact nearest-colour matching at image speed. Gives, for every colour, the very index
// that the plain scan of the palette gives (same distance, same tie-break, same rule for
// entry 0), but looks at only the few entries that can win near that colour, and
// remembers the colours it has already answered. Build one per palette and keep it for
// the whole batch: building takes about ten milliseconds.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct Palette;

class NearestMatcher {
  public:
    static constexpr int EntryCount = 256;

    // A matcher for the palette's colours and colour-match mask as they are now; later
    // changes to the palette are not seen. Null when memory runs out.
    static std::unique_ptr<NearestMatcher> create(const Palette& palette);

    explicit NearestMatcher(const Palette& palette);

    // The index the plain scan returns for this colour.
    std::uint8_t find(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

    // Maps `count` pixels of three bytes each in blue, green, red order to indices.
    void mapPixels(const std::uint8_t* bgr, std::uint8_t* indices, std::size_t count);

    // Entries searched per cell, on average over all cells: how well the pruning worked.
    double averageCandidates() const;

  private:
    // A competing entry: its colour, and its place in the tie order (lower wins ties).
    struct Candidate {
        std::uint8_t red;
        std::uint8_t green;
        std::uint8_t blue;
        std::uint8_t rank;
    };
    struct Box {
        int red, green, blue, size;
    };
    // Most cells need three entries or fewer, so they sit in the cell itself and a lookup
    // is one load with no loop; the rest continue in `overflow`. Unused places repeat the
    // first entry, which changes no minimum.
    static constexpr int InlineCandidates = 3;
    struct Cell {
        Candidate first[InlineCandidates];
        std::uint32_t more; // start in `overflow` << 8 | how many; 0 for none
    };

    void buildCells(const std::vector<Candidate>& all);
    void storeCell(const Box& box, const std::vector<Candidate>& kept);
    void refine(const Box& box, const std::vector<Candidate>& parent, int level);
    std::uint8_t search(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

    std::array<std::uint8_t, EntryCount> rankToIndex{};
    std::vector<Cell> cells;
    std::vector<Candidate> overflow;
    std::size_t candidateCount = 0;
    // One scratch list per subdivision level and one for a cell, reused while the cells
    // are built.
    std::vector<std::vector<Candidate>> levelScratch;
    // Seen colours: each slot packs colour << 8 | index.
    std::vector<std::uint32_t> memo;
};
