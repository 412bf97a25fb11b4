#pragma once
// A temporary directory made current, a scripted window and the state of a run over it.

#include <string>

#include <gtest/gtest.h>

#include "app/batch.h"
#include "app/main_window.h"
#include "app/progress.h"
#include "app/remapper_state.h"
#include "app/texts.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/working_directory.h"

namespace testing_support {

class RemapperFixture : public ::testing::Test {
  protected:
    void writeFile(const std::string& name, const Bytes& bytes) {
        writeBytes(dir.file(name), bytes);
    }
    Bytes readFile(const std::string& name) const { return readBytes(dir.file(name)); }
    void writeSkin(const std::string& name, int width, int height) {
        writeFile(name, bmp24(width, height, testPixel));
    }
    void writePalette() { writeFile("skins.ipl", riffPalette(testColors())); }

    // What a RIFF palette run must write for a skin made by writeSkin.
    std::string checkSkin(const std::string& name, int width, int height) const {
        const auto colors = testColors();
        return checkRemapped(readFile(name), width, height, -1, [&](int x, int y) {
            return nearestIndex(colors, false, testPixel(x, y));
        });
    }

    // The start of a run done by hand: the window (101 bar, 102 time, 103 file, 104 button)
    // with its list, then the palette.
    void startRun() {
        state.mainWindow = ui.createMainWindow(WindowTitle, WindowWidth, WindowHeight, events);
        ASSERT_NE(state.mainWindow, ui::NoWindow);
        state.skinPalette.reset(Palette::loadFile("skins.ipl"));
        ASSERT_TRUE(state.skinPalette);
        state.skinPalette->matchMask.setRange(0, 254);
        ui.calls.clear();
    }

    // Bands of a few rows, so that a picture of the tests is read and mapped in several.
    static RemapperSeams smallBands() {
        RemapperSeams seams{ScriptedUi::tick, Bitmap::create};
        seams.bandBytes = 4096;
        return seams;
    }

    TempDir dir;
    WorkingDirectory inside{dir.path()};
    ScriptedUi ui;
    RemapperState state{ui, smallBands()};
    MainWindowEvents events{state};
};

} // namespace testing_support
