#include "app/command_line.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Taken {
    std::vector<std::string> words;
    CommandLine expected;
};

TEST(CommandLineTest, TakesAFolderAndOptionsInEveryWrittenForm) {
    const Taken cases[] = {
        {{}, {}},
        {{"skins"}, {"skins", "", false, false, "", false, ""}},
        {{"my skins ä"}, {"my skins ä", "", false, false, "", false, ""}},
        {{"-o", "out"}, {"", "out", false, false, "", false, ""}},
        {{"-oout", "skins"}, {"skins", "out", false, false, "", false, ""}},
        {{"--output", "out dir", "skins"}, {"skins", "out dir", false, false, "", false, ""}},
        {{"--output=out", "skins"}, {"skins", "out", false, false, "", false, ""}},
        {{"--output=a=b"}, {"", "a=b", false, false, "", false, ""}},
        {{"skins", "-o", "out"}, {"skins", "out", false, false, "", false, ""}},
        {{"-o", "-weird"},
         {"", "-weird", false, false, "", false, ""}}, // a value is taken as it is
        {{"-o", "first", "-o", "second"}, {"", "second", false, false, "", false, ""}},
        {{"--", "-skins"}, {"-skins", "", false, false, "", false, ""}},
        {{"-"}, {"-", "", false, false, "", false, ""}},
        {{"--help"}, {"", "", true, false, "", false, ""}},
        {{"-h", "skins"}, {"skins", "", true, false, "", false, ""}},
        {{"--version"}, {"", "", false, true, "", false, ""}},
        {{"--help", "--version"}, {"", "", true, true, "", false, ""}},
        {{"--preview", "pics", "skins"}, {"skins", "", false, false, "pics", false, ""}},
        {{"--preview=p", "-n"}, {"", "", false, false, "p", true, ""}},
        {{"--dry-run", "-o", "out"}, {"", "out", false, false, "", true, ""}},
        {{"--export-palette", "game.gpl", "skins"},
         {"skins", "", false, false, "", false, "game.gpl"}},
        {{"--export-palette=G.ACT"}, {"", "", false, false, "", false, "G.ACT"}},
        {{"--dither", "skins"},
         {"skins", "", false, false, "", false, "", DitherMethod::Diffusion}},
        {{"--dither=ordered", "-n"}, {"", "", false, false, "", true, "", DitherMethod::Ordered}},
        {{"--dither=ordered", "--dither=diffusion"},
         {"", "", false, false, "", false, "", DitherMethod::Diffusion}},
        // Help and version go before anything else, so a wrong pairing is not refused then.
        {{"--help", "--export-palette=a.png", "-n"}, {"", "", true, false, "", true, "a.png"}},
    };
    for (const Taken& c : cases) {
        std::ostringstream trace;
        for (const std::string& word : c.words) {
            trace << '[' << word << ']';
        }
        SCOPED_TRACE(trace.str());
        const ParsedCommandLine parsed = parseCommandLine(c.words);
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.folder, c.expected.folder);
        EXPECT_EQ(parsed.options.outputFolder, c.expected.outputFolder);
        EXPECT_EQ(parsed.options.showHelp, c.expected.showHelp);
        EXPECT_EQ(parsed.options.showVersion, c.expected.showVersion);
        EXPECT_EQ(parsed.options.previewFolder, c.expected.previewFolder);
        EXPECT_EQ(parsed.options.dryRun, c.expected.dryRun);
        EXPECT_EQ(parsed.options.paletteFile, c.expected.paletteFile);
        EXPECT_EQ(parsed.options.dither, c.expected.dither);
    }
}

TEST(CommandLineTest, RefusesWhatItDoesNotTakeAndSaysWhy) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-x"}, "unknown option '-x'"},
        {{"--out", "dir"}, "unknown option '--out'"}, // no abbreviations
        {{"--frobnicate=1"}, "unknown option '--frobnicate'"},
        {{"--dryrun"}, "unknown option '--dryrun'; did you mean '--dry-run'?"},
        {{"skins", "--previw=p"}, "unknown option '--previw'; did you mean '--preview'?"},
        {{"--HELP"}, "unknown option '--HELP'"}, // a slip of a letter or two, not of four
        {{"-hv"}, "unknown option '-hv'"},
        {{"--help=yes"}, "option '--help' takes no value"},
        {{"-o"}, "option '-o' needs a DIR"},
        {{"skins", "--output"}, "option '--output' needs a DIR"},
        {{"--output="}, "option '--output' needs a DIR"},
        {{"-o", ""}, "option '-o' needs a DIR"},
        {{"a", "b"}, "one folder at a time: 'a' and 'b' were given"},
        {{"a", "--", "b"}, "one folder at a time: 'a' and 'b' were given"},
        {{"--help", "-x"}, "unknown option '-x'"}, // refused even beside --help
        {{"--preview"}, "option '--preview' needs a DIR"},
        {{"-n=yes"}, "unknown option '-n=yes'"},
        {{"--export-palette", "game.png"},
         "the palette file must end in .gpl (GIMP, Krita, Inkscape) or .act (Photoshop): "
         "'game.png'"},
        {{"--export-palette", "gpl"},
         "the palette file must end in .gpl (GIMP, Krita, Inkscape) or .act (Photoshop): 'gpl'"},
        {{"--export-palette", "a.gpl", "--preview", "p"},
         "option '--export-palette' converts nothing: it goes without -o, --preview, "
         "--dry-run and --watch"},
        {{"-n", "--export-palette", "a.act"},
         "option '--export-palette' converts nothing: it goes without -o, --preview, "
         "--dry-run and --watch"},
        {{"--watch", "skins"},
         "option '--watch' needs -o DIR: in place, each save of the art would be replaced by "
         "its conversion while it is still being edited"},
        {{"--export-palette", "a.act", "-o", "out"},
         "option '--export-palette' converts nothing: it goes without -o, --preview, "
         "--dry-run and --watch"},
        {{"--export-palette=a.gpl", "--dither"},
         "option '--export-palette' converts nothing: it goes without --dither"},
        {{"--dither=Ordered"}, "option '--dither' takes diffusion or ordered, not 'Ordered'"},
        {{"--dither="}, "option '--dither' takes diffusion or ordered, not ''"},
        {{"--dither", "ordered"}, "write '--dither=ordered': the option's value follows an '='"},
    };
    for (const auto& [words, error] : cases) {
        SCOPED_TRACE(words.front());
        const ParsedCommandLine parsed = parseCommandLine(words);
        EXPECT_EQ(parsed.error, error);
        EXPECT_FALSE(parsed.options.showHelp) << "nothing of a refused line is acted on";
        EXPECT_EQ(parsed.options.folder, "");
    }
}

TEST(CommandLineTest, HelpNamesEveryOptionWithinEightyColumns) {
    const std::string help = helpText();
    EXPECT_EQ(help.rfind("Usage: skinremap [OPTIONS] [FOLDER]\n", 0), 0u);
    for (const char* part :
         {"  -o, --output DIR  ", "  -h, --help  ", "      --version  ", "      --preview DIR  ",
          "  -n, --dry-run  ", "      --export-palette FILE  ", "      --dither[=METHOD]  ",
          "REPLACE the\noriginals", "\n  3    ", "\n  130  "}) {
        EXPECT_NE(help.find(part), std::string::npos) << part;
    }
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80u) << line;
    }
    EXPECT_EQ(refusalText("unknown option '-x'"),
              "skinremap: unknown option '-x'\nUsage: skinremap [OPTIONS] [FOLDER]\n"
              "Try 'skinremap --help' for more information.\n");
}

} // namespace
