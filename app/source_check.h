#pragma once
// Whether a file of the batch is a skin to convert, and if not, why it is left alone.

#include <optional>

#include "bitmap/bitmap.h"
#include "platform/file.h"
#include "ui/ui.h"

// Why a file the reader made `source` of (null when it did not load), saying `report` about
// it, is left alone; nothing when it is a 24-bit bitmap to convert. A 24-bit bitmap whose
// file held only part of its pixels is left alone too: converting it would write the
// reader's zero fill into the skin. A whole 8-bit BMP with the game palette's mark was
// converted by an earlier run, and says so.
std::optional<ui::LeftAlone> checkSource(const Bitmap* source, const BitmapReadReport& report);

// Why a file of the list could not be opened, from the error the open left.
ui::LeftAloneReason whyNotOpened(platform::FileErrorKind error);
