#pragma once
// JPEG on libjpeg(-turbo): reading any JPEG the web serves, and writing the
// re-encoded picture.

#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/Raster.h"
#include "text/Text.h"

namespace kestrova {

struct JpegHeader {
    int width = 0;
    int height = 0;
};

// The output size the header announces; nothing when the header does not read.
std::optional<JpegHeader> ReadJpegHeader(const ByteBuffer& bytes);

// Grey, YCbCr/RGB and CMYK/YCCK (as Adobe writes it, inverted) pictures; a
// stream that ends early reads as far as it goes and the rest is grey, as
// libjpeg fills it. Errors give nothing.
std::optional<Raster> DecodeJpeg(const ByteBuffer& bytes);

// Baseline JPEG, quality 75, 4:2:0, 100 dots per inch, from red-green-blue rows.
ByteBuffer EncodeJpeg(const std::vector<std::uint8_t>& rgb, int width, int height);

}  // namespace kestrova
