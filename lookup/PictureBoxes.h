#pragma once
// Pictures into picture boxes: downloaded, or from the embedded constants.

#include <cstdint>
#include <span>

#include "form/DesignPictures.h"
#include "form/Window.h"
#include "text/Text.h"

namespace kestrova {

// The downloaded bytes as they are; a failure clears the picture.
void FetchPicture(const Text& url, Window& window, Ctl control);
// The downloaded picture re-encoded as JPEG; bytes that do not decode clear it.
void FetchPictureAsJpeg(const Text& url, Window& window, Ctl control);

ByteBuffer BytesOf(std::span<const std::uint8_t> constant);

// The three rating icons of 分组框4, shown from the start.
DesignPictures EmbeddedDesignPictures();
void InstallDesignPictures(Window& window);

}  // namespace kestrova
