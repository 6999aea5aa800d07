#pragma once
// The toolkit's picture re-encoding, kept as the reference the program's own
// re-encoding must equal byte for byte.

#include "imaging/Picture.h"
#include "text/Text.h"

namespace kestrova::testing {

PictureSize QtProbePictureSize(const ByteBuffer& bytes);
ByteBuffer QtReencodeAsJpeg(const ByteBuffer& bytes);

}  // namespace kestrova::testing
