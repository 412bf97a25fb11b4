#include "app/batch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <system_error>
#include <thread>

#include "app/format_text.h"
#include "app/progress.h"
#include "app/row_shares.h"
#include "app/texts.h"
#include "core/file_rstream.h"
#include "palette/nearest_matcher.h"
#include "platform/directory.h"
#include "platform/process.h"
#include "platform/source_file.h"
#include "storage/replacing_file.h"

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

ui::ColourDistances distancesOver(const MatchDistances& measured, std::int64_t pixels) {
    ui::ColourDistances distances;
    distances.farDistance = static_cast<int>(measured.farDistance);
    if (pixels > 0) {
        distances.mean = measured.total / static_cast<double>(pixels);
        distances.largest = measured.largest;
        distances.farShare = static_cast<double>(measured.farCount) / static_cast<double>(pixels);
    }
    return distances;
}

// Keeps the skins that moved most, by mean distance; of equal ones the first converted.
void rememberMoved(ui::RunSummary& summary, const char* name,
                   const ui::ColourDistances& distances) {
    auto& moved = summary.movedMost;
    const auto place = std::find_if(moved.begin(), moved.end(), [&](const auto& skin) {
        return skin.distances.mean < distances.mean;
    });
    if (place == moved.end() && moved.size() >= ui::MostMovedShown) {
        return;
    }
    moved.insert(place, ui::MovedSkin{name, distances});
    if (moved.size() > ui::MostMovedShown) {
        moved.pop_back();
    }
}

void showFinalTexts(RemapperState& state) {
    ui::UserInterface& ui = state.ui;
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

void leaveAlone(RemapperState& state, const char* name, ui::LeftAloneReason reason) {
    ++state.summary.leftAlone;
    state.ui.reportLeftAlone(name, reason);
}

// A box that holds up the batch until it is answered, then lets it go on.
void tellUser(RemapperState& state, const char* text) {
    state.ui.messageBox(ui::NoWindow, ErrorCaption, text, MessageIcon::Information,
                        MessageButtons::Ok);
}

ui::LeftAloneReason whyNotOpened(platform::FileErrorKind error) {
    using platform::FileErrorKind;
    using ui::LeftAloneReason;
    switch (error) {
    case FileErrorKind::FileNotFound:
    case FileErrorKind::PathNotFound:
        return LeftAloneReason::Missing;
    case FileErrorKind::AccessDenied:
        return LeftAloneReason::NoReadPermission;
    case FileErrorKind::NotRegularFile:
        return LeftAloneReason::NotRegularFile;
    default:
        return LeftAloneReason::ReadError;
    }
}

void countCommitted(RemapperState& state, const char* name, storage::CommitResult result) {
    switch (result) {
    case storage::CommitResult::Replaced:
        ++state.summary.converted;
        break;
    case storage::CommitResult::Failed:
        ++state.summary.failed;
        tellUser(state, FormatText(WriteFailedText, name));
        break;
    case storage::CommitResult::TargetChanged:
        // Whatever is there now is newer than what was converted, or the user's doing.
        ++state.summary.leftAlone;
        tellUser(state, FormatText(ChangedText, name));
        break;
    }
}

void countWritten(RemapperState& state, const std::vector<SkinWriter::Outcome>& outcomes) {
    for (const auto& skin : outcomes) {
        countCommitted(state, skin.name.c_str(), skin.result);
    }
}

// The conversion goes over the skin it was read from, as long as that is still the same
// file; or, with an output folder, under the skin's name there, the original left as it is.
// Unless this is a dry run, which writes nothing.
void writeConverted(RemapperState& state, const char* name, platform::SourceFile skin,
                    BitmapPtr target) {
    if (state.dryRun) {
        ++state.summary.converted;
        return;
    }
    std::string outputPath;
    if (!state.outputFolder.empty()) {
        outputPath = state.outputFolder + platform::PathSeparator + name;
    }
    state.writer.hand(SkinWriter::Skin{name, std::move(skin), outputPath, std::move(target)});
    countWritten(state, state.writer.takeOutcomes());
}

// Converts and writes one 24-bit bitmap, read from `skin`. False when the conversion was
// abandoned.
bool convertFile(RemapperState& state, const char* name, platform::SourceFile skin,
                 const Bitmap& source) {
    BitmapPtr target(state.seams.createBitmap(source.width, source.height, TargetDepth));
    if (!target) {
        state.filesTotal -= 1.0f;
        leaveAlone(state, name, ui::LeftAloneReason::TooLarge);
        return true;
    }
    target->paletteIndex = state.skinPalette->subPalettes[0].paletteIndex;
    MatchDistances measured;
    if (!remapPixels(state, source, *target, measured)) {
        return false;
    }
    const ui::ColourDistances distances =
        distancesOver(measured, std::int64_t{source.width} * source.height);
    state.ui.reportDistances(distances);
    rememberMoved(state.summary, name, distances);
    if (state.preview != nullptr) {
        countPreview(
            state, name,
            state.preview->addConversion(name, source, *target, *state.skinPalette, distances));
    }
    writeConverted(state, name, std::move(skin), std::move(target));
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

// A whole 8-bit BMP with the game palette marker: converted by an earlier run. It is left
// alone, but its indices can be shown in the palette's colours.
bool isConvertedBefore(const Bitmap* source, const BitmapReadReport& report) {
    return source != nullptr && source->bitDepth == TargetDepth && report.paletteIndexMarker &&
           hasRowLayout(*source, 1) && hasWholeRows(*source, report);
}

// Opens, reads and converts one file of the list, or says why it is left alone. The file
// stays open from the read to the write, which replaces it only if it is still the same.
// False when the conversion was abandoned.
bool remapFile(RemapperState& state, const char* name) {
    platform::SourceFile skin(name);
    if (!skin.isOpen()) {
        leaveAlone(state, name, whyNotOpened(platform::lastFileError()));
        return true;
    }
    BitmapReadReport report;
    FileRStream stream(skin.handle());
    const BitmapPtr source(Bitmap::loadStream(stream, 0, report));
    stream.close();
    if (const auto reason = checkSource(source.get(), report)) {
        leaveAlone(state, name, *reason);
        if (state.preview != nullptr && isConvertedBefore(source.get(), report)) {
            countPreview(state, name,
                         state.preview->addConverted(name, *source, *state.skinPalette));
        }
        return true;
    }
    return convertFile(state, name, std::move(skin), *source);
}

// Maps rows of a large picture on a thread of its own, with a matcher of its own, while
// the caller maps others and reports the progress of both: all user interface calls stay on
// the caller's thread. Pictures below the size, runs without a second core, and a thread or
// matcher that can't be had leave all rows to the caller.
class SecondMapper {
  public:
    SecondMapper(RemapperState& state, const Bitmap& source, Bitmap& target, RowShares& shares,
                 const MatchDistances* measuring)
        : shares(shares) {
        const std::int64_t pixels = std::int64_t{source.width} * source.height;
        const std::int64_t from = state.seams.sharedMappingPixels;
        if (from <= 0 || pixels < from || state.matcher == nullptr) {
            return;
        }
        if (!state.secondMatcher) {
            state.secondMatcher = state.seams.createMatcher(*state.skinPalette);
        }
        NearestMatcher* matcher = state.secondMatcher.get();
        if (matcher == nullptr) {
            return;
        }
        if (measuring != nullptr) {
            measured.farDistance = measuring->farDistance;
        }
        MatchDistances* into = measuring != nullptr ? &measured : nullptr;
        try {
            thread = std::thread([this, &state, &source, &target, matcher, into] {
                mapShares(*state.skinPalette, matcher, source, target, into);
            });
        } catch (const std::system_error&) {
        }
    }
    // An abandoned conversion: the rows in hand are finished, no more are taken.
    ~SecondMapper() {
        shares.stop();
        if (thread.joinable()) {
            thread.join();
        }
    }
    SecondMapper(const SecondMapper&) = delete;
    SecondMapper& operator=(const SecondMapper&) = delete;

    std::int64_t pixelsDone() const { return done.load(std::memory_order_acquire); }

    // Waits for the rows taken, and adds how far their colours moved to `distances`.
    void finish(MatchDistances* distances) {
        if (thread.joinable()) {
            thread.join();
        }
        if (distances != nullptr) {
            distances->total += measured.total;
            distances->largest = std::max(distances->largest, measured.largest);
            distances->farCount += measured.farCount;
        }
    }

  private:
    void mapShares(const Palette& palette, NearestMatcher* matcher, const Bitmap& source,
                   Bitmap& target, MatchDistances* into) {
        std::int32_t first = 0;
        std::int32_t last = 0;
        while (shares.next(first, last)) {
            for (std::int32_t row = first; row < last; ++row) {
                mapRun(palette, matcher, source.pixels + std::int64_t{row} * source.stride,
                       target.pixels + std::int64_t{row} * target.stride, source.width, into);
            }
            done.fetch_add(std::int64_t{last - first} * source.width, std::memory_order_release);
        }
    }

    RowShares& shares;
    MatchDistances measured; // the second thread's alone until it is joined
    std::atomic<std::int64_t> done{0};
    std::thread thread; // last: it starts once everything else is ready
};

} // namespace

std::optional<ui::LeftAloneReason> checkSource(const Bitmap* source,
                                               const BitmapReadReport& report) {
    using ui::LeftAloneReason;
    if (source == nullptr) {
        return report.readError  ? LeftAloneReason::ReadError
               : report.tooLarge ? LeftAloneReason::TooLarge
                                 : LeftAloneReason::NotABitmap;
    }
    if (source->bitDepth != SourceDepth) {
        return LeftAloneReason::NotTrueColour;
    }
    if (!hasRowLayout(*source, 3)) {
        return LeftAloneReason::NotABitmap;
    }
    if (!hasWholeRows(*source, report)) {
        return LeftAloneReason::PixelsMissing;
    }
    return std::nullopt;
}

void BuildFileList(RemapperState& state) {
    platform::DirectorySearch search(SkinExtension);
    while (const char* name = search.next()) {
        // A name that cannot be stored for lack of memory is not converted.
        state.fileList.add(name);
    }
    ui::UserInterface& ui = state.ui;
    // The bar's range is 16 bits wide, as on the system it was made for.
    ui.setProgressRange(state.progressBar, 0, state.fileList.itemCount & 0xFFFF);
    ui.setProgressStep(state.progressBar, 1);
    if (state.fileList.itemCount == 0) {
        ui.stepProgress(state.progressBar);
    }
    state.filesListed = state.fileList.itemCount;
    state.filesTotal = static_cast<float>(state.fileList.itemCount);
    ui.reportFileCount(0, state.filesListed);
}

bool RemapNextFile(RemapperState& state) {
    ui::UserInterface& ui = state.ui;
    if (state.fileList.itemCount > 0) {
        const char* name = state.fileList.first();
        ui.setText(state.fileLabel, FormatText(FileText, name));
        ui.updateWindow(state.mainWindow);
        if (!remapFile(state, name)) {
            return true;
        }
        ui.stepProgress(state.progressBar);
        ui.updateWindow(state.mainWindow);
        state.fileList.removeFirst();
        ui.reportFileCount(state.filesListed - state.fileList.itemCount, state.filesListed);
    }
    if (!state.doneShown && state.fileList.itemCount == 0) {
        CommitWaitingSkins(state);
        showFinalTexts(state);
    }
    return state.fileList.itemCount == 0;
}

void CommitWaitingSkins(RemapperState& state) {
    countWritten(state, state.writer.drain());
}

bool remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                 MatchDistances& distances) {
    NearestMatcher* matcher = matcherFor(state);
    MatchDistances* measured = state.seams.measureDistances ? &distances : nullptr;
    const std::int64_t pixelCount = std::int64_t{source.width} * source.height;
    RowShares shares(source.height, source.width);
    SecondMapper second(state, source, target, shares, measured);
    std::int64_t own = 0; // pixels this thread mapped
    std::int64_t nextUpdate = PixelsPerUpdate;
    // Hands over to UpdateProgress once for every pixel numbered 1,024, 2,048, ... that
    // both threads together have mapped by now.
    const auto reportProgress = [&] {
        while (own + second.pixelsDone() > nextUpdate) {
            state.fileFraction = static_cast<float>(static_cast<double>(nextUpdate) /
                                                    static_cast<double>(pixelCount));
            if (!UpdateProgress(state)) {
                return false;
            }
            nextUpdate += PixelsPerUpdate;
        }
        return true;
    };
    std::int32_t first = 0;
    std::int32_t last = 0;
    while (shares.next(first, last)) {
        for (std::int32_t row = first; row < last; ++row) {
            const std::uint8_t* from = source.pixels + std::int64_t{row} * source.stride;
            std::uint8_t* to = target.pixels + std::int64_t{row} * target.stride;
            std::int32_t column = 0;
            while (column < source.width) {
                // Up to and including the pixel numbered `nextUpdate`, should the second
                // thread map nothing meanwhile.
                const std::int64_t done = own + second.pixelsDone();
                const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(
                    source.width - column, std::max<std::int64_t>(1, nextUpdate - done + 1)));
                mapRun(*state.skinPalette, matcher, from + std::int64_t{column} * 3, to + column,
                       run, measured);
                column += run;
                own += run;
                if (!reportProgress()) {
                    shares.stop();
                    return false;
                }
            }
        }
    }
    second.finish(measured);
    return reportProgress();
}
