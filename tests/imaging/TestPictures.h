#pragma once
// Pictures drawn for the tests, encoded by a real encoder (Qt's for JPEG, PNG
// and BMP; a small GIF writer here, since Qt reads GIF but cannot write it).

#include <QImage>

#include "text/Text.h"

namespace kestrova::testing {

// A width x height picture: a coloured background, a filled ellipse and a bar,
// so that every encoder has edges and several colours to deal with.
QImage DrawTestPicture(int width, int height);

ByteBuffer EncodeWith(const QImage& image, const char* format);  // "jpeg", "png", "bmp"
ByteBuffer EncodeGif(const QImage& image);

// The bytes decoded by Qt's decoders; a null image when they do not decode.
QImage DecodeBytes(const ByteBuffer& bytes);

}  // namespace kestrova::testing
