// The reasons for leaving a file alone, in the words every front end and page uses.

#include "ui/ui.h"

namespace ui {

std::string describe(const LeftAlone& why) {
    switch (why.reason) {
    case LeftAloneReason::ConvertedBefore:
        return why.gamePalette >= 0
                   ? "converted before, game palette " + std::to_string(why.gamePalette)
                   : "converted before";
    case LeftAloneReason::NotTrueColour:
        return "not a 24-bit bitmap";
    case LeftAloneReason::NotABitmap:
        return "not a bitmap it can read";
    case LeftAloneReason::PixelsMissing:
        return "the file holds only part of its pixels";
    case LeftAloneReason::TooLarge:
        return "too large to convert";
    case LeftAloneReason::ReadError:
        return "the file could not be read";
    case LeftAloneReason::NoReadPermission:
        return "no permission to read it";
    case LeftAloneReason::NotRegularFile:
        return "not a regular file";
    case LeftAloneReason::Missing:
        return "no longer there";
    case LeftAloneReason::TooManyOpenFiles:
        return "too many files open at once";
    case LeftAloneReason::OtherRun:
        return "being converted by another run";
    }
    return "";
}

} // namespace ui
