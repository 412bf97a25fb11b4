// Pictures of the skins and the page that shows them, and the dry run.

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/preview_folder.h"
#include "app/preview_page.h"
#include "app/skin_mapping.h"
#include "bitmap/png_writer.h"
#include "tests/app/remapper_fixture.h"
#include "tests/support/memory_stream.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

TEST(PreviewNames, PicturesTakeTheSkinsNameWithPngForBmp) {
    const std::pair<const char*, const char*> cases[] = {
        {"knight.bmp", "knight.png"},
        {"KNIGHT.BMP", "KNIGHT.png"},
        {"a.b.Bmp", "a.b.png"},
        {".bmp", ".png"},
    };
    for (const auto& [skin, picture] : cases) {
        EXPECT_EQ(pictureNameOf(skin), picture) << skin;
    }
}

TEST(PreviewPage, NamesAreEscapedInTextAndInAddresses) {
    const std::pair<const char*, const char*> html[] = {
        {"plain.bmp", "plain.bmp"},
        {"<b>&\"'.bmp", "&lt;b&gt;&amp;&quot;&#39;.bmp"},
    };
    for (const auto& [text, escaped] : html) {
        EXPECT_EQ(escapeHtml(text), escaped);
    }
    const std::pair<const char*, const char*> urls[] = {
        {"source/a-b_c~1.png", "source/a-b_c~1.png"},
        {"a b#?%.png", "a%20b%23%3F%25.png"},
        {"\"<'>\\.png", "%22%3C%27%3E%5C.png"},
        {"\xC3\xBC.png", "%C3%BC.png"},
    };
    for (const auto& [name, encoded] : urls) {
        EXPECT_EQ(encodeUrlPath(name), encoded);
    }
}

PreviewEntry converted(const std::string& name, double mean) {
    ui::ColourDistances distances;
    distances.mean = mean;
    return PreviewEntry{name, name + ".png", "source/" + name + ".png", 4, 4, distances, {}, {}};
}

TEST(PreviewPage, WorstFirstThenThoseConvertedBeforeTheSameWhateverTheOrderGiven) {
    std::vector<PreviewEntry> entries = {
        converted("mild", 1.0),
        PreviewEntry{"earlier", "earlier.png", {}, 4, 4, std::nullopt, {}, {}},
        converted("worst_b", 5.0),
        converted("worst_a", 5.0),
        PreviewEntry{"broken", {}, {}, 0, 0, ui::ColourDistances{}, "the image is empty", {}},
    };
    const std::string page = previewPage(entries, PreviewPageState{true, false, {}, {}});
    std::reverse(entries.begin(), entries.end());
    EXPECT_EQ(previewPage(entries, PreviewPageState{true, false, {}, {}}), page);

    std::vector<std::size_t> places;
    for (const char* name :
         {"<th>worst_a", "<th>worst_b", "<th>mild", "<th>broken", "<th>earlier"}) {
        places.push_back(page.find(name));
        EXPECT_NE(places.back(), std::string::npos) << name;
    }
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << page;
    EXPECT_NE(page.find("src=\"source/worst_a.png\""), std::string::npos);
    EXPECT_NE(page.find("no picture: the image is empty"), std::string::npos);
    // A page for a browser opened from the disk: nothing to run, nothing fetched.
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find("under way"), std::string::npos);
    EXPECT_NE(previewPage({}, PreviewPageState{false, true, {}, {}}).find("Dry run"),
              std::string::npos);
    // The page says how a dithered run mapped its pictures, and a plain run's says nothing new.
    EXPECT_EQ(page.find("Dithered"), std::string::npos);
    EXPECT_NE(previewPage({}, {true, false, DitherMethod::Ordered, {}}).find("--dither=ordered"),
              std::string::npos);
    EXPECT_NE(previewPage({}, {true, false, DitherMethod::Diffusion, {}}).find("error diffusion"),
              std::string::npos);
}

// A run over a folder of every kind of file, with the pictures going to "preview".
class PreviewRunTest : public RemapperFixture {
  protected:
    void SetUp() override {
        writePalette();
        writeSkin("skin.bmp", 13, 7);
        marked = bmp8(9, 5);
        marked[6] = 0xF7; // bfReserved1: the game palette marker
        marked[7] = 0xF5;
        writeFile("earlier.bmp", marked);
        writeFile("plain8.bmp", bmp8(9, 5));
        writeFile("text.bmp", Bytes{'h', 'i'});
        writeFile("cut.bmp", Bytes(marked.begin(), marked.end() - 3));
        const Bytes skin = bmp24(6, 6, testPixel);
        writeFile("cut24.bmp", Bytes(skin.begin(), skin.end() - 3));
        fs::create_directories(dir.path() / "preview" / SourcePictureFolder);
        before = snapshot();
    }

    std::map<std::string, Bytes> snapshot() const { return filesIn(dir.path()); }

    void runWithPreview(bool dryRun) {
        startRun();
        state.dryRun = dryRun;
        state.preview = &preview.emplace((dir.path() / "preview").string(), dryRun);
        while (RemapNextFile(state) == BatchStep::FilesLeft) {
        }
    }

    // The picture of a BMP file's pixels, drawn in the run's palette.
    Bytes pictureOf(const Bytes& file) {
        MemoryStream stream(file);
        const BitmapPtr bitmap(Bitmap::loadStream(stream, 0));
        EXPECT_NE(bitmap, nullptr);
        MemoryStream picture;
        EXPECT_TRUE(writePng(picture, *bitmap, state.skinPalette.get()));
        return picture.bytes();
    }

    Bytes pictureFile(const std::string& name) const {
        return readBytes(dir.file("preview/" + name));
    }

    Bytes marked;
    std::map<std::string, Bytes> before;
    std::optional<PreviewFolder> preview;
};

TEST_F(PreviewRunTest, ConvertedSkinsAndThoseConvertedBeforeArePicturedTheRestNot) {
    runWithPreview(false);
    EXPECT_EQ(checkSkin("skin.bmp", 13, 7), "");
    EXPECT_EQ(pictureFile("skin.png"), pictureOf(readFile("skin.bmp")));
    EXPECT_EQ(pictureFile("source/skin.png"), pictureOf(before["skin.bmp"]));
    EXPECT_EQ(pictureFile("earlier.png"), pictureOf(marked));
    EXPECT_EQ(namesIn(dir.path() / "preview"),
              (std::vector<std::string>{"earlier.png", "skin.png", "source"}));
    EXPECT_EQ(namesIn(dir.path() / "preview" / "source"), std::vector<std::string>{"skin.png"});
    EXPECT_EQ(ui.count("reportPreviewFailed"), 0);
    EXPECT_EQ(state.summary.converted, 1);
    EXPECT_EQ(state.summary.leftAlone, 5);

    std::string why;
    ASSERT_TRUE(preview->writePage(true, why));
    const std::string page = readText(dir.file("preview/index.html"));
    EXPECT_NE(page.find("src=\"skin.png\""), std::string::npos);
    EXPECT_NE(page.find("src=\"source/skin.png\""), std::string::npos);
    EXPECT_NE(page.find("src=\"earlier.png\""), std::string::npos);
    // What has no picture is listed below the skins, each with why it was left alone.
    EXPECT_EQ(page.find("plain8.png"), std::string::npos);
    const std::string listed = page.substr(page.find("<h2>Left alone</h2>"));
    for (const char* line : {"<li>plain8.bmp <span class=\"note\">(not a 24-bit bitmap)",
                             "<li>text.bmp <span class=\"note\">(not a bitmap it can read)",
                             "<li>cut24.bmp <span class=\"note\">(the file holds only part of "
                             "its pixels)"}) {
        EXPECT_NE(listed.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(listed.find("earlier.bmp"), std::string::npos) << "pictured, not listed";
}

TEST_F(PreviewRunTest, DryRunLeavesEveryFileAsItWasAndStillPictures) {
    runWithPreview(true);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"cut.bmp", "cut24.bmp", "earlier.bmp", "plain8.bmp",
                                        "preview", "skin.bmp", "skins.ipl", "text.bmp"}));
    EXPECT_TRUE(ui.callsStartingWith("messageBox 0 Error").empty()) << "no write failed";
    EXPECT_EQ(state.summary.converted, 1) << "counted as it would be";
    EXPECT_EQ(ui.count("reportDistances"), 1);
    // What the run would have written, pictured.
    const BitmapPtr source(Bitmap::loadFile("skin.bmp", 0));
    ASSERT_NE(source, nullptr);
    const BitmapPtr target(Bitmap::create(13, 7, 8));
    MatchDistances unused;
    ASSERT_EQ(remapPixels(state, *source, *target, unused), MappingEnd::Done);
    MemoryStream expected;
    ASSERT_TRUE(writePng(expected, *target, state.skinPalette.get()));
    EXPECT_EQ(pictureFile("skin.png"), expected.bytes());
}

// Skins whose names differ only in the letter case of their extension, or of their whole
// name, would draw into one picture: each gets its own, and the page shows each its own.
TEST_F(PreviewRunTest, SkinsWhoseNamesDifferOnlyInLetterCaseGetAPictureEach) {
#ifdef _WIN32
    GTEST_SKIP() << "there such names are one name";
#endif
    writeSkin("a.bmp", 3, 3);
    writeSkin("a.BMP", 5, 5);
    runWithPreview(false);
    std::string why;
    ASSERT_TRUE(preview->writePage(true, why));
    const std::string page = readText(dir.file("preview/index.html"));
    std::set<std::string> pictures;
    for (const std::string& name : namesIn(dir.path() / "preview")) {
        if (name[0] == 'a') {
            EXPECT_NE(page.find("src=\"" + name + "\""), std::string::npos) << name;
            pictures.insert(name);
        }
    }
    EXPECT_EQ(pictures, (std::set<std::string>{"a-2.png", "a.png"}));
}

TEST_F(PreviewRunTest, PicturesThatCannotBeWrittenAreReportedAndTheBatchGoesOn) {
    fs::remove_all(dir.path() / "preview");
    runWithPreview(false);
    EXPECT_EQ(checkSkin("skin.bmp", 13, 7), "");
    auto reported = ui.callsStartingWith("reportPreviewFailed");
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported,
              (std::vector<std::string>{"reportPreviewFailed earlier.bmp (the folder is gone)",
                                        "reportPreviewFailed skin.bmp (the folder is gone)"}));
    EXPECT_EQ(state.summary.previewsFailed, 2);
    std::string why;
    EXPECT_FALSE(preview->writePage(true, why));
    EXPECT_EQ(why, "the folder is gone");
}

} // namespace
