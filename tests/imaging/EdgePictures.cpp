#include "EdgePictures.h"

#include <gif_lib.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <functional>

extern "C" {
#include <jpeglib.h>
}

namespace kestrova::testing {
namespace {

// Deterministic pixel values: a small linear congruential generator.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint8_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state_ >> 24);
    }
    // Alpha values that visit both ends and the middle often.
    std::uint8_t NextAlpha() {
        const std::uint8_t v = Next();
        if (v < 40) {
            return 0;
        }
        if (v < 90) {
            return 255;
        }
        return Next();
    }

  private:
    std::uint32_t state_;
};

void Put16(ByteBuffer& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(ByteBuffer& out, std::uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// ---------------------------------------------------------------- PNG

struct PngSpec {
    int width = 8, height = 6;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlace = false;
    int paletteSize = 0;        // entries written to PLTE
    int transparentCount = -1;  // tRNS entries for palettes; -1 none
    bool greyTransparent = false;
    bool rgbTransparent = false;
    int maxIndex = -1;  // palette indexes drawn from 0..maxIndex
    bool gamma = false;
    std::uint32_t seed = 1;
};

extern "C" void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<ByteBuffer*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
extern "C" void PngFlush(png_structp) {}

ByteBuffer WritePng(const PngSpec& spec) {
    ByteBuffer out;
    // Everything with a destructor exists before the jump point, which
    // libpng returns to on an error.
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_bytep> pointers;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    // Indexes past the palette are written on purpose.
    png_set_check_for_invalid_index(png, 0);
    png_set_IHDR(png, info, spec.width, spec.height, spec.depth, spec.colourType,
                 spec.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    Noise noise(spec.seed);
    png_color palette[256];
    png_byte alphas[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = {noise.Next(), noise.Next(), noise.Next()};
        alphas[i] = noise.NextAlpha();
    }
    if (spec.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, spec.paletteSize);
        if (spec.transparentCount >= 0) {
            png_set_tRNS(png, info, alphas, spec.transparentCount, nullptr);
        }
    }
    if (spec.greyTransparent || spec.rgbTransparent) {
        png_color_16 colour{};
        colour.gray = static_cast<png_uint_16>(spec.depth == 16 ? 0x1234 : (1 << spec.depth) / 2);
        colour.red = spec.depth == 16 ? 0x4000 : 40;
        colour.green = spec.depth == 16 ? 0x8000 : 80;
        colour.blue = spec.depth == 16 ? 0xc000 : 120;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (spec.gamma) {
        png_set_gAMA(png, info, 0.8);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const int bitsPerPixel = channels * spec.depth;
    const std::size_t rowBytes = (static_cast<std::size_t>(spec.width) * bitsPerPixel + 7) / 8;
    rows.assign(spec.height, std::vector<png_byte>(rowBytes));
    for (int y = 0; y < spec.height; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i) {
            std::uint8_t v = noise.Next();
            if (spec.colourType == PNG_COLOR_TYPE_PALETTE && spec.depth == 8) {
                const int limit = spec.maxIndex >= 0 ? spec.maxIndex : spec.paletteSize - 1;
                v = static_cast<std::uint8_t>(v % (limit + 1));
            }
            // Some transparent-colour pixels where a tRNS colour is set.
            if ((spec.greyTransparent || spec.rgbTransparent) && spec.depth == 8 && i % 5 == 0) {
                v = spec.greyTransparent ? 128 : (i % 3 == 0 ? 40 : (i % 3 == 1 ? 80 : 120));
            }
            rows[y][i] = v;
        }
        // RGBA: give the alpha bytes the alpha spread.
        if (spec.colourType == PNG_COLOR_TYPE_RGBA && spec.depth == 8) {
            for (int x = 0; x < spec.width; ++x) {
                rows[y][4 * x + 3] = noise.NextAlpha();
            }
        }
        if (spec.colourType == PNG_COLOR_TYPE_GRAY_ALPHA && spec.depth == 8) {
            for (int x = 0; x < spec.width; ++x) {
                rows[y][2 * x + 1] = noise.NextAlpha();
            }
        }
        if (spec.colourType == PNG_COLOR_TYPE_PALETTE && spec.depth < 8 && spec.maxIndex >= 0) {
            // Low-depth palettes keep indexes under the table size unless asked.
        }
    }
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---------------------------------------------------------------- JPEG

struct JpegSpec {
    int width = 16, height = 12;
    J_COLOR_SPACE in = JCS_RGB;
    J_COLOR_SPACE out = JCS_YCbCr;
    int components = 3;
    bool progressive = false;
    bool arithmetic = false;
    int h = 2, v = 2;  // luminance sampling
    int restart = 0;
    std::uint32_t seed = 2;
};

ByteBuffer WriteJpeg(const JpegSpec& spec) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = spec.width;
    info.image_height = spec.height;
    info.input_components = spec.components;
    info.in_color_space = spec.in;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, spec.out);
    if (spec.components >= 3 && spec.out == JCS_YCbCr) {
        info.comp_info[0].h_samp_factor = spec.h;
        info.comp_info[0].v_samp_factor = spec.v;
    }
    if (spec.progressive) {
        jpeg_simple_progression(&info);
    }
    info.arith_code = spec.arithmetic ? TRUE : FALSE;
    info.restart_interval = static_cast<unsigned>(spec.restart);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    Noise noise(spec.seed);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(spec.width) * spec.components);
    while (info.next_scanline < info.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            // Smooth-ish content with some noise, so the coder has work.
            row[i] =
                static_cast<JSAMPLE>((i * 7 + info.next_scanline * 11) % 256 ^ (noise.Next() & 15));
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    ByteBuffer out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// ---------------------------------------------------------------- GIF

struct GifFrame {
    int left = 0, top = 0, width = 8, height = 6;
    bool interlace = false;
    int localColours = 0;  // 0: none
    int transparent = -1;  // graphic control extension with this index
    int maxIndex = 3;
};

struct GifSpec {
    int width = 8, height = 6;
    int globalColours = 4;  // 0: none
    int background = 0;
    int codeBits = 0;  // 0: from the colour count
    std::vector<GifFrame> frames{GifFrame{}};
    std::uint32_t seed = 3;
};

int GifOutput(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<ByteBuffer*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

ColorMapObject* MakeMap(int count, Noise& noise) {
    std::vector<GifColorType> colours(count);
    for (auto& c : colours) {
        c = {noise.Next(), noise.Next(), noise.Next()};
    }
    return GifMakeMapObject(count, colours.data());
}

ByteBuffer WriteGif(const GifSpec& spec) {
    ByteBuffer out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifOutput, &error);
    EGifSetGifVersion(gif, true);
    Noise noise(spec.seed);
    ColorMapObject* global = spec.globalColours > 0 ? MakeMap(spec.globalColours, noise) : nullptr;
    EGifPutScreenDesc(gif, spec.width, spec.height, 8, spec.background, global);
    for (const GifFrame& frame : spec.frames) {
        if (frame.transparent >= 0) {
            GraphicsControlBlock control{};
            control.DisposalMode = DISPOSE_BACKGROUND;
            control.DelayTime = 10;
            control.TransparentColor = frame.transparent;
            GifByteType block[4];
            EGifGCBToExtension(&control, block);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, block);
        }
        ColorMapObject* local =
            frame.localColours > 0 ? MakeMap(frame.localColours, noise) : nullptr;
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlace,
                         local);
        std::vector<GifPixelType> line(frame.width);
        for (int y = 0; y < frame.height; ++y) {
            for (auto& p : line) {
                p = static_cast<GifPixelType>(noise.Next() % (frame.maxIndex + 1));
            }
            EGifPutLine(gif, line.data(), frame.width);
        }
        if (local != nullptr) {
            GifFreeMapObject(local);
        }
    }
    EGifCloseFile(gif, &error);
    if (global != nullptr) {
        GifFreeMapObject(global);
    }
    return out;
}

// ---------------------------------------------------------------- BMP

struct BmpSpec {
    int width = 9, height = 7;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    int colours = 0;  // 0: 1 << bits for palettes
    bool topDown = false;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    bool writeMasks = false;  // bit fields after a 40-byte header
    bool darkFirst = true;    // 1-bit: colour 0 darker than colour 1
    bool delta = false;       // run-length: a jump that leaves pixels out
    std::uint32_t seed = 4;
};

// Run-length data: runs, absolute runs, a delta, line ends and the end.
ByteBuffer RunLength(const BmpSpec& spec, Noise& noise) {
    ByteBuffer data;
    const bool four = spec.bits == 4;
    const int limit = spec.colours > 0 ? spec.colours : (1 << spec.bits);
    for (int y = 0; y < spec.height; ++y) {
        int x = 0;
        if (spec.delta && y == 1 && spec.height > 3) {
            // A delta that skips a few pixels right and one row up.
            data.insert(data.end(), {0, 2, 2, 1});
            ++y;
            x = 2;
        }
        while (x < spec.width) {
            const int left = spec.width - x;
            if ((noise.Next() & 1) != 0 || left < 3) {
                const int run = std::min(left, 1 + noise.Next() % 5);
                const std::uint8_t v =
                    four ? static_cast<std::uint8_t>(((noise.Next() % limit) << 4) |
                                                     (noise.Next() % limit))
                         : static_cast<std::uint8_t>(noise.Next() % limit);
                data.push_back(static_cast<std::uint8_t>(run));
                data.push_back(v);
                x += run;
            } else {
                const int run = std::min(left, 3 + noise.Next() % 4);
                data.push_back(0);
                data.push_back(static_cast<std::uint8_t>(run));
                const int bytes = four ? (run + 1) / 2 : run;
                for (int i = 0; i < bytes; ++i) {
                    data.push_back(four ? static_cast<std::uint8_t>(((noise.Next() % limit) << 4) |
                                                                    (noise.Next() % limit))
                                        : static_cast<std::uint8_t>(noise.Next() % limit));
                }
                if (bytes % 2 != 0) {
                    data.push_back(0);
                }
                x += run;
            }
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    return data;
}

ByteBuffer WriteBmp(const BmpSpec& spec) {
    Noise noise(spec.seed);
    ByteBuffer info;
    const bool palette = spec.bits <= 8;
    const int colours = palette ? (spec.colours > 0 ? spec.colours : 1 << spec.bits) : 0;
    ByteBuffer table;
    for (int i = 0; i < colours; ++i) {
        std::uint8_t b = noise.Next(), g = noise.Next(), r = noise.Next();
        if (spec.bits == 1) {
            const std::uint8_t level = (i == 0) == spec.darkFirst ? 20 : 230;
            r = g = b = level;
        }
        table.insert(table.end(), {b, g, r});
        if (spec.headerSize != 12) {
            table.push_back(0);
        }
    }
    ByteBuffer pixels;
    if (spec.compression == 1 || spec.compression == 2) {
        pixels = RunLength(spec, noise);
    } else {
        const std::size_t rowBytes =
            ((static_cast<std::size_t>(spec.width) * spec.bits + 31) / 32) * 4;
        for (int y = 0; y < spec.height; ++y) {
            for (std::size_t i = 0; i < rowBytes; ++i) {
                std::uint8_t v = noise.Next();
                if (spec.bits == 8 && colours < 256) {
                    v = static_cast<std::uint8_t>(v % colours);
                }
                if (spec.bits == 4 && colours < 16) {
                    v = static_cast<std::uint8_t>(((v >> 4) % colours) << 4 | ((v & 15) % colours));
                }
                pixels.push_back(v);
            }
        }
    }
    if (spec.headerSize == 12) {
        Put32(info, 12);
        Put16(info, spec.width);
        Put16(info, spec.height);
        Put16(info, 1);
        Put16(info, spec.bits);
    } else {
        Put32(info, spec.headerSize);
        Put32(info, spec.width);
        Put32(info, static_cast<std::uint32_t>(spec.topDown ? -spec.height : spec.height));
        Put16(info, 1);
        Put16(info, spec.bits);
        Put32(info, spec.compression);
        Put32(info, static_cast<std::uint32_t>(pixels.size()));
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, spec.colours);
        Put32(info, 0);
        if (spec.headerSize >= 108) {
            for (std::uint32_t m : spec.masks) {
                Put32(info, m);
            }
            Put32(info, 0x73524742);  // sRGB
            for (int i = 0; i < 12; ++i) {
                Put32(info, 0);
            }
            if (spec.headerSize == 124) {
                for (int i = 0; i < 4; ++i) {
                    Put32(info, 0);
                }
            }
        }
        if (spec.writeMasks) {
            for (int i = 0; i < 3; ++i) {
                Put32(info, spec.masks[i]);
            }
        }
    }
    ByteBuffer out = {'B', 'M'};
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + table.size());
    Put32(out, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// ---------------------------------------------------------------- ICO

ByteBuffer IconImage(int size, int bits, std::uint32_t seed) {
    Noise noise(seed);
    ByteBuffer out;
    const int colours = bits <= 8 ? 1 << bits : 0;
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size * 2);
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        out.insert(out.end(), {noise.Next(), noise.Next(), noise.Next(), 0});
    }
    const std::size_t rowBytes = ((static_cast<std::size_t>(size) * bits + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        for (std::size_t i = 0; i < rowBytes; ++i) {
            out.push_back(bits == 32 && i % 4 == 3 ? noise.NextAlpha() : noise.Next());
        }
    }
    const std::size_t maskBytes = ((static_cast<std::size_t>(size) + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
        for (std::size_t i = 0; i < maskBytes; ++i) {
            out.push_back(bits == 32 ? static_cast<std::uint8_t>(noise.Next() & 0x11)
                                     : noise.Next());
        }
    }
    return out;
}

ByteBuffer WriteIco(const std::vector<ByteBuffer>& images, const std::vector<int>& sizes,
                    int type = 1) {
    ByteBuffer out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(static_cast<std::uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const ByteBuffer& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

ByteBuffer Text(const std::string& s) {
    return ByteBuffer(s.begin(), s.end());
}

}  // namespace

std::vector<EdgePicture> EdgePictures() {
    std::vector<EdgePicture> table;
    auto add = [&](std::string name, ByteBuffer bytes) {
        table.push_back({std::move(name), std::move(bytes)});
    };

    // PNG: every colour type and depth.
    for (int depth : {1, 2, 4, 8, 16}) {
        PngSpec grey;
        grey.colourType = PNG_COLOR_TYPE_GRAY;
        grey.depth = depth;
        add("png grey " + std::to_string(depth), WritePng(grey));
        grey.greyTransparent = true;
        add("png grey " + std::to_string(depth) + " tRNS", WritePng(grey));
    }
    for (int depth : {8, 16}) {
        for (int type : {PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA}) {
            PngSpec spec;
            spec.colourType = type;
            spec.depth = depth;
            const std::string name =
                "png type " + std::to_string(type) + " depth " + std::to_string(depth);
            add(name, WritePng(spec));
            spec.interlace = true;
            add(name + " interlaced", WritePng(spec));
            if (type == PNG_COLOR_TYPE_RGB) {
                spec.interlace = false;
                spec.rgbTransparent = true;
                add(name + " tRNS", WritePng(spec));
            }
        }
    }
    for (int depth : {1, 2, 4, 8}) {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_PALETTE;
        spec.depth = depth;
        spec.paletteSize = 1 << depth;
        add("png palette " + std::to_string(depth), WritePng(spec));
        spec.transparentCount = spec.paletteSize;
        add("png palette " + std::to_string(depth) + " alpha", WritePng(spec));
        spec.interlace = true;
        add("png palette " + std::to_string(depth) + " alpha interlaced", WritePng(spec));
    }
    {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_PALETTE;
        spec.paletteSize = 10;
        spec.maxIndex = 40;
        add("png palette indexes past the table", WritePng(spec));
        spec.transparentCount = 4;
        add("png palette with fewer alphas than colours", WritePng(spec));
    }
    {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_RGBA;
        spec.gamma = true;
        add("png with gamma", WritePng(spec));
    }
    // Partly transparent rows of every length up to two vector groups and a
    // bit, and one row longer than a span.
    for (int width = 1; width <= 19; ++width) {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_RGBA;
        spec.width = width;
        spec.height = 5;
        spec.seed = 100 + width;
        add("png rgba width " + std::to_string(width), WritePng(spec));
        spec.depth = 16;
        add("png rgba16 width " + std::to_string(width), WritePng(spec));
    }
    {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_RGBA;
        spec.width = 4200;
        spec.height = 2;
        add("png rgba wider than a span", WritePng(spec));
        spec.depth = 16;
        add("png rgba16 wider than a span", WritePng(spec));
    }

    // JPEG: colour spaces, samplings, codings.
    {
        JpegSpec spec;
        add("jpeg 4:2:0", WriteJpeg(spec));
        spec.h = 1;
        spec.v = 1;
        add("jpeg 4:4:4", WriteJpeg(spec));
        spec.h = 2;
        add("jpeg 4:2:2", WriteJpeg(spec));
        spec.h = 2;
        spec.v = 2;
        spec.progressive = true;
        add("jpeg progressive", WriteJpeg(spec));
        spec.progressive = false;
        spec.arithmetic = true;
        add("jpeg arithmetic", WriteJpeg(spec));
        spec.arithmetic = false;
        spec.restart = 1;
        add("jpeg restart markers", WriteJpeg(spec));
        spec.restart = 0;
        spec.width = 1;
        spec.height = 1;
        add("jpeg 1x1", WriteJpeg(spec));
        spec.width = 37;
        spec.height = 19;
        add("jpeg odd size", WriteJpeg(spec));
        spec.out = JCS_RGB;
        add("jpeg rgb", WriteJpeg(spec));
    }
    {
        JpegSpec grey;
        grey.in = JCS_GRAYSCALE;
        grey.out = JCS_GRAYSCALE;
        grey.components = 1;
        add("jpeg grey", WriteJpeg(grey));
        JpegSpec cmyk;
        cmyk.in = JCS_CMYK;
        cmyk.out = JCS_CMYK;
        cmyk.components = 4;
        add("jpeg cmyk", WriteJpeg(cmyk));
        cmyk.out = JCS_YCCK;
        add("jpeg ycck", WriteJpeg(cmyk));
    }

    // GIF.
    {
        GifSpec spec;
        add("gif plain", WriteGif(spec));
        spec.frames[0].transparent = 1;
        add("gif transparent", WriteGif(spec));
        spec.frames[0].transparent = -1;
        spec.frames[0].interlace = true;
        spec.height = spec.frames[0].height = 21;
        add("gif interlaced", WriteGif(spec));
        spec.frames[0].transparent = 2;
        add("gif interlaced transparent", WriteGif(spec));
    }
    {
        GifSpec spec;
        spec.frames[0].localColours = 8;
        spec.frames[0].maxIndex = 7;
        add("gif local palette", WriteGif(spec));
        spec.globalColours = 0;
        add("gif local palette only", WriteGif(spec));
        spec.frames[0].localColours = 0;
        add("gif without any palette", WriteGif(spec));
    }
    {
        GifSpec spec;
        spec.frames[0].maxIndex = 7;
        add("gif indexes past the palette", WriteGif(spec));
        spec.frames[0].transparent = 0;
        add("gif indexes past the palette, transparent", WriteGif(spec));
    }
    {
        GifSpec spec;
        spec.width = 20;
        spec.height = 15;
        spec.background = 2;
        spec.frames = {GifFrame{3, 4, 8, 6}, GifFrame{0, 0, 20, 15, false, 0, -1, 3}};
        add("gif animated, first frame inside the screen", WriteGif(spec));
        spec.frames[0].transparent = 3;
        add("gif animated, first frame transparent", WriteGif(spec));
        spec.frames[0] = GifFrame{15, 12, 8, 6};
        add("gif frame past the screen edge", WriteGif(spec));
        spec.frames[0] = GifFrame{25, 2, 8, 6};
        add("gif frame right of the screen", WriteGif(spec));
        spec.frames[0] = GifFrame{2, 2, 8, 6, true};
        add("gif interlaced frame inside the screen", WriteGif(spec));
    }
    {
        GifSpec spec;
        spec.width = 3000;
        spec.height = 4;
        spec.frames[0] = GifFrame{0, 0, 40, 4};
        add("gif screen not believed", WriteGif(spec));
    }

    // BMP: every depth and compression.
    for (int bits : {1, 4, 8, 24, 32}) {
        BmpSpec spec;
        spec.bits = bits;
        add("bmp " + std::to_string(bits), WriteBmp(spec));
        spec.topDown = true;
        add("bmp " + std::to_string(bits) + " top down", WriteBmp(spec));
    }
    {
        BmpSpec spec;
        spec.bits = 1;
        spec.darkFirst = false;
        add("bmp 1 light first", WriteBmp(spec));
        spec.bits = 16;
        add("bmp 16", WriteBmp(spec));
        spec.compression = 3;
        spec.writeMasks = true;
        spec.masks[0] = 0xf800;
        spec.masks[1] = 0x07e0;
        spec.masks[2] = 0x001f;
        add("bmp 16 bit fields 565", WriteBmp(spec));
        spec.bits = 32;
        spec.masks[0] = 0x3ff00000;
        spec.masks[1] = 0x000ffc00;
        spec.masks[2] = 0x000003ff;
        add("bmp 32 bit fields 10-bit", WriteBmp(spec));
    }
    {
        BmpSpec spec;
        spec.bits = 32;
        spec.compression = 3;
        spec.headerSize = 108;
        spec.masks[0] = 0x00ff0000;
        spec.masks[1] = 0x0000ff00;
        spec.masks[2] = 0x000000ff;
        spec.masks[3] = 0xff000000;
        add("bmp 32 version 4 with alpha", WriteBmp(spec));
        spec.headerSize = 124;
        spec.compression = 0;
        add("bmp 32 version 5 plain with alpha mask", WriteBmp(spec));
        spec.bits = 16;
        spec.compression = 3;
        spec.headerSize = 108;
        spec.masks[0] = 0x0f00;
        spec.masks[1] = 0x00f0;
        spec.masks[2] = 0x000f;
        spec.masks[3] = 0xf000;
        add("bmp 16 version 4 with 4-bit alpha", WriteBmp(spec));
    }
    {
        BmpSpec spec;
        spec.bits = 8;
        spec.compression = 1;
        spec.colours = 16;
        spec.width = 13;
        spec.height = 6;
        add("bmp 8 run-length", WriteBmp(spec));
        spec.bits = 4;
        spec.compression = 2;
        spec.colours = 0;
        add("bmp 4 run-length", WriteBmp(spec));
        spec.delta = true;
        add("bmp 4 run-length with a jump", WriteBmp(spec));
        spec.bits = 8;
        spec.compression = 1;
        add("bmp 8 run-length with a jump", WriteBmp(spec));
        spec.delta = false;
        spec.bits = 8;
        spec.compression = 0;
        spec.colours = 12;
        add("bmp 8 short palette", WriteBmp(spec));
        spec.headerSize = 12;
        spec.colours = 0;
        add("bmp 8 OS/2 header", WriteBmp(spec));
        spec.bits = 24;
        add("bmp 24 OS/2 header", WriteBmp(spec));
    }

    // Icons and cursors.
    for (int bits : {1, 4, 8, 24, 32}) {
        add("ico bitmap " + std::to_string(bits),
            WriteIco({IconImage(16, bits, static_cast<std::uint32_t>(bits))}, {16}));
    }
    add("ico 48 and 16", WriteIco({IconImage(48, 32, 7), IconImage(16, 8, 8)}, {48, 16}));
    add("cursor", WriteIco({IconImage(32, 32, 9)}, {32}, 2));
    {
        PngSpec spec;
        spec.colourType = PNG_COLOR_TYPE_RGBA;
        spec.width = spec.height = 24;
        add("ico with png", WriteIco({WritePng(spec)}, {24}));
        spec.width = spec.height = 256;
        add("ico with 256 png", WriteIco({WritePng(spec)}, {256}));
    }
    add("ico 256 bitmap", WriteIco({IconImage(256, 32, 10)}, {256}));

    // Headers that announce more than the limit allows.
    {
        PngSpec spec;
        spec.width = 8193;
        spec.height = 1;
        spec.colourType = PNG_COLOR_TYPE_GRAY;
        add("png 8193 wide", WritePng(spec));
        spec.width = 8192;
        add("png 8192 wide", WritePng(spec));
        GifSpec gif;
        gif.width = 8193;
        gif.height = 1;
        gif.frames[0] = GifFrame{0, 0, 8193, 1};
        add("gif 8193 wide", WriteGif(gif));
    }
    return table;
}

std::vector<EdgePicture> RetiredFormatPictures() {
    return {
        {"pbm", Text("P1\n4 2\n0 1 0 1\n1 0 1 0\n")},
        {"pgm", Text("P2\n2 2\n255\n0 64\n128 255\n")},
        {"ppm raw",
         [] {
             ByteBuffer b = Text("P6\n2 1\n255\n");
             b.insert(b.end(), {255, 0, 0, 0, 0, 255});
             return b;
         }()},
        {"xbm",
         Text("#define t_width 8\n#define t_height 2\nstatic char t_bits[] = {0x0f, 0xf0};\n")},
        {"xpm", Text("/* XPM */\nstatic char *t[] = {\"2 1 2 1\", \"a c #ff0000\", \"b c "
                     "#0000ff\", \"ab\"};\n")},
    };
}

}  // namespace kestrova::testing
