#pragma once
// A decoded picture as the re-encoding draws it: its pixels and what kind of
// pixels they are, since each kind reaches the canvas by its own arithmetic.

#include <cstdint>
#include <vector>

namespace kestrova {

// Sides above this are refused before anything is decoded or allocated: a few
// hundred bytes of a crafted file could otherwise ask for gigabytes of pixels.
inline constexpr int kMaxPictureSide = 8192;

inline bool PictureSideAllowed(long long width, long long height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

enum class PixelKind {
    Opaque,         // argb holds 0xffRRGGBB (the alpha byte is not looked at)
    Straight,       // argb holds 8-bit colour with its own alpha, not multiplied
    Premultiplied,  // argb holds 8-bit colour already multiplied by its alpha
    Palette,        // argb holds palette colours with alpha, not multiplied
    Wide,           // wide holds 16-bit colour with alpha, not multiplied
};

struct Raster {
    int width = 0;
    int height = 0;
    PixelKind kind = PixelKind::Opaque;
    std::vector<std::uint32_t> argb;  // row after row, 0xAARRGGBB
    std::vector<std::uint64_t> wide;  // row after row, red | green << 16 | blue << 32 | alpha << 48

    static Raster Blank(int width, int height, PixelKind kind) {
        Raster raster;
        raster.width = width;
        raster.height = height;
        raster.kind = kind;
        const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (kind == PixelKind::Wide) {
            raster.wide.assign(count, 0);
        } else {
            raster.argb.assign(count, kind == PixelKind::Opaque ? 0xff000000u : 0u);
        }
        return raster;
    }
    std::uint32_t* Row(int y) { return argb.data() + static_cast<std::size_t>(y) * width; }
    std::uint64_t* WideRow(int y) { return wide.data() + static_cast<std::size_t>(y) * width; }
};

// 16-bit to 8-bit channel value with the rounding the canvas uses.
inline std::uint32_t NarrowChannel(std::uint32_t value) {
    const std::uint32_t v = value + 128;
    return (v - (v >> 8)) >> 8;
}

}  // namespace kestrova
