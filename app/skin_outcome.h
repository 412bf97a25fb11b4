#pragma once
// What became of one file of the batch, and the one place where it is counted in the run's
// summary and told to the user.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/ui.h"

struct RemapperState;

struct SkinOutcome {
    enum class Kind {
        Converted, // durable in place; in a dry run, would have been
        // In place, but its folder could not be flushed: a power loss may undo it.
        ConvertedUnflushed,
        LeftAlone, // untouched, for `why`
        // Converted, but the file was saved, removed or replaced meanwhile: whatever is
        // there now is newer than what was converted, or the user's doing, and stays.
        ChangedMeanwhile,
        // Untouched: another program has the file open for writing (still copying it, say),
        // or opened it so while it was converted.
        BeingWritten,
        // The file changed at the moment it was replaced and could not be put back: what
        // came out of its place is kept as `keptAs`. A failure: the user has to look.
        KeptAside,
        Failed, // converted, but could not be put in place; untouched
    };

    SkinOutcome() = default;
    SkinOutcome(std::string name, Kind kind, ui::LeftAlone why = {})
        : name(std::move(name)), kind(kind), why(why) {}

    std::string name;
    Kind kind = Kind::Converted;
    ui::LeftAlone why;
    std::string keptAs;
    // How far a converted skin's colours moved; counted among those that moved most only
    // once it is in place.
    std::optional<ui::ColourDistances> distances;
};

// Counts `outcome` in the summary and tells the user what they need to know of it.
void account(RemapperState& state, const SkinOutcome& outcome);

// A skin was converted, its colours moving this far: told to the user now. It counts among
// those that moved most once its outcome says it was written (account()).
void reportDistances(RemapperState& state, const ui::ColourDistances& distances);
void accountPreview(RemapperState& state, const char* name, const std::string& problem);

// Files a killed run had left under temporary names, kept under names of their own: told to
// the user, who has to look at them.
void accountKeptAtStart(RemapperState& state, const std::vector<std::string>& kept);

// The pictures of a skin were written to the preview folder, or not, for `problem`.
