#pragma once
// Everything the remapper keeps for the length of a run, in one place: the window and its
// controls, the game palette, the names still to convert and the counters of the time
// estimate. The operations that reach outside (the clock, making the 8-bit bitmap and the
// matcher) come in through `RemapperSeams`, so tests can drive them.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/band_buffer.h"
#include "app/dither_method.h"
#include "app/file_list.h"
#include "app/preview_folder.h"
#include "app/skin_writer.h"
#include "bitmap/bitmap.h"
#include "palette/nearest_matcher.h"
#include "palette/ordered_dither.h"
#include "palette/palette.h"
#include "platform/clock.h"
#include "platform/held_folder.h"
#include "platform/process.h"
#include "ui/ui.h"

struct RemapperSeams {
    std::uint32_t (*tickCount)() = platform::tickCount;
    Bitmap* (*createBitmap)(std::int32_t width, std::int32_t height,
                            std::int32_t bitDepth) = Bitmap::create;
    std::unique_ptr<NearestMatcher> (*createMatcher)(const Palette& palette) =
        NearestMatcher::create;
    // Off only where a benchmark weighs what working out how far the colours moved costs.
    bool measureDistances = true;
    // Converted skins are written on a thread of their own where there is a core for it.
    bool writerThread = platform::processorCount() > 1;
    // A picture of at least this many pixels is mapped by two threads at once where there is
    // a core for the second; 0 never. Below it, starting the thread would cost more than it
    // saves, and the writer thread has the other core.
    std::int64_t sharedMappingPixels = platform::processorCount() > 1 ? std::int64_t{1} << 20 : 0;
    // Bytes of a 24-bit BMP's rows read and mapped at once (a row at least): small enough
    // that a band is still in the processor's cache when it is mapped.
    std::int32_t bandBytes = 256 * 1024;
};

struct RemapperState {
    explicit RemapperState(ui::UserInterface& ui, RemapperSeams seams = {})
        : ui(ui), seams(seams),
          writer(seams.writerThread, groupSizeFor(platform::openFilesLeft())) {}

    ui::UserInterface& ui;
    RemapperSeams seams;

    ui::WindowId mainWindow = ui::NoWindow;
    ui::WindowId progressBar = ui::NoWindow;
    ui::WindowId timeLabel = ui::NoWindow;
    ui::WindowId fileLabel = ui::NoWindow;
    ui::WindowId quitButton = ui::NoWindow;

    // Where converted skins are written, held open for the run; null to write them over
    // the originals.
    platform::SharedFolder outputFolder;
    // A dry run converts in memory only: nothing is written into the folder of skins, nor
    // into the output folder.
    bool dryRun = false;
    // Where pictures of the skins go; null when the run makes none.
    PreviewFolder* preview = nullptr;
    // Off unless asked for: without it every skin is written as it always was.
    DitherMethod dither = DitherMethod::None;

    // Writes the converted skins and puts them in place: a skin counts as converted only
    // once it is, and the run ends with none left waiting.
    SkinWriter writer;
    // How far the colours of each skin handed to the writer moved, in the order handed over:
    // its outcome takes them along when it comes back.
    std::deque<std::optional<ui::ColourDistances>> handedDistances;

    PalettePtr skinPalette;
    // Built from `skinPalette` at the first conversion; null until then, or if memory ran out.
    std::unique_ptr<NearestMatcher> matcher;
    // The second mapping thread's own, made like `matcher` at the first large picture: a
    // matcher learns as it maps, so two threads can't share one.
    std::unique_ptr<NearestMatcher> secondMatcher;
    // The ordered pattern's thresholds for `skinPalette`, made at the first conversion that
    // dithers with it.
    std::optional<OrderedDither> ordered;
    // Where the rows of a skin converted a band at a time are read, kept for the batch.
    BandBuffer band;
    bool quitRequested = false;
    // The tick count when the main window was made. Kept whole: in single precision it would
    // be rounded by up to 128 ms after some hours of uptime, ahead of the clock at times.
    std::uint32_t startTicks = 0;

    // Watch mode: after each batch the run waits for saves, and takes them as the next.
    struct Watching {
        bool on = false;
        bool idle = false;      // the last batch is done, and told
        bool announced = false; // the user was told the run now follows the folder
        // Skins that another program still writes, to try again in a moment.
        std::vector<std::string> busy;
    } watching;

    FileList fileList;
    std::int32_t filesListed = 0; // names the list was made with
    float filesTotal = 0.0f;      // files the estimate counts
    float filesDone = 0.0f;       // files converted to the end and handed to the writer
    float fileFraction = 0.0f;    // share of the current file converted so far
    bool doneShown = false;

    ui::RunSummary summary;
};
