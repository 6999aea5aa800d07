#pragma once
// GIF on giflib: the first frame, placed on the logical screen the way
// browsers and the toolkit before us place it.

#include <optional>

#include "imaging/Raster.h"
#include "text/Text.h"

namespace kestrova {

struct GifSize {
    int width = 0;
    int height = 0;
};

// The size of the first frame's screen as a quick look at the stream finds it.
std::optional<GifSize> ReadGifHeader(const ByteBuffer& bytes);

// The first frame on its screen. A stream cut short inside the frame's data
// gives the pixels that arrived; nothing when no picture data arrived at all.
std::optional<Raster> DecodeGif(const ByteBuffer& bytes);

}  // namespace kestrova
