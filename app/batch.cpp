#include "app/batch.h"

#include <algorithm>

#include "app/format_text.h"
#include "app/progress.h"
#include "app/texts.h"
#include "palette/nearest_matcher.h"
#include "platform/directory.h"
#include "platform/process.h"

namespace {

constexpr std::int32_t SourceDepth = 24;
constexpr std::int32_t TargetDepth = 8;
constexpr std::int64_t PixelsPerUpdate = 1024;

// The matcher gives exactly what findNearest gives, many times faster. It is built at the
// first conversion and kept for the batch, since the palette doesn't change during a run.
// Should memory be short for it, the conversion falls back to findNearest.
NearestMatcher* matcherFor(RemapperState& state) {
    if (!state.matcher) {
        state.matcher = state.seams.createMatcher(*state.skinPalette);
    }
    return state.matcher.get();
}

void mapRun(const Palette& palette, NearestMatcher* matcher, const std::uint8_t* bgr,
            std::uint8_t* indices, std::int32_t count) {
    if (matcher != nullptr) {
        matcher->mapPixels(bgr, indices, static_cast<std::size_t>(count));
        return;
    }
    for (std::int32_t column = 0; column < count; ++column, bgr += 3) {
        indices[column] = static_cast<std::uint8_t>(palette.findNearest(bgr[2], bgr[1], bgr[0]));
    }
}

void showFinalTexts(RemapperState& state) {
    platform::UserInterface& ui = state.ui;
    state.doneShown = true;
    ui.setText(state.timeLabel, FormatText(TimeText, 0.0));
    ui.setText(state.fileLabel, FormatText(FileText, DoneName));
    ui.updateWindow(state.mainWindow);
}

// Where a converted skin goes: over the original, or under its name into the output folder.
std::string outputPath(const RemapperState& state, const char* name) {
    if (state.outputFolder.empty()) {
        return name;
    }
    return state.outputFolder + platform::PathSeparator + name;
}

// Converts and writes one 24-bit bitmap. False when the conversion was abandoned.
bool convertFile(RemapperState& state, const char* name, const Bitmap& source) {
    const BitmapPtr target(state.seams.createBitmap(source.width, source.height, TargetDepth));
    if (!target) {
        state.filesTotal -= 1.0f;
        ++state.summary.leftAlone;
        return true;
    }
    target->paletteIndex = state.skinPalette->subPalettes[0].paletteIndex;
    if (!remapPixels(state, source, *target)) {
        return false;
    }
    if (target->writeFile(outputPath(state, name).c_str(), BitmapAsBmp)) {
        ++state.summary.converted;
    } else {
        ++state.summary.failed;
        state.ui.messageBox(platform::NoWindow, ErrorCaption, FormatText(WriteFailedText, name),
                            platform::MessageIcon::Information, platform::MessageButtons::Ok);
    }
    state.filesDone += 1.0f;
    return true;
}

} // namespace

SourceCheck checkSource(const Bitmap* source, const BitmapReadReport& report) {
    if (source == nullptr || source->bitDepth != SourceDepth || source->pixels == nullptr ||
        source->width < 0 || source->height < 0 ||
        source->stride < std::int64_t{source->width} * 3) {
        return SourceCheck::NotConvertible;
    }
    // The buffer must hold every row, and every byte of it must have come from the file.
    const std::int64_t needed = std::int64_t{source->height} * source->stride;
    if (source->imageSize < needed || report.pixelBytesRead < source->imageSize) {
        return SourceCheck::PixelsMissing;
    }
    return SourceCheck::Convertible;
}

void BuildFileList(RemapperState& state) {
    platform::DirectorySearch search(SkinExtension);
    while (const char* name = search.next()) {
        // A name that cannot be stored for lack of memory is not converted.
        state.fileList.add(name);
    }
    platform::UserInterface& ui = state.ui;
    // The bar's range is 16 bits wide, as on the system it was made for.
    ui.setProgressRange(state.progressBar, 0, state.fileList.itemCount & 0xFFFF);
    ui.setProgressStep(state.progressBar, 1);
    if (state.fileList.itemCount == 0) {
        ui.stepProgress(state.progressBar);
    }
    state.filesTotal = static_cast<float>(state.fileList.itemCount);
}

bool RemapNextFile(RemapperState& state) {
    platform::UserInterface& ui = state.ui;
    if (state.fileList.itemCount > 0) {
        const char* name = state.fileList.first();
        ui.setText(state.fileLabel, FormatText(FileText, name));
        ui.updateWindow(state.mainWindow);

        BitmapReadReport report;
        const BitmapPtr source(Bitmap::loadFile(name, 0, report));
        switch (checkSource(source.get(), report)) {
        case SourceCheck::Convertible:
            if (!convertFile(state, name, *source)) {
                return true;
            }
            break;
        case SourceCheck::NotConvertible:
            ++state.summary.leftAlone;
            break;
        case SourceCheck::PixelsMissing:
            ++state.summary.leftAlone;
            ui.reportLeftAlone(name, platform::LeftAloneReason::PixelsMissing);
            break;
        }
        ui.stepProgress(state.progressBar);
        ui.updateWindow(state.mainWindow);
        state.fileList.removeFirst();
    }
    if (!state.doneShown && state.fileList.itemCount == 0) {
        showFinalTexts(state);
    }
    return state.fileList.itemCount == 0;
}

bool remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target) {
    NearestMatcher* matcher = matcherFor(state);
    const std::int64_t pixelCount = std::int64_t{source.width} * source.height;
    std::int64_t i = 0; // counts over the whole image, not per row
    std::int64_t nextUpdate = PixelsPerUpdate;
    for (std::int32_t row = 0; row < source.height; ++row) {
        const std::uint8_t* from = source.pixels + std::int64_t{row} * source.stride;
        std::uint8_t* to = target.pixels + std::int64_t{row} * target.stride;
        std::int32_t column = 0;
        while (column < source.width) {
            // Up to and including the pixel numbered `nextUpdate`, within this row.
            const auto run = static_cast<std::int32_t>(
                std::min<std::int64_t>(source.width - column, nextUpdate - i + 1));
            mapRun(*state.skinPalette, matcher, from + std::int64_t{column} * 3, to + column, run);
            column += run;
            i += run;
            if (i - 1 == nextUpdate) {
                state.fileFraction = static_cast<float>(static_cast<double>(nextUpdate) /
                                                        static_cast<double>(pixelCount));
                if (!UpdateProgress(state)) {
                    return false;
                }
                nextUpdate += PixelsPerUpdate;
            }
        }
    }
    return true;
}
