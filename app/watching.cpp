#include "app/watching.h"

#include <string>
#include <utility>

#include "app/format_text.h"
#include "app/game_palette.h"
#include "app/texts.h"
#include "platform/directory.h"

namespace {

// The first batch is done: from now on the run follows the folder.
void announce(RemapperState& state) {
    state.watching.announced = true;
    const std::string text = "Watching " + state.summary.folder +
                             " for saves; each skin saved is converted into " +
                             state.summary.outputFolder + ". Ctrl-C stops.";
    state.ui.reportNotice(text.c_str());
}

void updatePreviewPage(RemapperState& state) {
    std::string why;
    if (state.preview != nullptr && !state.preview->writePage(false, why)) {
        ++state.summary.previewsFailed;
        state.ui.reportPreviewFailed(PreviewPageName, why.c_str());
    }
}

// A palette that can't be loaded leaves the one in use as it is.
void reloadPalette(RemapperState& state) {
    GamePalette game = loadGamePalette();
    if (!game.palette) {
        const std::string detail = game.problem + "; " + PaletteKeptText;
        state.ui.detailedMessageBox(ui::NoWindow, ErrorCaption,
                                    FormatText(PaletteFailedText, PaletteFileName), detail.c_str(),
                                    MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    state.skinPalette = std::move(game.palette);
    state.matcher.reset(); // each belongs to the palette it was built from
    state.secondMatcher.reset();
    state.ordered.reset();
    state.ui.reportNotice(FormatText(PaletteReloadedText, PaletteFileName));
}

// Every skin of the folder, for when the system lost count of what was saved.
void addEverySkin(std::vector<std::string>& names) {
    platform::DirectorySearch search(SkinExtension);
    while (const char* name = search.next()) {
        names.emplace_back(name);
    }
}

// The names become the list of a new batch, shown and timed as the first was.
void startBatch(RemapperState& state, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        state.fileList.add(name.c_str());
    }
    ui::UserInterface& ui = state.ui;
    state.watching.idle = false;
    state.doneShown = false;
    state.filesListed = state.fileList.itemCount;
    state.filesTotal = static_cast<float>(state.fileList.itemCount);
    state.filesDone = 0.0f;
    state.fileFraction = 0.0f;
    state.startTicks = state.seams.tickCount();
    state.summary.filesListed += state.filesListed;
    ui.setProgressRange(state.progressBar, 0, state.fileList.itemCount & 0xFFFF);
    ui.reportFileCount(0, state.filesListed);
}

} // namespace

bool keepWatching(RemapperState& state, SaveWatch& watch) {
    if (!state.watching.idle) {
        state.watching.idle = true;
        if (!state.watching.announced) {
            announce(state);
        }
        updatePreviewPage(state);
    }
    for (const std::string& name : std::exchange(state.watching.busy, {})) {
        watch.retryLater(name);
    }
    SaveWatch::Saves saves = watch.take();
    if (saves.palette) {
        reloadPalette(state);
    }
    if (saves.rescan) {
        saves.skins.clear();
        addEverySkin(saves.skins);
    }
    if (saves.skins.empty()) {
        return false;
    }
    startBatch(state, saves.skins);
    return true;
}
