#pragma once
// Icons and cursors: the first picture of the directory, a bitmap with its
// AND mask or a PNG. Our own reader, bounded like the bitmap reader.

#include <optional>

#include "imaging/Raster.h"
#include "text/Text.h"

namespace kestrova {

// Whether the directory and its first entry look like an icon or cursor.
bool LooksLikeIcon(const ByteBuffer& bytes);

struct IcoSize {
    int width = 0;
    int height = 0;
};

// The first entry's size as the directory gives it (0 meaning 256).
std::optional<IcoSize> ReadIcoHeader(const ByteBuffer& bytes);

// Nothing for a directory that does not read, a first picture cut short, a
// bitmap without its mask or a depth no icon uses.
std::optional<Raster> DecodeIco(const ByteBuffer& bytes);

}  // namespace kestrova
