#pragma once
// What became of one file of the batch, and the one place where it is counted in the run's
// summary and told to the user.

#include <optional>
#include <string>

#include "ui/ui.h"

struct RemapperState;

struct SkinOutcome {
    enum class Kind {
        Converted, // durable in place; in a dry run, would have been
        LeftAlone, // untouched, for `why`
        // Converted, but the file was saved, removed or replaced meanwhile: whatever is
        // there now is newer than what was converted, or the user's doing, and stays.
        ChangedMeanwhile,
        Failed, // converted, but could not be put in place; untouched
    };
    std::string name;
    Kind kind = Kind::Converted;
    ui::LeftAlone why;
    // Converted: how far its colours moved, where they were measured.
    std::optional<ui::ColourDistances> distances = std::nullopt;
};

// Counts `outcome` in the summary and tells the user what they need to know of it.
void account(RemapperState& state, const SkinOutcome& outcome);

// A skin was converted, its colours moving this far: told to the user, and kept for the
// summary when it is among those that moved most.
void accountDistances(RemapperState& state, const char* name, const ui::ColourDistances& distances);

// The pictures of a skin were written to the preview folder, or not, for `problem`.
void accountPreview(RemapperState& state, const char* name, const std::string& problem);
