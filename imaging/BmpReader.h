#pragma once
// Windows and OS/2 bitmaps ("BM"): 1, 4, 8, 16, 24 and 32 bits a pixel,
// uncompressed, run-length (4 and 8 bits) and bit fields. Our own reader:
// every size in the headers is checked against the data before a pixel is
// allocated.

#include <optional>

#include "imaging/Raster.h"
#include "text/Text.h"

namespace kestrova {

struct BmpSize {
    long long width = 0;
    long long height = 0;  // negative for a picture stored top row first
};

// The size in the headers, when they read and describe a picture we decode.
std::optional<BmpSize> ReadBmpHeader(const ByteBuffer& bytes);

// Nothing for headers that do not read or describe no picture we decode, and
// for uncompressed pixel rows that end before the picture does. Pixels a
// run-length stream leaves out are colour 0 of the table.
std::optional<Raster> DecodeBmp(const ByteBuffer& bytes);

}  // namespace kestrova
