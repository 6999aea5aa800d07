#pragma once
// PNG on libpng, every colour type and depth, interlaced or not.

#include <optional>

#include "imaging/Raster.h"
#include "text/Text.h"

namespace kestrova {

struct PngHeader {
    long long width = 0;
    long long height = 0;
};

// The size the header announces; nothing when the chunks before the picture
// data do not read.
std::optional<PngHeader> ReadPngHeader(const ByteBuffer& bytes);

// Nothing for any error libpng reports, for a stream cut short, and for a
// picture whose sides are out of bounds.
std::optional<Raster> DecodePng(const ByteBuffer& bytes);

}  // namespace kestrova
