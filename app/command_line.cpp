#include "app/command_line.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "app/export_palette.h"
#include "core/printable_text.h"

namespace {

struct Option {
    char shortName;           // '\0' when there is none
    const char* longName;     // without the leading "--"
    const char* argumentName; // null for an option that takes no value
    const char* help;
    void (*apply)(CommandLine& options, const std::string& value);
    // The values an option takes whose value may be left out, the first when it is; null for
    // the others.
    const char* const* choices = nullptr;
};

constexpr const char* DitherMethods[] = {"diffusion", "ordered", nullptr};

// Adding an option is adding an entry here (and its field in CommandLine).
constexpr Option Options[] = {
    {'o', "output", "DIR", "write the converted skins into DIR; keep originals",
     [](CommandLine& options, const std::string& value) { options.outputFolder = value; }},
    {'\0', "preview", "DIR", "also draw each skin before and after into DIR",
     [](CommandLine& options, const std::string& value) { options.previewFolder = value; }},
    {'n', "dry-run", nullptr, "write no skin: say what a run would do",
     [](CommandLine& options, const std::string&) { options.dryRun = true; }},
    {'\0', "dither", "METHOD",
     "mix palette colours into the shades between them: METHOD is diffusion (the default) or "
     "ordered (see above)",
     [](CommandLine& options, const std::string& value) {
         options.dither = value == "ordered" ? DitherMethod::Ordered : DitherMethod::Diffusion;
     },
     DitherMethods},
    {'\0', "watch", nullptr, "then convert each skin as it is saved; needs -o",
     [](CommandLine& options, const std::string&) { options.watch = true; }},
    {'\0', "export-palette", "FILE", "write the palette to FILE.gpl or FILE.act; no run",
     [](CommandLine& options, const std::string& value) { options.paletteFile = value; }},
    {'\0', "choose-folder", nullptr, "without FOLDER, ask for it in a window (the menu's way)",
     [](CommandLine& options, const std::string&) { options.chooseFolder = true; }},
    {'h', "help", nullptr, "show this help and exit",
     [](CommandLine& options, const std::string&) { options.showHelp = true; }},
    {'\0', "version", nullptr, "show the program's version and exit",
     [](CommandLine& options, const std::string&) { options.showVersion = true; }},
};

constexpr std::string_view Usage = "Usage: skinremap [OPTIONS] [FOLDER]\n";

constexpr std::string_view Description =
    "Converts every 24-bit *.bmp of FOLDER (by default the current directory) into an\n"
    "8-bit bitmap of the nearest colours of the game palette \"skins.ipl\" found there.\n"
    "Other bitmaps are left as they are. Without -o the converted skins REPLACE the\n"
    "originals. With a display the progress shows in a window, else on the console,\n"
    "with how far each skin's colours moved: the mean and largest distance between a\n"
    "pixel and the palette colour it is given (RGB levels), and the share of pixels\n"
    "farther than 24. Options may come before or after FOLDER.\n"
    "\n"
    "--preview DIR writes PNG pictures of every skin into DIR (made if missing):\n"
    "before, and after in the game's colours, with DIR/index.html, which shows them\n"
    "side by side in a browser, those that moved most first. With --dry-run nothing\n"
    "is written into FOLDER: see what a conversion would give before it is made.\n"
    "--dither mixes the palette's colours where a skin's shades fall between them,\n"
    "instead of giving each pixel its nearest colour. Error diffusion, the default\n"
    "method, gives the smoothest shades: for skins cut from photographs. Prefer\n"
    "--dither=ordered, a fixed 8 x 8 pattern, for animation frames, tiled skins and\n"
    "flat areas: the same colour always gives the same pattern in the same place, so\n"
    "it does not crawl from one frame or skin to the next.\n"
    "--watch -o DIR converts the folder, then keeps following it: each skin saved\n"
    "again, or saved into it, is converted into DIR within a second, until Ctrl-C or\n"
    "the window is closed. It never converts in place.\n"
    "--export-palette writes the colours a skin may be given for painting programs:\n"
    "FILE.gpl for GIMP, Krita and Inkscape, FILE.act for Photoshop. It converts\n"
    "nothing.\n";

constexpr std::string_view ExitCodes =
    "Exit codes:\n"
    "  0    every skin was converted or left alone on purpose (window: it was closed)\n"
    "  1    window only: \"Quit\" was pressed\n"
    "  2    could not start: bad arguments, no such folder, no usable skins.ipl\n"
    "  3    console only: the batch ran to its end, but a file could not be written\n"
    "  4    window only: the connection to the display was lost\n"
    "  130  console only: interrupted with Ctrl-C; the skin in hand was not written\n";

constexpr std::size_t HelpWidth = 80;

// `text` broken at spaces into lines of at most HelpWidth characters, every line after the
// first indented by `indent`.
std::string wrapped(std::string_view text, std::size_t indent) {
    std::string lines;
    std::size_t column = indent;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        if (column > indent && column + 1 + word.size() > HelpWidth) {
            lines += '\n' + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
        text = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
    }
    return lines;
}

std::string optionTitle(const Option& option) {
    std::string title =
        option.shortName != '\0' ? std::string{'-', option.shortName} + ", " : std::string(4, ' ');
    title += "--";
    title += option.longName;
    if (option.choices != nullptr) {
        title += std::string("[=") + option.argumentName + "]";
    } else if (option.argumentName != nullptr) {
        title += ' ';
        title += option.argumentName;
    }
    return title;
}

// "--name" or "-n", as the user would type it.
std::string spelling(const Option& option, bool asShort) {
    return asShort ? std::string{'-', option.shortName} : std::string("--") + option.longName;
}

const Option* findLong(std::string_view name) {
    const auto found =
        std::find_if(std::begin(Options), std::end(Options),
                     [name](const Option& option) { return name == option.longName; });
    return found != std::end(Options) ? found : nullptr;
}

const Option* findShort(char name) {
    const auto found =
        std::find_if(std::begin(Options), std::end(Options),
                     [name](const Option& option) { return option.shortName == name; });
    return found != std::end(Options) ? found : nullptr;
}

bool isChoice(const Option& option, const std::string& word) {
    for (const char* const* choice = option.choices; *choice != nullptr; ++choice) {
        if (word == *choice) {
            return true;
        }
    }
    return false;
}

// "a, b or c".
std::string choicesOf(const Option& option) {
    std::string text;
    for (const char* const* choice = option.choices; *choice != nullptr; ++choice) {
        if (!text.empty()) {
            text += choice[1] != nullptr ? ", " : " or ";
        }
        text += *choice;
    }
    return text;
}

// How many letters must be added, removed or changed to make one word the other.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replaced = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, replaced});
        }
    }
    return row[b.size()];
}

// The long option the user most likely meant by `name`: a slip of a letter or two, or one
// written without its hyphen; nothing when none is that close.
const Option* closestLong(std::string_view name) {
    constexpr std::size_t MostSlips = 2;
    const Option* closest = nullptr;
    std::size_t fewest = MostSlips + 1;
    for (const Option& option : Options) {
        const std::size_t slips = editDistance(name, option.longName);
        if (slips < fewest) {
            closest = &option;
            fewest = slips;
        }
    }
    return closest;
}

std::string unknownLong(std::string_view name) {
    std::string why = "unknown option '--" + std::string(name) + "'";
    if (const Option* meant = closestLong(name)) {
        why += "; did you mean '" + spelling(*meant, false) + "'?";
    }
    return why;
}

// Reads the command line word by word; `words` shrinks as they are taken.
class Parser {
  public:
    explicit Parser(std::span<const std::string> words) : words(words) {}

    ParsedCommandLine run() {
        bool optionsEnded = false;
        while (!words.empty() && result.error.empty()) {
            const std::string word = take();
            if (!optionsEnded && word == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && word.starts_with("--")) {
                longOption(std::string_view(word).substr(2));
            } else if (!optionsEnded && word.size() > 1 && word.front() == '-') {
                shortOption(word);
            } else {
                folder(word);
            }
        }
        return result;
    }

  private:
    std::string take() {
        std::string word = words.front();
        words = words.subspan(1);
        return word;
    }

    void longOption(std::string_view text) {
        const auto equals = text.find('=');
        const Option* option = findLong(text.substr(0, equals));
        if (option == nullptr) {
            refuse(unknownLong(text.substr(0, equals)));
        } else if (equals == std::string_view::npos) {
            apply(*option, false, std::nullopt);
        } else if (option->argumentName == nullptr) {
            refuse("option '" + spelling(*option, false) + "' takes no value");
        } else {
            apply(*option, false, std::string(text.substr(equals + 1)));
        }
    }

    void shortOption(const std::string& word) {
        const Option* option = findShort(word[1]);
        if (option == nullptr) {
            refuse("unknown option '" + word.substr(0, 2) + "'");
        } else if (word.size() == 2) {
            apply(*option, true, std::nullopt);
        } else if (option->argumentName == nullptr) {
            refuse("unknown option '" + word + "'");
        } else {
            apply(*option, true, word.substr(2));
        }
    }

    // `attached` is a value given in the same word; otherwise the next word is the value.
    void apply(const Option& option, bool asShort, std::optional<std::string> attached) {
        if (option.argumentName == nullptr) {
            option.apply(result.options, {});
            return;
        }
        if (option.choices != nullptr) {
            applyChoice(option, attached);
            return;
        }
        if (!attached && !words.empty()) {
            attached = take();
        }
        if (!attached || attached->empty()) {
            refuse("option '" + spelling(option, asShort) + "' needs a " + option.argumentName);
            return;
        }
        option.apply(result.options, *attached);
    }

    // A value left out is the first choice. A choice in the next word was most likely meant
    // as the value, and is refused rather than taken for the folder.
    void applyChoice(const Option& option, const std::optional<std::string>& attached) {
        if (!attached && !words.empty() && isChoice(option, words.front())) {
            refuse("write '" + spelling(option, false) + "=" + words.front() +
                   "': the option's value follows an '='");
        } else if (attached && !isChoice(option, *attached)) {
            refuse("option '" + spelling(option, false) + "' takes " + choicesOf(option) +
                   ", not '" + *attached + "'");
        } else {
            option.apply(result.options, attached.value_or(option.choices[0]));
        }
    }

    // An empty word is no folder: taken for the current directory, it would convert one the
    // user never named (`skinremap "$DIR"` with DIR unset).
    void folder(const std::string& word) {
        if (word.empty()) {
            refuse("the folder's name is empty");
        } else if (!folderSeen) {
            folderSeen = true;
            result.options.folder = word;
        } else {
            refuse("one folder at a time: '" + result.options.folder + "' and '" + word +
                   "' were given");
        }
    }

    void refuse(std::string why) { result.error = std::move(why); }

    std::span<const std::string> words;
    ParsedCommandLine result;
    bool folderSeen = false;
};

// Options that cannot go together, and a palette file of no format we write.
std::string conflictIn(const CommandLine& options) {
    if (options.showHelp || options.showVersion) {
        return {};
    }
    if (options.watch && options.outputFolder.empty()) {
        return "option '--watch' needs -o DIR: in place, each save of the art would be "
               "replaced by its conversion while it is still being edited";
    }
    if (options.paletteFile.empty()) {
        return {};
    }
    if (!paintFormatOf(options.paletteFile)) {
        return "the palette file must end in .gpl (GIMP, Krita, Inkscape) or .act "
               "(Photoshop): '" +
               options.paletteFile + "'";
    }
    if (!options.outputFolder.empty() || !options.previewFolder.empty() || options.dryRun ||
        options.watch) {
        return "option '--export-palette' converts nothing: it goes without -o, --preview, "
               "--dry-run and --watch";
    }
    if (options.dither != DitherMethod::None) {
        return "option '--export-palette' converts nothing: it goes without --dither";
    }
    return {};
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& words) {
    ParsedCommandLine parsed = Parser(words).run();
    if (parsed.error.empty()) {
        parsed.error = conflictIn(parsed.options);
    }
    if (!parsed.error.empty()) {
        parsed.options = CommandLine{};
    }
    return parsed;
}

std::string helpText() {
    std::string text(Usage);
    text += Description;
    text += "\nOptions:\n";
    std::size_t widest = 0;
    for (const Option& option : Options) {
        widest = std::max(widest, optionTitle(option).size());
    }
    for (const Option& option : Options) {
        const std::string title = "  " + optionTitle(option);
        text += title + std::string(widest + 4 - title.size(), ' ') +
                wrapped(option.help, widest + 4) + '\n';
    }
    text += '\n';
    text += ExitCodes;
    return text;
}

// The words quoted in `error` are the user's, printed escaped as every other line is.
std::string refusalText(const std::string& error) {
    return "skinremap: " + printableText(error) + "\n" + std::string(Usage) +
           "Try 'skinremap --help' for more information.\n";
}
