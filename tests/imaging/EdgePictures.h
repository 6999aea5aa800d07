#pragma once
// A table of pictures at the edges of what the decoders read: every colour
// type and depth of PNG, JPEG colour spaces and codings, GIF transparency,
// interlacing, frames and palettes, every bitmap depth and compression, icons
// holding a bitmap or a PNG. Written by the real encoders (libpng, libjpeg,
// giflib) where one exists, byte by byte where the point is an odd header.

#include <string>
#include <vector>

#include "text/Text.h"

namespace kestrova::testing {

struct EdgePicture {
    std::string name;
    ByteBuffer bytes;
};

std::vector<EdgePicture> EdgePictures();

// Formats the toolkit read by content that the program no longer re-encodes.
std::vector<EdgePicture> RetiredFormatPictures();

}  // namespace kestrova::testing
