#pragma once
// Reduction of drawn pictures to palettes, for the GIF and the palettized icon
// images.

#include <QColor>
#include <QImage>
#include <cstdint>
#include <vector>

namespace kestrova::assetgen {

// A palettized picture: one palette index per pixel, rows top-down.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;  // opaque colours
    std::vector<std::uint8_t> pixels;
    int transparentIndex = -1;  // -1: every pixel is opaque
};

// Pixels with alpha below this are transparent in formats that only know
// transparent or opaque.
inline constexpr int kAlphaThreshold = 128;

// At most maxColours colours for the opaque pixels of the image by median cut,
// each the mean of the pixels it stands for. An image with no more distinct
// opaque colours than that gets exactly its own colours.
std::vector<QRgb> MedianCutPalette(const QImage& image, int maxColours);

// Index of the nearest palette colour (squared RGB distance; alpha ignored).
std::uint8_t NearestIndex(const std::vector<QRgb>& palette, QRgb colour);

// The picture in at most 256 colours. Pixels below the alpha threshold share
// one extra transparent entry (the last one); partly transparent pixels above
// it are first laid over the matte colour, so anti-aliased edges blend into
// the background the picture is meant for.
IndexedImage ToIndexed(const QImage& image, QRgb matte);

// What a palettized format shows: every pixel in its palette colour, the
// transparent ones as transparent black.
QImage FromIndexed(const IndexedImage& image);

}  // namespace kestrova::assetgen
