#pragma once
// PCX pictures, which picture boxes show but Qt cannot read: run-length
// encoded, either 8 bits per pixel with the 256-colour palette at the end of
// the file, or 24-bit colour as three 8-bit planes (red, green, blue) per line.

#include <QImage>

#include "text/Text.h"

namespace kestrova {

// A null image for anything else: another depth or plane count, no run-length
// encoding, a missing palette, data that ends early, a picture wider or higher
// than 8192 pixels, or one larger than its data could hold (checked before
// anything is allocated). The window decodes pictures off its UI thread.
QImage DecodePcx(const ByteBuffer& bytes);

}  // namespace kestrova
