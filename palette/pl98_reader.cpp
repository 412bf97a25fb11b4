// Reads the palette file with all colour sets, mask and tables, after its magic. The file
// is read in stages, each checked before anything uses it as a size or count, into a
// staged copy; the palette changes only once the whole file has been taken.
//
// A file that ends early still loads: every byte it delivered is in place, a field or table
// cut short included, and whatever it did not deliver keeps the palette's earlier value (an
// empty file gives the palette as it was). Other stream failures, and headers that announce
// what cannot be held, fail the read.

#include <algorithm>
#include <array>
#include <memory>
#include <new>

#include "core/stream_fields.h"
#include "palette/palette.h"
#include "palette/palette_tables.h"
#include "palette/pl98_format.h"

namespace {

using namespace palette_tables;
using pl98_format::MaskWords;
using stream_fields::readLittle;

struct Header {
    std::int32_t subPaletteCount = 1;
    std::int32_t levelShift = 0;
    std::int32_t extraGroups = 0;
    std::uint32_t headerValue = 0;
    std::array<std::uint32_t, MaskWords> mask{};
};

// The sets as the file gives them; the palette's own until the file says otherwise.
using StagedSets = std::array<SubPalette, MaxSubPalettes>;

struct Aux {
    std::unique_ptr<std::uint8_t[]> table;
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
};

Header currentHeader(const Palette& palette) {
    Header header;
    header.subPaletteCount = palette.subPaletteCount;
    header.levelShift = palette.levelShift;
    header.extraGroups = palette.extraGroups;
    header.headerValue = palette.headerValue;
    for (int i = 0; i < MaskWords && i < palette.matchMask.wordCount; ++i) {
        header.mask[i] = palette.matchMask.words[i];
    }
    return header;
}

bool readHeader(StreamIO& stream, Header& header) {
    readLittle(stream, header.subPaletteCount);
    readLittle(stream, header.levelShift);
    readLittle(stream, header.extraGroups);
    readLittle(stream, header.headerValue);
    for (std::uint32_t& word : header.mask) {
        readLittle(stream, word);
    }
    return header.subPaletteCount >= 1 && header.subPaletteCount <= MaxSubPalettes &&
           header.levelShift >= 0 && header.levelShift <= MaxLevelShift;
}

// Straight into the staged colours, so that a short file leaves what did arrive of them.
void readSets(StreamIO& stream, std::int32_t count, StagedSets& sets) {
    for (std::int32_t i = 0; i < count; ++i) {
        SubPalette& set = sets[i];
        stream.read(static_cast<int>(sizeof set.colors), set.colors);
        readLittle(stream, set.paletteIndex);
        readLittle(stream, set.kind);
    }
}

// The stored tables go to the front of a zeroed block, room for the computed ones behind.
std::unique_ptr<std::uint8_t[]> readTableBlock(StreamIO& stream, const TableSizes& sizes) {
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[sizes.inMemory]());
    if (block) {
        stream.read(sizes.stored, block.get());
    }
    return block;
}

// False only when the table can't be allocated.
bool readAux(StreamIO& stream, Aux& aux) {
    std::uint8_t present = 0;
    readLittle(stream, present);
    if (present == pl98_format::AuxAbsent) {
        return true;
    }
    aux.table.reset(new (std::nothrow) std::uint8_t[Palette::AuxTableSize]());
    if (!aux.table) {
        return false;
    }
    stream.read(Palette::AuxTableSize, aux.table.get());
    readLittle(stream, aux.value1);
    readLittle(stream, aux.value2);
    return true;
}

bool streamUsable(StreamIO& stream) {
    const int status = stream.getStatus();
    return status == Ok || status == EndOfFile;
}

// Everything a file delivers, held apart from the palette until the whole file is read.
struct Image {
    Header header;
    std::int32_t levelCount = 0;
    std::unique_ptr<StagedSets> sets;
    TableSizes sizes;
    std::unique_ptr<std::uint8_t[]> tableBlock;
    Aux aux;
};

bool readImage(StreamIO& stream, const Palette& palette, Image& image) {
    image.header = currentHeader(palette);
    if (!readHeader(stream, image.header)) {
        return false;
    }
    image.levelCount = std::int32_t{1} << image.header.levelShift;

    image.sets.reset(new (std::nothrow) StagedSets);
    if (!image.sets) {
        return false;
    }
    std::copy(std::begin(palette.subPalettes), std::end(palette.subPalettes), image.sets->begin());
    readSets(stream, image.header.subPaletteCount, *image.sets);

    const auto sizes = tableSizes(image.sets->data(), image.header.subPaletteCount,
                                  image.levelCount, image.header.extraGroups);
    if (!sizes) {
        return false;
    }
    image.sizes = *sizes;
    if (sizes->inMemory > 0) {
        image.tableBlock = readTableBlock(stream, *sizes);
        if (!image.tableBlock) {
            return false;
        }
    }

    image.aux.value1 = palette.auxValue1;
    image.aux.value2 = palette.auxValue2;
    if (!readAux(stream, image.aux)) {
        return false;
    }
    std::uint32_t trailer = 0; // written as zero, carries nothing
    readLittle(stream, trailer);
    return streamUsable(stream);
}

void install(Palette& palette, Image& image) {
    palette.freeTables();
    palette.subPaletteCount = image.header.subPaletteCount;
    palette.levelShift = image.header.levelShift;
    palette.extraGroups = image.header.extraGroups;
    palette.levelCount = image.levelCount;
    palette.headerValue = image.header.headerValue;
    std::copy(image.header.mask.begin(), image.header.mask.end(), palette.matchMask.words);
    // Colours, identity and kind only: the table references are laid out afresh below.
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        const SubPalette& staged = (*image.sets)[i];
        SubPalette& set = palette.subPalettes[i];
        std::copy(std::begin(staged.colors), std::end(staged.colors), set.colors);
        set.paletteIndex = staged.paletteIndex;
        set.kind = staged.kind;
    }
    if (image.tableBlock) {
        palette.tableBlock = image.tableBlock.release();
        palette.tableBlockSize = image.sizes.inMemory;
        palette.tableBase = 0;
        layOutTables(palette);
    }
    // A file without an auxiliary table leaves the palette's own in place.
    if (image.aux.table) {
        palette.freeAuxTable();
        palette.auxTable = image.aux.table.release();
        palette.auxValue1 = image.aux.value1;
        palette.auxValue2 = image.aux.value2;
    }
}

} // namespace

bool Palette::readPl98(StreamIO& stream) {
    Image image;
    if (!readImage(stream, *this, image) || !matchMask.resize(PaletteSize)) {
        return false;
    }
    install(*this, image);
    touch();
    return true;
}
