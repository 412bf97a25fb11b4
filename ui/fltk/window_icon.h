#pragma once
// The program's icon as the bytes of a PNG file, built in from resources/skinremap.png.

#include <cstddef>

namespace ui::fltk {

extern const unsigned char windowIconPng[];
extern const std::size_t windowIconPngSize;

} // namespace ui::fltk
