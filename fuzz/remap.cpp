// The remapper's conversion of one loaded bitmap: the check that decides whether a file is
// converted, then every pixel mapped onto a palette, nearest or dithered, as a batch step
// does it.

#include "app/batch.h"
#include "app/skin_mapping.h"
#include "app/source_check.h"
#include "fuzz/limits.h"
#include "tests/support/memory_stream.h"
#include "tests/support/scripted_ui.h"

namespace {

// Conversion costs a palette search per pixel; larger images only cost time, and this
// still spans many progress updates.
constexpr std::int64_t MaxPixels = 1 << 14;

PalettePtr makePalette() {
    PaletteEntry entries[PaletteSize];
    for (int i = 0; i < PaletteSize; ++i) {
        entries[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                      static_cast<std::uint8_t>(255 - i), 0};
    }
    PalettePtr palette(Palette::createFromEntries(entries));
    palette->matchMask.setRange(0, 254);
    return palette;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzing::MaxInputSize) {
        return 0;
    }
    testing_support::MemoryStream stream({data, data + size});
    BitmapReadReport report;
    const BitmapPtr source(Bitmap::loadStream(stream, 0, report));
    if (checkSource(source.get(), report).has_value() ||
        std::int64_t{source->width} * source->height > MaxPixels) {
        return 0;
    }
    // One palette and its matcher serve every input, as they serve a batch, its cells and
    // memo carrying over: lent to the state for the call and taken back after.
    static PalettePtr palette = makePalette();
    static std::unique_ptr<NearestMatcher> matcher = NearestMatcher::create(*palette);
    testing_support::ScriptedUi ui;
    RemapperState state(ui);
    state.skinPalette = std::move(palette);
    state.matcher = std::move(matcher);
    // Each input's length picks how it is mapped, so that every method meets every input.
    state.dither = static_cast<DitherMethod>(size % 3);
    const BitmapPtr target(Bitmap::create(source->width, source->height, 8));
    MatchDistances distances;
    if (target && remapPixels(state, *source, *target, distances) == MappingEnd::Done) {
        fuzzing::useEveryByte(target->pixels, target->imageSize);
    }
    palette = std::move(state.skinPalette);
    matcher = std::move(state.matcher);
    return 0;
}
