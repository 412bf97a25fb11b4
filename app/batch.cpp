#include "app/batch.h"

#include <algorithm>
#include <cmath>

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

std::int32_t squaredDistance(const std::uint8_t* bgr, const PaletteEntry& colour) {
    const std::int32_t red = bgr[2] - colour.red;
    const std::int32_t green = bgr[1] - colour.green;
    const std::int32_t blue = bgr[0] - colour.blue;
    return red * red + green * green + blue * blue;
}

// The fallback without a matcher: the plain scan, each distance worked out exactly.
void mapWithPlainScan(const Palette& palette, const std::uint8_t* bgr, std::uint8_t* indices,
                      std::int32_t count, MatchDistances& distances) {
    const std::int64_t farSquared = std::int64_t{distances.farDistance} * distances.farDistance;
    for (std::int32_t column = 0; column < count; ++column, bgr += 3) {
        const int index = palette.findNearest(bgr[2], bgr[1], bgr[0]);
        indices[column] = static_cast<std::uint8_t>(index);
        const std::int32_t squared = squaredDistance(bgr, palette.colors()[index]);
        const double distance = std::sqrt(static_cast<double>(squared));
        distances.total += distance;
        distances.largest = std::max(distances.largest, distance);
        distances.farCount += squared > farSquared ? 1 : 0;
    }
}

// Maps a run of pixels, adding how far each moved to `distances` unless that is null.
void mapRun(const Palette& palette, NearestMatcher* matcher, const std::uint8_t* bgr,
            std::uint8_t* indices, std::int32_t count, MatchDistances* distances) {
    if (matcher != nullptr && distances != nullptr) {
        matcher->mapPixels(bgr, indices, static_cast<std::size_t>(count), *distances);
        return;
    }
    if (matcher != nullptr) {
        matcher->mapPixels(bgr, indices, static_cast<std::size_t>(count));
        return;
    }
    MatchDistances unmeasured;
    mapWithPlainScan(palette, bgr, indices, count, distances != nullptr ? *distances : unmeasured);
}

platform::ColourDistances distancesOver(const MatchDistances& measured, std::int64_t pixels) {
    platform::ColourDistances distances;
    distances.farDistance = static_cast<int>(measured.farDistance);
    if (pixels > 0) {
        distances.mean = measured.total / static_cast<double>(pixels);
        distances.largest = measured.largest;
        distances.farShare = static_cast<double>(measured.farCount) / static_cast<double>(pixels);
    }
    return distances;
}

// Keeps the skins that moved most, by mean distance; of equal ones the first converted.
void rememberMoved(platform::RunSummary& summary, const char* name,
                   const platform::ColourDistances& distances) {
    auto& moved = summary.movedMost;
    const auto place = std::find_if(moved.begin(), moved.end(), [&](const auto& skin) {
        return skin.distances.mean < distances.mean;
    });
    if (place == moved.end() && moved.size() >= platform::MostMovedShown) {
        return;
    }
    moved.insert(place, platform::MovedSkin{name, distances});
    if (moved.size() > platform::MostMovedShown) {
        moved.pop_back();
    }
}

void showFinalTexts(RemapperState& state) {
    platform::UserInterface& ui = state.ui;
    state.doneShown = true;
    ui.setText(state.timeLabel, FormatText(TimeText, 0.0));
    ui.setText(state.fileLabel, FormatText(FileText, DoneName));
    ui.updateWindow(state.mainWindow);
}

void countPreview(RemapperState& state, const char* name, const std::string& problem) {
    if (!problem.empty()) {
        ++state.summary.previewsFailed;
        state.ui.reportPreviewFailed(name, problem.c_str());
    }
}

// Where a converted skin goes: over the original, or under its name into the output folder.
std::string outputPath(const RemapperState& state, const char* name) {
    if (state.outputFolder.empty()) {
        return name;
    }
    return state.outputFolder + platform::PathSeparator + name;
}

// Writes the converted skin where it goes, unless this is a dry run.
void writeConverted(RemapperState& state, const char* name, Bitmap& target) {
    if (state.dryRun || target.writeFile(outputPath(state, name).c_str(), BitmapAsBmp)) {
        ++state.summary.converted;
        return;
    }
    ++state.summary.failed;
    state.ui.messageBox(platform::NoWindow, ErrorCaption, FormatText(WriteFailedText, name),
                        platform::MessageIcon::Information, platform::MessageButtons::Ok);
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
    MatchDistances measured;
    if (!remapPixels(state, source, *target, measured)) {
        return false;
    }
    const platform::ColourDistances distances =
        distancesOver(measured, std::int64_t{source.width} * source.height);
    state.ui.reportDistances(distances);
    rememberMoved(state.summary, name, distances);
    writeConverted(state, name, *target);
    if (state.preview != nullptr) {
        countPreview(
            state, name,
            state.preview->addConversion(name, source, *target, *state.skinPalette, distances));
    }
    state.filesDone += 1.0f;
    return true;
}

// The buffer holds every row, and every byte of it came from the file.
bool hasWholeRows(const Bitmap& bitmap, const BitmapReadReport& report) {
    const std::int64_t needed = std::int64_t{bitmap.height} * bitmap.stride;
    return bitmap.imageSize >= needed && report.pixelBytesRead >= bitmap.imageSize;
}

// Rows of `bytesPerPixel`-byte pixels.
bool hasRowLayout(const Bitmap& bitmap, std::int32_t bytesPerPixel) {
    return bitmap.pixels != nullptr && bitmap.width >= 0 && bitmap.height >= 0 &&
           bitmap.stride >= std::int64_t{bitmap.width} * bytesPerPixel;
}

} // namespace

SourceCheck checkSource(const Bitmap* source, const BitmapReadReport& report) {
    if (source == nullptr) {
        return SourceCheck::NotConvertible;
    }
    if (source->bitDepth == TargetDepth && report.paletteIndexMarker && hasRowLayout(*source, 1) &&
        hasWholeRows(*source, report)) {
        return SourceCheck::ConvertedBefore;
    }
    if (source->bitDepth != SourceDepth || !hasRowLayout(*source, 3)) {
        return SourceCheck::NotConvertible;
    }
    return hasWholeRows(*source, report) ? SourceCheck::Convertible : SourceCheck::PixelsMissing;
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
        case SourceCheck::ConvertedBefore:
            ++state.summary.leftAlone;
            if (state.preview != nullptr) {
                countPreview(state, name,
                             state.preview->addConverted(name, *source, *state.skinPalette));
            }
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

bool remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                 MatchDistances& distances) {
    NearestMatcher* matcher = matcherFor(state);
    MatchDistances* measured = state.seams.measureDistances ? &distances : nullptr;
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
            mapRun(*state.skinPalette, matcher, from + std::int64_t{column} * 3, to + column, run,
                   measured);
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
