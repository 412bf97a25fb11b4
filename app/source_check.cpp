#include "app/source_check.h"

namespace {

constexpr std::int32_t SourceDepth = 24;
constexpr std::int32_t TargetDepth = 8;

// The buffer holds every row, and every byte of it came from the file.
bool hasWholeRows(const Bitmap& bitmap, const BitmapReadReport& report) {
    const std::int64_t needed = std::int64_t{bitmap.height} * bitmap.stride;
    return bitmap.imageSize >= needed && report.pixelBytesRead >= bitmap.imageSize;
}

// Rows of `bytesPerPixel`-byte pixels.
bool hasRowLayout(const Bitmap& bitmap, std::int32_t bytesPerPixel) {
    return bitmap.pixels != nullptr && bitmap.width >= 0 && bitmap.height >= 0 &&
           bitmap.stride >= std::int64_t{bitmap.width} * bytesPerPixel;
}

// A whole 8-bit BMP with the game palette's mark: its indices can be shown in the
// palette's colours.
bool isConvertedBefore(const Bitmap& source, const BitmapReadReport& report) {
    return source.bitDepth == TargetDepth && report.paletteIndexMarker && hasRowLayout(source, 1) &&
           hasWholeRows(source, report);
}

} // namespace

std::optional<ui::LeftAlone> checkSource(const Bitmap* source, const BitmapReadReport& report) {
    using ui::LeftAloneReason;
    if (source == nullptr) {
        return ui::LeftAlone{report.readError       ? LeftAloneReason::ReadError
                             : report.pixelsMissing ? LeftAloneReason::PixelsMissing
                             : report.tooLarge      ? LeftAloneReason::TooLarge
                                                    : LeftAloneReason::NotABitmap};
    }
    if (isConvertedBefore(*source, report)) {
        return ui::LeftAlone{LeftAloneReason::ConvertedBefore, source->paletteIndex};
    }
    if (source->bitDepth != SourceDepth) {
        return ui::LeftAlone{LeftAloneReason::NotTrueColour};
    }
    if (!hasRowLayout(*source, 3)) {
        return ui::LeftAlone{LeftAloneReason::NotABitmap};
    }
    if (!hasWholeRows(*source, report)) {
        return ui::LeftAlone{LeftAloneReason::PixelsMissing};
    }
    return std::nullopt;
}

ui::LeftAloneReason whyNotOpened(platform::FileErrorKind error) {
    using platform::FileErrorKind;
    using ui::LeftAloneReason;
    switch (error) {
    case FileErrorKind::FileNotFound:
    case FileErrorKind::PathNotFound:
        return LeftAloneReason::Missing;
    case FileErrorKind::AccessDenied:
        return LeftAloneReason::NoReadPermission;
    case FileErrorKind::NotRegularFile:
        return LeftAloneReason::NotRegularFile;
    case FileErrorKind::TooManyOpenFiles:
        return LeftAloneReason::TooManyOpenFiles;
    default:
        return LeftAloneReason::ReadError;
    }
}
