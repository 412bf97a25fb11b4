#pragma once
// The 256-colour palette: its colour entries, the colour-match mask that says which entries
// the nearest-colour search may return, and the further colour sets and tables that palette
// files carry. Palettes are made by create() or the loaders and ended by release().

#include <cstddef>
#include <cstdint>
#include <memory>

#include "palette/bit_vector.h"

class StreamIO;

// One colour as a palette stores it: red, green, blue, flags.
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

inline constexpr int PaletteSize = 256;
inline constexpr int MaxSubPalettes = 16;
// The flags that entries set from packed colour words receive.
inline constexpr std::uint8_t EntryNoCollapse = 4;
// Bit 31 of the format flags of writeToStream() and writeFile(): a RIFF palette instead of
// the palette file with all colour sets.
inline constexpr std::uint32_t PaletteAsRiff = 0x80000000u;
// A table reference that refers to nothing.
inline constexpr std::int32_t NoTable = -1;

// Process-wide source of change numbers; it only grows.
extern std::uint32_t paletteChangeCounter;

// A colour set. Its tables live in the owning palette's `tableBlock`; the references are
// byte offsets into that block, NoTable when absent (see Palette::table()).
struct SubPalette {
    PaletteEntry colors[PaletteSize];
    std::int32_t levelTable = NoTable;     // first level group; kind 1 only
    std::int32_t lastLevelGroup = NoTable; // last level group; kind 1 only
    std::int32_t pairTable = NoTable;      // 256 rows of 256 bytes; kind 2 only
    std::int32_t indexTable = NoTable;     // 256 bytes
    std::int32_t redTable = NoTable;       // 256 floats each, from here on
    std::int32_t greenTable = NoTable;
    std::int32_t blueTable = NoTable;
    std::int32_t fourthTable = NoTable;
    std::int32_t paletteIndex = 0; // the game palette this set is, -1 for none
    std::int32_t kind = 0;         // 0, 1 or 2: which tables the set carries
};

// Why a palette file could not be used as the game palette.
enum class PaletteFileProblem {
    None,
    Missing,     // no file of that name
    Unreadable,  // the file is there but cannot be opened or read
    NotAPalette, // its contents describe no palette (a wrong RIFF form, impossible counts)
    CutShort,    // it ends before the palette it announces is complete
};

struct Palette {
    // Version, count and the colours of sub-palette 0 are laid out as a 256-entry LOGPALETTE.
    std::uint16_t version = 0x300;
    std::uint16_t count = PaletteSize;
    SubPalette subPalettes[MaxSubPalettes];
    std::int32_t subPaletteCount = 1;
    std::int32_t levelShift = 0;
    std::int32_t extraGroups = 0;
    std::int32_t levelCount = 0;
    std::int32_t tableBase = NoTable; // offset of the first table in `tableBlock`
    std::uint8_t* tableBlock = nullptr;
    std::int32_t tableBlockSize = 0; // bytes in `tableBlock`
    std::uint32_t headerValue = 0;
    BitVector matchMask;
    std::uint32_t changeNumber = 0;
    std::uint8_t* auxTable = nullptr; // AuxTableSize bytes when present
    std::uint32_t auxValue1 = 0;
    std::uint32_t auxValue2 = 0;

    static constexpr std::int32_t AuxTableSize = 1024;

    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    // A palette of 256 black entries whose mask allows indices 10 to 245; null when memory
    // runs out.
    static Palette* create();
    static Palette* createFromEntries(const PaletteEntry* entries);
    static Palette* createFromPacked(const std::uint32_t* packed);
    // Frees the palette and everything it owns; null is allowed.
    static void release(Palette* palette);

    // Copies `count` entries in, then touch().
    void setEntries(const PaletteEntry* entries);
    // Converts 256 words 0x00RRGGBB into entries with flags EntryNoCollapse, then touch().
    // `packed` may be this palette's own colours: each word is read before it is replaced.
    void setPackedColors(const std::uint32_t* packed);
    // Copies `count` entries out, as stored.
    void getEntries(PaletteEntry* entries) const;
    // Writes 256 quads of blue, green, red, 0.
    void getQuads(std::uint8_t* quads) const;
    // The sixteen fixed system colours into entries 0 to 7 and 248 to 255.
    void setDefaultColors();
    // Index of the allowed entry nearest to the colour (see the definition for the rules).
    int findNearest(std::int32_t red, std::int32_t green, std::int32_t blue) const;
    void touch();
    // Replaces `auxTable` with a zeroed one; false when it can't be allocated.
    bool allocAuxTable();
    void freeAuxTable();
    // Frees `tableBlock` and clears every table reference.
    void freeTables();

    // The bytes a table reference refers to; null for NoTable.
    std::uint8_t* table(std::int32_t reference) {
        return reference == NoTable ? nullptr : tableBlock + reference;
    }
    const std::uint8_t* table(std::int32_t reference) const {
        return reference == NoTable ? nullptr : tableBlock + reference;
    }
    PaletteEntry* colors() { return subPalettes[0].colors; }
    const PaletteEntry* colors() const { return subPalettes[0].colors; }

    // Palette files. The loaders return a new palette or null; the rest report success.
    static Palette* loadFile(const char* name);
    static Palette* loadStream(StreamIO& stream);
    // As loadFile, but only a whole palette file loads: a RIFF palette, or any other file
    // that delivers everything the "PL98" layout announces, whatever its first four bytes
    // (stored palettes may carry anything there). The lenient reading turns an empty or
    // cut-short file into a mostly black palette, which is no palette to convert artwork
    // with. `problem` says why a file did not load.
    static Palette* loadWholeFile(const char* name);
    static Palette* loadWholeFile(const char* name, PaletteFileProblem& problem);
    bool readFile(const char* name);
    bool readFromStream(StreamIO& stream);
    bool readRiff(StreamIO& stream);
    bool writeToStream(StreamIO& stream, std::uint32_t format) const;
    bool writeRiff(StreamIO& stream) const;
    bool writeFile(const char* name, std::uint32_t format) const;

  private:
    Palette() = default;
    ~Palette() = default;
    // As readFromStream; `riff` says which format the first four bytes chose.
    bool readFromStream(StreamIO& stream, bool& riff);
    // A RIFF palette after its "RIFF" tag.
    bool readRiffAfterTag(StreamIO& stream);
    bool readPl98(StreamIO& stream);
    bool writePl98(StreamIO& stream) const;
};

// Holds a palette and releases it.
struct PaletteReleaser {
    void operator()(Palette* palette) const { Palette::release(palette); }
};
using PalettePtr = std::unique_ptr<Palette, PaletteReleaser>;
