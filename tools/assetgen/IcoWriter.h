#pragma once
// A Windows icon file (.ico) writer: a directory of images, each stored as a
// device-independent bitmap (colour bits followed by a 1-bit transparency
// mask) or, for large true-colour images, as a PNG.

#include <QImage>
#include <cstdint>
#include <vector>

namespace kestrova::assetgen {

enum class IconDepth {
    k16Colours,   // 4 bits per pixel, the standard 16-colour palette
    k256Colours,  // 8 bits per pixel, a palette made for the image
    kTrueColour,  // 32 bits per pixel with alpha
};

struct IconImage {
    QImage image;  // drawn with alpha; sides 1 to 256
    IconDepth depth = IconDepth::kTrueColour;
    bool asPng = false;  // true-colour only
};

// The 16 colours of the standard VGA palette, in palette order (black first).
const std::vector<QRgb>& StandardSixteenColours();

// Throws std::invalid_argument for an image the format cannot hold.
std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images);

}  // namespace kestrova::assetgen
