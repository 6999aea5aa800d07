#pragma once
// Picture downloads: a plain GET with Referer (the URL itself) and
// Accept-Language: zh-cn. The caller puts the bytes into a picture box.

#include "text/Text.h"
#include "web/Transport.h"

namespace kestrova {

WireRequest PictureWireRequest(const Text& url);

// The body as it came; empty on failure (which clears the picture box).
ByteBuffer DownloadPicture(const Text& url);

// The body decoded and redrawn on a blank 32-bit ARGB image of the same size,
// encoded as baseline JPEG; empty when it does not decode.
ByteBuffer DownloadPictureAsJpeg(const Text& url);

}  // namespace kestrova
