#include "palette/palette.h"

#include <algorithm>
#include <cstring>
#include <new>

std::uint32_t paletteChangeCounter = 0;

// Other parts hand the first fields to interfaces that expect a LOGPALETTE of 256 entries.
static_assert(sizeof(PaletteEntry) == 4);
static_assert(offsetof(Palette, count) == 2);
static_assert(offsetof(Palette, subPalettes) == 4);
static_assert(offsetof(SubPalette, colors) == 0);

namespace {

constexpr std::int32_t MaskBits = PaletteSize;
// Indices the nearest-colour search may return in a new palette; the ends of the palette
// are kept for the system colours.
constexpr std::int32_t FirstDefaultMatch = 10;
constexpr std::int32_t LastDefaultMatch = 245;

struct FixedColor {
    int index;
    std::uint8_t red, green, blue;
};

constexpr FixedColor SystemColors[] = {
    {0, 0, 0, 0},         {1, 128, 0, 0},     {2, 0, 128, 0},     {3, 128, 128, 0},
    {4, 0, 0, 128},       {5, 128, 0, 128},   {6, 0, 128, 128},   {7, 192, 192, 192},
    {248, 128, 128, 128}, {249, 255, 0, 0},   {250, 0, 255, 0},   {251, 255, 255, 0},
    {252, 0, 0, 255},     {253, 255, 0, 255}, {254, 0, 255, 255}, {255, 255, 255, 255},
};

// `count` is a 16-bit field that a caller may set to anything; never move more than the
// 256 entries there are.
std::size_t entryBytes(std::uint16_t count) {
    return std::size_t{std::min<std::uint16_t>(count, PaletteSize)} * sizeof(PaletteEntry);
}

} // namespace

Palette* Palette::create() {
    PalettePtr palette(new (std::nothrow) Palette);
    if (!palette) {
        return nullptr;
    }
    // Without storage for the mask the palette could not hold its default bits, so a
    // palette without a mask is not made at all.
    BitVector& mask = palette->matchMask;
    if (!mask.resize(MaskBits)) {
        return nullptr;
    }
    std::fill(mask.words, mask.words + mask.wordCount, 0u);
    mask.setRange(FirstDefaultMatch, LastDefaultMatch);
    palette->changeNumber = paletteChangeCounter++;
    return palette.release();
}

Palette* Palette::createFromEntries(const PaletteEntry* entries) {
    Palette* palette = create();
    if (palette != nullptr) {
        std::memcpy(palette->colors(), entries, PaletteSize * sizeof(PaletteEntry));
    }
    return palette;
}

Palette* Palette::createFromPacked(const std::uint32_t* packed) {
    Palette* palette = create();
    if (palette != nullptr) {
        palette->setPackedColors(packed);
    }
    return palette;
}

void Palette::release(Palette* palette) {
    if (palette == nullptr) {
        return;
    }
    palette->freeTables();
    palette->freeAuxTable();
    palette->matchMask.freeWords();
    delete palette;
}

void Palette::setEntries(const PaletteEntry* entries) {
    std::memcpy(colors(), entries, entryBytes(count));
    touch();
}

void Palette::setPackedColors(const std::uint32_t* packed) {
    PaletteEntry* entries = colors();
    for (int i = 0; i < PaletteSize; ++i) {
        // Read whole before the entry it may overlap is written; copied bytewise because
        // the words may be this palette's own entries.
        std::uint32_t word = 0;
        std::memcpy(&word, reinterpret_cast<const unsigned char*>(packed) + i * sizeof(word),
                    sizeof(word));
        entries[i] = PaletteEntry{static_cast<std::uint8_t>(word >> 16),
                                  static_cast<std::uint8_t>(word >> 8),
                                  static_cast<std::uint8_t>(word), EntryNoCollapse};
    }
    touch();
}

void Palette::getEntries(PaletteEntry* entries) const {
    std::memcpy(entries, colors(), entryBytes(count));
}

void Palette::getQuads(std::uint8_t* quads) const {
    for (const PaletteEntry& entry : subPalettes[0].colors) {
        *quads++ = entry.blue;
        *quads++ = entry.green;
        *quads++ = entry.red;
        *quads++ = 0;
    }
}

void Palette::setDefaultColors() {
    for (const FixedColor& fixed : SystemColors) {
        PaletteEntry& entry = colors()[fixed.index];
        entry.red = fixed.red;
        entry.green = fixed.green;
        entry.blue = fixed.blue;
    }
}

void Palette::touch() {
    ++changeNumber;
    ++paletteChangeCounter;
}

bool Palette::allocAuxTable() {
    freeAuxTable();
    auxTable = new (std::nothrow) std::uint8_t[AuxTableSize]();
    return auxTable != nullptr;
}

void Palette::freeAuxTable() {
    delete[] auxTable;
    auxTable = nullptr;
}

void Palette::freeTables() {
    delete[] tableBlock;
    tableBlock = nullptr;
    tableBlockSize = 0;
    tableBase = NoTable;
    for (SubPalette& sub : subPalettes) {
        sub.levelTable = sub.lastLevelGroup = sub.pairTable = NoTable;
        sub.indexTable = sub.redTable = sub.greenTable = sub.blueTable = sub.fourthTable = NoTable;
    }
}
