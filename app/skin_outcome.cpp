#include "app/skin_outcome.h"

#include <algorithm>

#include "app/format_text.h"
#include "app/remapper_state.h"
#include "app/texts.h"

namespace {

constexpr const char* ChangedReason = "changed while it was converted";
constexpr const char* FailedReason = "could not be written";

// A box that holds up the batch until it is answered, then lets it go on.
void tellUser(RemapperState& state, const char* text) {
    state.ui.messageBox(ui::NoWindow, ErrorCaption, text, MessageIcon::Information,
                        MessageButtons::Ok);
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

void countLeftAlone(ui::RunSummary& summary, const SkinOutcome& outcome) {
    ++summary.leftAlone;
    switch (outcome.why.reason) {
    case ui::LeftAloneReason::ConvertedBefore:
        ++summary.convertedBefore;
        break;
    case ui::LeftAloneReason::NotTrueColour:
        ++summary.notTrueColour;
        break;
    default:
        summary.toLookAt.push_back({outcome.name, ui::describe(outcome.why)});
    }
}

} // namespace

void account(RemapperState& state, const SkinOutcome& outcome) {
    ui::RunSummary& summary = state.summary;
    const char* name = outcome.name.c_str();
    switch (outcome.kind) {
    case SkinOutcome::Kind::Converted:
        ++summary.converted;
        if (outcome.distances) {
            state.ui.reportConverted(name, *outcome.distances);
        }
        break;
    case SkinOutcome::Kind::LeftAlone:
        countLeftAlone(summary, outcome);
        state.ui.reportLeftAlone(name, outcome.why);
        break;
    case SkinOutcome::Kind::ChangedMeanwhile:
        ++summary.leftAlone;
        summary.toLookAt.push_back({outcome.name, ChangedReason});
        tellUser(state, FormatText(ChangedText, name));
        break;
    case SkinOutcome::Kind::Failed:
        ++summary.failed;
        summary.toLookAt.push_back({outcome.name, FailedReason});
        tellUser(state, FormatText(WriteFailedText, name));
        break;
    }
}

void accountDistances(RemapperState& state, const char* name,
                      const ui::ColourDistances& distances) {
    state.ui.reportDistances(distances);
    rememberMoved(state.summary, name, distances);
}

void accountPreview(RemapperState& state, const char* name, const std::string& problem) {
    if (!problem.empty()) {
        ++state.summary.previewsFailed;
        state.ui.reportPreviewFailed(name, problem.c_str());
    }
}
