#include "app/batch.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/format_text.h"
#include "app/progress.h"
#include "app/skin_mapping.h"
#include "app/skin_outcome.h"
#include "app/source_check.h"
#include "app/texts.h"
#include "bitmap/bmp_row_reader.h"
#include "core/file_rstream.h"
#include "platform/directory.h"
#include "platform/file_identity.h"
#include "platform/file_lock.h"
#include "platform/process.h"
#include "platform/source_file.h"
#include "storage/source_state.h"

namespace {

constexpr std::int32_t SourceDepth = 24;
constexpr std::int32_t TargetDepth = 8;
// A box longer than this would not fit on a screen.
constexpr std::size_t MostNamesInABox = 20;
// A skin replaced by another run between its open and its claim is opened again, this
// often at most.
constexpr int ClaimAttempts = 3;

// Every file left alone has its line on the preview page, but for one converted before,
// which has its picture.
void leaveAlone(RemapperState& state, const char* name, const ui::LeftAlone& why) {
    account(state, SkinOutcome{name, SkinOutcome::Kind::LeftAlone, why});
    if (state.preview != nullptr && why.reason != ui::LeftAloneReason::ConvertedBefore) {
        state.preview->addLeftAlone(name, ui::describe(why));
    }
}

// Each outcome comes with the figures of its skin, kept since it was handed over: the skins
// come back in the order they went.
void accountWritten(RemapperState& state, std::vector<SkinOutcome> outcomes) {
    for (SkinOutcome& outcome : outcomes) {
        if (!state.handedDistances.empty()) {
            outcome.distances = state.handedDistances.front();
            state.handedDistances.pop_front();
        }
        account(state, outcome);
    }
}

// A window says nothing of the files it left alone as it goes: once the batch is done, one
// box names those the user may want to look at. A clean batch shows none, nor does one the
// user is quitting. Like the boxes of the batch, it leaves the window usable.
void showFilesToLookAt(RemapperState& state) {
    const std::vector<ui::FileToLookAt>& files = state.summary.toLookAt;
    if (files.empty() || state.ui.tellsEachFile() || state.quitRequested) {
        return;
    }
    std::string text = LookAtText;
    const std::size_t shown = std::min(files.size(), MostNamesInABox);
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\n" + files[i].name + " (" + files[i].why + ")";
    }
    if (files.size() > shown) {
        text += "\nand " + std::to_string(files.size() - shown) + " more";
    }
    state.ui.messageBox(ui::NoWindow, LookAtCaption, text.c_str(), MessageIcon::Information,
                        MessageButtons::Ok);
}

void showFinalTexts(RemapperState& state) {
    ui::UserInterface& ui = state.ui;
    state.doneShown = true;
    ui.setText(state.timeLabel, FormatText(TimeText, 0.0));
    ui.setText(state.fileLabel, FormatText(FileText, DoneName));
    ui.updateWindow(state.mainWindow);
}

// The conversion goes to the writer, which puts it over the skin it was read from as long
// as that is still the same file; or, with an output folder, under the skin's name there,
// the original left as it is. A dry run writes nothing, and counts it as converted. While
// the writer has no room, the window is answered; closing it gives the skin up, unwritten.
bool handOver(RemapperState& state, const char* name, platform::SourceFile skin, BitmapPtr target,
              const ui::ColourDistances& distances) {
    if (state.dryRun) {
        SkinOutcome outcome{name, SkinOutcome::Kind::Converted};
        outcome.distances = distances;
        account(state, outcome);
        return true;
    }
    const bool taken = state.writer.hand(
        SkinWriter::Skin{name, std::move(skin), state.outputFolder, std::move(target)},
        [&state] { return UpdateProgress(state); });
    if (taken) {
        state.handedDistances.push_back(distances);
    } else if (state.preview != nullptr) {
        state.preview->markNotWritten(name, "the run was stopped");
    }
    accountWritten(state, state.writer.takeOutcomes());
    return taken;
}

// A skin whose conversion finds no memory is left out of the estimate.
void leaveAloneTooLarge(RemapperState& state, const char* name) {
    state.filesTotal -= 1.0f;
    leaveAlone(state, name, {ui::LeftAloneReason::TooLarge});
}

// Reports how far the colours of the converted `target` moved, adds it to the preview page
// when `source` is given, and hands it to the writer. False when the run was stopped.
bool handOverConversion(RemapperState& state, const char* name, platform::SourceFile skin,
                        const Bitmap* source, BitmapPtr target, const MatchDistances& measured) {
    target->paletteIndex = state.skinPalette->subPalettes[0].paletteIndex;
    const ui::ColourDistances distances =
        distancesOver(measured, std::int64_t{target->width} * target->height);
    reportDistances(state, distances);
    if (state.preview != nullptr && source != nullptr) {
        accountPreview(
            state, name,
            state.preview->addConversion(name, *source, *target, *state.skinPalette, distances));
    }
    if (!handOver(state, name, std::move(skin), std::move(target), distances)) {
        return false;
    }
    state.filesDone += 1.0f;
    return true;
}

// Converts one 24-bit bitmap, read from `skin`, and hands the result to the writer. False
// when the conversion was abandoned.
bool convertAndHandOver(RemapperState& state, const char* name, platform::SourceFile skin,
                        const Bitmap& source) {
    BitmapPtr target(state.seams.createBitmap(source.width, source.height, TargetDepth));
    MatchDistances measured;
    const MappingEnd mapped =
        target ? remapPixels(state, source, *target, measured) : MappingEnd::OutOfMemory;
    if (mapped == MappingEnd::Stopped) {
        return false;
    }
    if (mapped == MappingEnd::OutOfMemory) {
        leaveAloneTooLarge(state, name);
        return true;
    }
    return handOverConversion(state, name, std::move(skin), &source, std::move(target), measured);
}

// Converts the 24-bit BMP `rows` reads from `stream` a band at a time, and hands the result
// to the writer. Nothing is handed over unless every pixel byte came from the file. False
// when the conversion was abandoned.
bool convertInBandsAndHandOver(RemapperState& state, const char* name, platform::SourceFile skin,
                               FileRStream& stream, BmpRowReader& rows,
                               const BitmapReadReport& report) {
    BitmapPtr target(state.seams.createBitmap(rows.width(), rows.height(), TargetDepth));
    MatchDistances measured;
    const BandsEnd mapped =
        target ? remapBands(state, rows, *target, measured) : BandsEnd::OutOfMemory;
    stream.close();
    switch (mapped) {
    case BandsEnd::Stopped:
        return false;
    case BandsEnd::OutOfMemory:
        leaveAloneTooLarge(state, name);
        return true;
    case BandsEnd::RowsMissing:
        if (report.readError) {
            leaveAlone(state, name, {ui::LeftAloneReason::ReadError});
        } else {
            // The file held every row when it was opened: it was cut short since, as a save
            // meanwhile does. Nothing of it was handed over; it is told like a skin found
            // changed when it was to be put in place.
            account(state, SkinOutcome{name, SkinOutcome::Kind::ChangedMeanwhile});
            state.filesDone += 1.0f;
        }
        return true;
    case BandsEnd::Mapped:
        break;
    }
    return handOverConversion(state, name, std::move(skin), nullptr, std::move(target), measured);
}

// Whether this run may convert the open `skin`: writing in place, one run converts a skin,
// and another that finds it claimed leaves it to that one. Elsewhere nothing is claimed.
platform::Claim claimed(const RemapperState& state, const platform::SourceFile& skin) {
    if (state.dryRun || state.outputFolder) {
        return platform::Claim::Unavailable;
    }
    return platform::claimOpenFile(skin.handle());
}

// The name still leads to the open file; a link is taken at its word.
bool stillNamed(const char* name, const platform::SourceFile& skin) {
    const auto named = platform::identityAt(platform::HeldFolder(), name);
    return !named ||
           (named->device == skin.identity().device && named->index == skin.identity().index);
}

// Opens a skin of the list and claims it. A run that put its conversion in place just
// before the claim leaves the name leading to a new file: that one is opened instead.
platform::SourceFile openClaimed(const RemapperState& state, const char* name, bool& otherRun) {
    otherRun = false;
    for (int attempt = 1;; ++attempt) {
        platform::SourceFile skin(name);
        if (!skin.isOpen()) {
            return skin;
        }
        const platform::Claim claim = claimed(state, skin);
        if (claim == platform::Claim::ClaimedByOther) {
            otherRun = true;
            return skin;
        }
        if (claim == platform::Claim::Unavailable || attempt == ClaimAttempts ||
            stillNamed(name, skin)) {
            return skin;
        }
    }
}

// Another program still writes the skin: it is left alone, or, while watching, tried again
// once that program is done.
void beingWritten(RemapperState& state, const char* name) {
    if (state.watching.on) {
        state.watching.busy.emplace_back(name);
        return;
    }
    account(state, SkinOutcome{name, SkinOutcome::Kind::BeingWritten});
}

// Why the skin can't be converted now, told as its outcome; false when it can.
bool leftAloneAtOpen(RemapperState& state, const char* name, const platform::SourceFile& skin,
                     bool otherRun) {
    if (!skin.isOpen()) {
        const platform::FileErrorKind error = platform::lastFileError();
        if (error == platform::FileErrorKind::SharingViolation) {
            beingWritten(state, name);
        } else {
            leaveAlone(state, name, {whyNotOpened(error)});
        }
        return true;
    }
    if (otherRun) {
        leaveAlone(state, name, {ui::LeftAloneReason::OtherRun});
        return true;
    }
    if (storage::isBeingWritten(skin)) {
        beingWritten(state, name);
        return true;
    }
    return false;
}

// Opens, reads and converts one file of the list, or says why it is left alone. The file
// stays open from the read to the write, which replaces it only if it is still the same.
// False when the conversion was abandoned.
bool remapFile(RemapperState& state, const char* name) {
    bool otherRun = false;
    platform::SourceFile skin = openClaimed(state, name, otherRun);
    if (leftAloneAtOpen(state, name, skin, otherRun)) {
        return true;
    }
    BitmapReadReport report;
    FileRStream stream(skin.handle());
    if (convertsInBands(state)) {
        BmpRowReader rows(stream, report);
        if (rows.open() && rows.bitDepth() == SourceDepth) {
            return convertInBandsAndHandOver(state, name, std::move(skin), stream, rows, report);
        }
        // Anything else is read whole, which tells why it is left alone.
        stream.setPosition(0);
    }
    const BitmapPtr source(Bitmap::loadStream(stream, BitmapWholePixelsOnly, report));
    stream.close();
    if (const auto why = checkSource(source.get(), report)) {
        leaveAlone(state, name, *why);
        if (state.preview != nullptr && why->reason == ui::LeftAloneReason::ConvertedBefore) {
            accountPreview(state, name,
                           state.preview->addConverted(name, *source, *state.skinPalette));
        }
        return true;
    }
    return convertAndHandOver(state, name, std::move(skin), *source);
}

} // namespace

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
    state.summary.filesListed = state.filesListed;
    state.filesTotal = static_cast<float>(state.fileList.itemCount);
    ui.reportFileCount(0, state.filesListed);
}

BatchStep RemapNextFile(RemapperState& state) {
    ui::UserInterface& ui = state.ui;
    if (state.fileList.itemCount > 0) {
        const char* name = state.fileList.first();
        ui.setText(state.fileLabel, FormatText(FileText, name));
        ui.updateWindow(state.mainWindow);
        if (!remapFile(state, name)) {
            return BatchStep::Abandoned;
        }
        ui.stepProgress(state.progressBar);
        ui.updateWindow(state.mainWindow);
        state.fileList.removeFirst();
        ui.reportFileCount(state.filesListed - state.fileList.itemCount, state.filesListed);
    }
    if (state.fileList.itemCount > 0) {
        return BatchStep::FilesLeft;
    }
    if (!state.doneShown) {
        CommitWaitingSkins(state);
        showFinalTexts(state);
        showFilesToLookAt(state);
    }
    return BatchStep::ListEmpty;
}

void CommitWaitingSkins(RemapperState& state) {
    accountWritten(state, state.writer.drain());
}
