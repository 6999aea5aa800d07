#pragma once
// What picture bytes are, and the re-encoding of the picture fetch.

#include "text/Text.h"

namespace kestrova {

enum class PictureFormat { Empty, Jpeg, Gif, Png, Bmp, Ico, Pcx, Unknown };

// By the leading bytes: JPEG FF D8, BMP "BM", icon/cursor 00 00 01|02 00,
// GIF "GIF87a"/"GIF89a", PNG 89 "PNG", PCX 0A followed by a version byte.
PictureFormat DetectPictureFormat(const ByteBuffer& bytes);

// "jpeg", "gif", "png", "bmp", "ico", "pcx", "unknown", "empty".
const char* PictureFormatName(PictureFormat format);

// The formats a picture box shows; PNG and anything unknown show nothing.
bool IsShownByPictureBox(PictureFormat format);

struct PictureSize {
    int width = 0;
    int height = 0;
};
// Pixel size of decodable bytes; 0 x 0 otherwise.
PictureSize ProbePictureSize(const ByteBuffer& bytes);

// Decodes GIF (first frame), icon, JPEG, PNG or bitmap bytes, draws the
// picture on a blank 32-bit ARGB canvas of the same size and encodes that as
// baseline JPEG (quality 75, 100 dots per inch). Bytes that do not decode, and
// pictures with a side above 8192 pixels, give the empty buffer.
ByteBuffer ReencodeAsJpeg(const ByteBuffer& bytes);

}  // namespace kestrova
