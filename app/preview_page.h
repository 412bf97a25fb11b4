#pragma once
// The page of a preview folder, index.html: every skin before and after side by side with
// how far its colours moved, worst first, so that an artist can look through a whole
// folder in a browser. One static file: no script, nothing from elsewhere.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/dither_method.h"
#include "ui/ui.h"

// One skin of the page. Picture names are relative to the page's folder.
struct PreviewEntry {
    std::string name;          // the skin's file name, as the folder lists it
    std::string picture;       // the result in the game's colours; empty when not written
    std::string sourcePicture; // the skin before conversion; empty for one converted before
    std::int32_t width = 0;
    std::int32_t height = 0;
    // How far its colours moved; nothing for a skin converted before this run.
    std::optional<ui::ColourDistances> distances;
    std::string problem; // why a picture is missing; empty when nothing went wrong
    // Why the converted skin was not put in place after all; empty when it was (or, in a
    // dry run, would have been).
    std::string notWritten;
};

struct PreviewPageState {
    bool finished = false; // false while the run is still going
    bool dryRun = false;   // the skins themselves were left as they were
    DitherMethod dither = DitherMethod::None; // how the pictures after were mapped
    // The files left alone without a picture (a broken skin, a stranger's 8-bit file), in
    // the list's order, each with why.
    std::vector<ui::FileToLookAt> leftAlone;
    // The run follows the folder: the page reloads itself to show each skin saved.
    bool watching = false;
};

// The page's text for `entries`, whatever their order: skins converted in the run first,
// the farthest moved (by mean distance) at the top, then those converted before; names in
// byte order where nothing else tells them apart, so one folder always gives one page. The
// files left alone follow, with their reasons.
std::string previewPage(std::vector<PreviewEntry> entries, const PreviewPageState& state);

// `text` with the characters that mean something in HTML written as references.
std::string escapeHtml(const std::string& text);
// A relative path as a URL: every byte percent-encoded but the unreserved ones and the '/'
// between folder and file.
std::string encodeUrlPath(const std::string& name);
