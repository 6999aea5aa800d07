#include "imaging/PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

namespace kestrova {
namespace {

// A 16-bit colour picture takes eight bytes a pixel; more than this many bytes
// of them are not allocated, as the toolkit before us did not either.
constexpr std::uint64_t kMaxWideBytes = 256ull * 1024 * 1024;

struct Reader {
    const ByteBuffer* bytes;
    std::size_t at = 0;
    bool readingEnd = false;
};

extern "C" void ReadBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    const std::size_t left = reader->bytes->size() - reader->at;
    // Some writers leave out the last chunk's checksum; its four bytes are
    // taken as the one IEND always has.
    if (reader->readingEnd && left < 4 && length == 4) {
        static constexpr png_byte kEndCrc[4] = {0xae, 0x42, 0x60, 0x82};
        std::memcpy(data, kEndCrc, 4);
        reader->at = reader->bytes->size();
        return;
    }
    if (left < length) {
        png_error(png, "Read Error");
    }
    std::memcpy(data, reader->bytes->data() + reader->at, length);
    reader->at += length;
}

extern "C" void Quiet(png_structp, png_const_charp) {}

class PngRead {
  public:
    explicit PngRead(const ByteBuffer& bytes) : reader_{&bytes} {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, Quiet);
        if (png_ == nullptr) {
            return;
        }
        info_ = png_create_info_struct(png_);
        end_ = png_create_info_struct(png_);
        png_set_read_fn(png_, &reader_, ReadBytes);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
        // Accept streams whose deflate window is announced too small, as
        // browsers and the toolkit before us do.
        png_set_option(png_, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
    }
    ~PngRead() {
        if (png_ != nullptr) {
            png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr,
                                    end_ != nullptr ? &end_ : nullptr);
        }
    }
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;

    bool Ready() const {
        return png_ != nullptr && info_ != nullptr && end_ != nullptr;
    }
    png_structp Png() {
        return png_;
    }
    png_infop Info() {
        return info_;
    }
    png_infop End() {
        return end_;
    }
    Reader& Source() {
        return reader_;
    }

  private:
    Reader reader_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    png_infop end_ = nullptr;
};

bool ReadInfo(PngRead& job) {
    if (setjmp(png_jmpbuf(job.Png())) != 0) {
        return false;
    }
    png_read_info(job.Png(), job.Info());
    return true;
}

// How the rows come out of libpng, and how they become pixels.
enum class Layout {
    Bits,     // one bit a pixel, MSB first, into a two-entry table
    Indexes,  // one byte a pixel, into a table
    Grey16,   // two bytes a pixel
    Grey8,    // one byte a pixel
    Rgba16,   // eight bytes a pixel
    Rgbx16,   // eight bytes a pixel, the last two filler
    Rgba8,    // four bytes a pixel
    Rgbx8,    // four bytes a pixel, the last one filler
};

struct Plan {
    Layout layout = Layout::Rgba8;
    std::vector<std::uint32_t> table;  // for Bits and Indexes
    bool checkIndexes = false;         // indexes past the table become 0
};

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Transformations and layout per colour type; the same choices as the
// toolkit's reader made, so that every pixel keeps its value.
void SetUp(png_structp png, png_infop info, Plan& plan) {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colourType = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
    png_set_interlace_handling(png);
    png_bytep transAlpha = nullptr;
    png_color_16p transColour = nullptr;
    int transCount = 0;
    png_colorp palette = nullptr;
    int paletteCount = 0;
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_GRAY) {
        if (depth == 1) {
            png_set_invert_mono(png);
            png_read_update_info(png, info);
            plan.layout = Layout::Bits;
            plan.table = {Argb(255, 255, 255, 255), Argb(255, 0, 0, 0)};
            if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) &&
                transColour != nullptr) {
                if (transColour->gray == 0) {
                    plan.table[1] = 0;
                } else if (transColour->gray == 1) {
                    plan.table[0] = Argb(0, 255, 255, 255);
                }
            }
        } else if (depth == 16 && !hasTrns) {
            plan.layout = Layout::Grey16;
            png_read_update_info(png, info);
        } else if (depth == 16) {
            png_set_expand(png);
            png_set_gray_to_rgb(png);
            plan.layout = Layout::Rgba16;
            png_read_update_info(png, info);
        } else if (depth == 8 && !hasTrns) {
            png_set_expand(png);
            plan.layout = Layout::Grey8;
            png_read_update_info(png, info);
        } else {
            if (depth < 8) {
                png_set_packing(png);
            }
            const int colours = depth < 8 ? 1 << depth : 256;
            png_read_update_info(png, info);
            plan.layout = Layout::Indexes;
            for (int i = 0; i < colours; ++i) {
                const std::uint32_t c = static_cast<std::uint32_t>(i * 255 / (colours - 1));
                plan.table.push_back(Argb(255, c, c, c));
            }
            if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) &&
                transColour != nullptr && transColour->gray < colours) {
                plan.table[transColour->gray] = 0;
            }
        }
    } else if (colourType == PNG_COLOR_TYPE_PALETTE &&
               png_get_PLTE(png, info, &palette, &paletteCount) && paletteCount <= 256) {
        if (depth != 1) {
            png_set_packing(png);
        }
        png_read_update_info(png, info);
        png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
        png_get_PLTE(png, info, &palette, &paletteCount);
        plan.layout = depth == 1 ? Layout::Bits : Layout::Indexes;
        plan.checkIndexes = depth != 1;
        plan.table.assign(depth == 1 ? 2 : static_cast<std::size_t>(paletteCount), 0);
        int i = 0;
        if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) &&
            transAlpha != nullptr) {
            for (; i < transCount; ++i) {
                if (static_cast<std::size_t>(i) < plan.table.size()) {
                    plan.table[i] =
                        Argb(transAlpha[i], palette[i].red, palette[i].green, palette[i].blue);
                }
            }
        }
        for (; i < paletteCount; ++i) {
            if (static_cast<std::size_t>(i) < plan.table.size()) {
                plan.table[i] = Argb(255, palette[i].red, palette[i].green, palette[i].blue);
            }
        }
    } else if (depth == 16 && (colourType & PNG_COLOR_MASK_PALETTE) == 0) {
        plan.layout = Layout::Rgba16;
        if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns) {
            png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
            plan.layout = Layout::Rgbx16;
        }
        if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
            png_set_gray_to_rgb(png);
        }
        png_read_update_info(png, info);
    } else {
        if (depth == 16) {
            png_set_strip_16(png);
        }
        png_set_expand(png);
        if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
        }
        plan.layout = Layout::Rgba8;
        if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns) {
            png_set_filler(png, 0xff, PNG_FILLER_AFTER);
            plan.layout = Layout::Rgbx8;
        }
        png_read_update_info(png, info);
    }
}

PixelKind KindOf(const Plan& plan) {
    switch (plan.layout) {
        case Layout::Bits:
        case Layout::Indexes:
            for (std::uint32_t colour : plan.table) {
                if ((colour >> 24) != 255) {
                    return PixelKind::Palette;
                }
            }
            return PixelKind::Opaque;
        case Layout::Rgba16:
            return PixelKind::Wide;
        case Layout::Rgba8:
            return PixelKind::Straight;
        default:
            return PixelKind::Opaque;
    }
}

std::size_t BytesPerRow(Layout layout, std::size_t width) {
    switch (layout) {
        case Layout::Bits:
            return (width + 7) / 8;
        case Layout::Indexes:
        case Layout::Grey8:
            return width;
        case Layout::Grey16:
            return 2 * width;
        case Layout::Rgba16:
        case Layout::Rgbx16:
            return 8 * width;
        case Layout::Rgba8:
        case Layout::Rgbx8:
            return 4 * width;
    }
    return 4 * width;
}

std::uint32_t Be16(const png_byte* p) {
    return (static_cast<std::uint32_t>(p[0]) << 8) | p[1];
}

void ConvertRow(const Plan& plan, const png_byte* in, int width, Raster& out, int y) {
    if (out.kind == PixelKind::Wide) {
        std::uint64_t* row = out.WideRow(y);
        for (int x = 0; x < width; ++x) {
            const png_byte* p = in + 8 * x;
            row[x] = static_cast<std::uint64_t>(Be16(p)) |
                     (static_cast<std::uint64_t>(Be16(p + 2)) << 16) |
                     (static_cast<std::uint64_t>(Be16(p + 4)) << 32) |
                     (static_cast<std::uint64_t>(Be16(p + 6)) << 48);
        }
        return;
    }
    std::uint32_t* row = out.Row(y);
    for (int x = 0; x < width; ++x) {
        switch (plan.layout) {
            case Layout::Bits:
                row[x] = plan.table[(in[x / 8] >> (7 - x % 8)) & 1];
                break;
            case Layout::Indexes: {
                std::size_t index = in[x];
                if (index >= plan.table.size()) {
                    index = 0;
                }
                row[x] = index < plan.table.size() ? plan.table[index] : 0;
                break;
            }
            case Layout::Grey8:
                row[x] = Argb(255, in[x], in[x], in[x]);
                break;
            case Layout::Grey16: {
                const std::uint32_t g = NarrowChannel(Be16(in + 2 * x));
                row[x] = Argb(255, g, g, g);
                break;
            }
            case Layout::Rgbx16: {
                const png_byte* p = in + 8 * x;
                row[x] = Argb(255, NarrowChannel(Be16(p)), NarrowChannel(Be16(p + 2)),
                              NarrowChannel(Be16(p + 4)));
                break;
            }
            case Layout::Rgba8:
            case Layout::Rgbx8: {
                const png_byte* p = in + 4 * x;
                row[x] = Argb(plan.layout == Layout::Rgba8 ? p[3] : 255, p[0], p[1], p[2]);
                break;
            }
            case Layout::Rgba16:
                break;
        }
    }
}

// Each step that can make libpng jump back has a frame of its own with
// nothing in it that needs destroying.
bool SetUpGuarded(PngRead& job, Plan& plan) {
    if (setjmp(png_jmpbuf(job.Png())) != 0) {
        return false;
    }
    SetUp(job.Png(), job.Info(), plan);
    return true;
}

bool ReadGuarded(PngRead& job, png_bytep* rows) {
    if (setjmp(png_jmpbuf(job.Png())) != 0) {
        return false;
    }
    png_read_image(job.Png(), rows);
    job.Source().readingEnd = true;
    png_read_end(job.Png(), job.End());
    return true;
}

}  // namespace

std::optional<PngHeader> ReadPngHeader(const ByteBuffer& bytes) {
    PngRead job(bytes);
    if (!job.Ready() || !ReadInfo(job)) {
        return std::nullopt;
    }
    return PngHeader{png_get_image_width(job.Png(), job.Info()),
                     png_get_image_height(job.Png(), job.Info())};
}

std::optional<Raster> DecodePng(const ByteBuffer& bytes) {
    PngRead job(bytes);
    if (!job.Ready() || !ReadInfo(job)) {
        return std::nullopt;
    }
    const png_uint_32 width = png_get_image_width(job.Png(), job.Info());
    const png_uint_32 height = png_get_image_height(job.Png(), job.Info());
    if (!PictureSideAllowed(width, height)) {
        return std::nullopt;
    }
    Raster picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    Plan plan;
    if (!SetUpGuarded(job, plan)) {
        return std::nullopt;
    }
    const bool wide = plan.layout == Layout::Rgba16 || plan.layout == Layout::Rgbx16;
    if (wide && std::uint64_t{width} * 8 * height > kMaxWideBytes) {
        return std::nullopt;
    }
    const std::size_t stride = BytesPerRow(plan.layout, width);
    std::vector<png_byte> rows(stride * height);
    std::vector<png_bytep> pointers(height);
    for (std::size_t y = 0; y < pointers.size(); ++y) {
        pointers[y] = rows.data() + y * stride;
    }
    if (!ReadGuarded(job, pointers.data())) {
        return std::nullopt;
    }
    picture = Raster::Blank(picture.width, picture.height, KindOf(plan));
    for (int y = 0; y < picture.height; ++y) {
        ConvertRow(plan, rows.data() + static_cast<std::size_t>(y) * stride, picture.width, picture,
                   y);
    }
    return picture;
}

}  // namespace kestrova
