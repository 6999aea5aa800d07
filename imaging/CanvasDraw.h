#pragma once
// Drawing a decoded picture at its own size on a blank, fully transparent
// 32-bit canvas, and reading the canvas back as the JPEG encoder sees it.

#include <cstdint>
#include <vector>

#include "imaging/Raster.h"

namespace kestrova {

// Red, green, blue for every pixel, row after row. Transparent pixels come out
// black; partly transparent ones keep their colour as far as 8 bits allow.
//
// The arithmetic is that of the window toolkit's raster engine, which the
// program used before: colour is carried with 16 bits per channel,
// premultiplied, in spans of a fixed length and groups of four or eight
// pixels, and turned back with a hardware reciprocal. Groups and rounding are
// kept exactly, so that the re-encoded bytes do not change.
std::vector<std::uint8_t> DrawOnBlankCanvas(const Raster& picture);

}  // namespace kestrova
