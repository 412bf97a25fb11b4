#include "app/skin_outcome.h"

#include <algorithm>
#include <cstdio>

#include "app/format_text.h"
#include "app/remapper_state.h"
#include "app/texts.h"

namespace {

// A box that holds up the batch until it is answered, then lets it go on.
void tellUser(RemapperState& state, const char* text) {
    state.ui.messageBox(ui::NoWindow, ErrorCaption, text, MessageIcon::Information,
                        MessageButtons::Ok);
}

// A text with names that must not be cut short: the user needs them whole to find the files.
template <typename... Names> std::string withNames(const char* format, const Names&... names) {
    const int size = std::snprintf(nullptr, 0, format, names.c_str()...);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, names.c_str()...);
    return text;
}

// Keeps the skins that moved most, by mean distance; of equal ones the first converted.
void rememberMoved(ui::RunSummary& summary, const std::string& name,
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

void converted(RemapperState& state, const SkinOutcome& outcome) {
    ++state.summary.converted;
    if (outcome.distances) {
        rememberMoved(state.summary, outcome.name, *outcome.distances);
        state.ui.reportConverted(outcome.name.c_str(), *outcome.distances);
    }
}

// What a skin could not become, for the list of files the user may want to look at.
void toLookAt(RemapperState& state, const SkinOutcome& outcome, const std::string& why) {
    state.summary.toLookAt.push_back({outcome.name, why});
}

// A skin that was converted but not put in place: the preview page must not show it as
// written.
void notWritten(RemapperState& state, const SkinOutcome& outcome, const char* why) {
    if (state.preview != nullptr) {
        state.preview->markNotWritten(outcome.name, why);
    }
}

void leftAlone(RemapperState& state, const SkinOutcome& outcome) {
    ui::RunSummary& summary = state.summary;
    switch (outcome.why.reason) {
    case ui::LeftAloneReason::OtherRun:
        ++summary.otherRun;
        break;
    case ui::LeftAloneReason::ConvertedBefore:
        ++summary.leftAlone;
        ++summary.convertedBefore;
        break;
    case ui::LeftAloneReason::NotTrueColour:
        ++summary.leftAlone;
        ++summary.notTrueColour;
        break;
    default:
        ++summary.leftAlone;
        toLookAt(state, outcome, ui::describe(outcome.why));
    }
    state.ui.reportLeftAlone(outcome.name.c_str(), outcome.why);
}

} // namespace

void account(RemapperState& state, const SkinOutcome& outcome) {
    ui::RunSummary& summary = state.summary;
    const char* name = outcome.name.c_str();
    switch (outcome.kind) {
    case SkinOutcome::Kind::Converted:
        converted(state, outcome);
        break;
    case SkinOutcome::Kind::ConvertedUnflushed:
        converted(state, outcome);
        ++summary.unflushed;
        tellUser(state, FormatText(UnflushedText, name));
        break;
    case SkinOutcome::Kind::LeftAlone:
        leftAlone(state, outcome);
        break;
    case SkinOutcome::Kind::ChangedMeanwhile:
        ++summary.leftAlone;
        notWritten(state, outcome, "it changed while it was converted");
        toLookAt(state, outcome, "changed while it was converted");
        tellUser(state, FormatText(ChangedText, name));
        break;
    case SkinOutcome::Kind::BeingWritten:
        ++summary.leftAlone;
        notWritten(state, outcome, "another program was writing it");
        toLookAt(state, outcome, "being written by another program");
        tellUser(state, FormatText(BeingWrittenText, name));
        break;
    case SkinOutcome::Kind::KeptAside:
        ++summary.failed;
        notWritten(state, outcome, "it changed as it was replaced");
        toLookAt(state, outcome, "changed as it was replaced; kept as " + outcome.keptAs);
        tellUser(state, withNames(KeptAsideText, outcome.name, outcome.keptAs).c_str());
        break;
    case SkinOutcome::Kind::Failed:
        ++summary.failed;
        notWritten(state, outcome, "it could not be written");
        toLookAt(state, outcome, "could not be written");
        tellUser(state, FormatText(WriteFailedText, name));
        break;
    }
}

void reportDistances(RemapperState& state, const ui::ColourDistances& distances) {
    state.ui.reportDistances(distances);
}

void accountPreview(RemapperState& state, const char* name, const std::string& problem) {
    if (!problem.empty()) {
        ++state.summary.previewsFailed;
        state.ui.reportPreviewFailed(name, problem.c_str());
    }
}

void accountKeptAtStart(RemapperState& state, const std::vector<std::string>& kept) {
    for (const std::string& name : kept) {
        tellUser(state, withNames(KeptAtStartText, name).c_str());
    }
}
