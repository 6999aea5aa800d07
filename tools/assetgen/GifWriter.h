#pragma once
// A GIF89a writer: one frame, a global colour table, LZW-compressed pixels and,
// for a picture with a transparent entry, a graphic control extension naming it.

#include <cstdint>
#include <vector>

#include "tools/assetgen/Palette.h"

namespace kestrova::assetgen {

// Throws std::invalid_argument for a picture that GIF cannot hold (no pixels,
// sides above 65535, an empty or oversized palette, an index outside it).
std::vector<std::uint8_t> EncodeGif(const IndexedImage& image);

}  // namespace kestrova::assetgen
