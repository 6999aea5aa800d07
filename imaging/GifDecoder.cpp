#include "imaging/GifDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/ByteCursor.h"

namespace kestrova {
namespace {

// Pixels of no colour: white, fully transparent.
constexpr std::uint32_t kNoColour = 0x00ffffff;

int TableSize(std::uint8_t packed) {
    return 2 << (packed & 7);
}

// Where the first frame's picture data lies, found by walking the blocks.
struct Layout {
    bool haveFrame = false;  // an image descriptor was found
    int frameLeft = 0, frameTop = 0, frameWidth = 0, frameHeight = 0;
    std::size_t dataStart = 0;  // first byte after the code size
    bool anyData = false;       // at least one byte of picture data arrived
    bool cut = false;           // the stream ends inside the data
    std::size_t cutAt = 0;      // where the whole data blocks end
    std::size_t partial = 0;    // bytes of the block the stream ends in
};

bool SkipSubBlocks(ByteCursor& in) {
    for (;;) {
        std::uint8_t size;
        if (!in.Byte(size)) {
            return false;
        }
        if (size == 0) {
            return true;
        }
        if (in.Left() < size) {
            return false;
        }
        in.Seek(in.Position() + size);
    }
}

Layout Walk(const ByteBuffer& bytes) {
    Layout layout;
    ByteCursor in(bytes.data(), bytes.size());
    std::uint8_t screen[13] = {};
    if (!in.Read(screen, 13)) {
        return layout;
    }
    if ((screen[10] & 0x80) != 0) {
        const std::size_t table = 3 * static_cast<std::size_t>(TableSize(screen[10]));
        if (in.Left() < table) {
            return layout;
        }
        in.Seek(in.Position() + table);
    }
    for (;;) {
        std::uint8_t introducer;
        if (!in.Byte(introducer)) {
            return layout;
        }
        if (introducer == 0x21) {
            std::uint8_t label;
            if (!in.Byte(label) || !SkipSubBlocks(in)) {
                return layout;
            }
            continue;
        }
        if (introducer != 0x2C) {
            return layout;
        }
        std::uint8_t d[9] = {};
        if (!in.Read(d, 9)) {
            return layout;
        }
        layout.haveFrame = true;
        layout.frameLeft = d[0] | (d[1] << 8);
        layout.frameTop = d[2] | (d[3] << 8);
        layout.frameWidth = d[4] | (d[5] << 8);
        layout.frameHeight = d[6] | (d[7] << 8);
        if ((d[8] & 0x80) != 0) {
            const std::size_t table = 3 * static_cast<std::size_t>(TableSize(d[8]));
            if (in.Left() < table) {
                return layout;
            }
            in.Seek(in.Position() + table);
        }
        std::uint8_t codeSize;
        if (!in.Byte(codeSize)) {
            return layout;
        }
        layout.dataStart = in.Position();
        for (;;) {
            const std::size_t blockAt = in.Position();
            std::uint8_t size;
            if (!in.Byte(size)) {
                layout.cut = true;
                layout.cutAt = blockAt;
                return layout;
            }
            if (size == 0) {
                return layout;
            }
            layout.anyData = layout.anyData || in.Left() > 0;
            if (in.Left() < size) {
                layout.cut = true;
                layout.cutAt = blockAt;
                layout.partial = in.Left();
                return layout;
            }
            in.Seek(in.Position() + size);
        }
    }
}

// A stream cut inside the picture data, closed so that giflib decodes every
// byte that arrived: the last block shortened to what is there, then the end
// of the data and of the stream.
ByteBuffer Closed(const ByteBuffer& bytes, const Layout& layout) {
    ByteBuffer out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(layout.cutAt));
    if (layout.partial > 0) {
        out.push_back(static_cast<std::uint8_t>(layout.partial));
        out.insert(out.end(), bytes.end() - static_cast<std::ptrdiff_t>(layout.partial),
                   bytes.end());
    }
    out.push_back(0x00);
    out.push_back(0x3B);
    return out;
}

struct MemoryInput {
    const ByteBuffer* bytes;
    std::size_t at = 0;
};

int ReadInput(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), input->bytes->size() - input->at);
    std::memcpy(out, input->bytes->data() + input->at, n);
    input->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

std::vector<std::uint32_t> ColoursOf(const ColorMapObject* map) {
    std::vector<std::uint32_t> colours;
    if (map != nullptr) {
        for (int i = 0; i < map->ColorCount; ++i) {
            const GifColorType& c = map->Colors[i];
            colours.push_back(0xff000000u | (std::uint32_t{c.Red} << 16) |
                              (std::uint32_t{c.Green} << 8) | c.Blue);
        }
    }
    return colours;
}

// Places the frame's pixels in stream order on the screen: clipped at the
// screen's right and bottom edges, interlaced passes copied down over the rows
// still to come while no colour is transparent, as a progressive display does.
class FramePlacer {
  public:
    FramePlacer(Raster& screen, int left, int top, int width, int height, bool interlaced,
                bool transparency)
        : screen_(screen),
          left_(left),
          top_(top),
          width_(width),
          interlace_(interlaced ? 1 : 0),
          transparency_(transparency),
          x_(left),
          y_(top) {
        right_ = std::max(0, std::min(left + width, screen.width) - 1);
        bottom_ = std::max(0, std::min(top + height, screen.height) - 1);
        outOfBounds_ = left >= screen.width || top >= screen.height;
    }

    void Put(std::uint32_t colour) {
        if (!outOfBounds_ && y_ < screen_.height) {
            screen_.Row(y_)[x_] = colour;
        }
        ++x_;
        if (x_ >= screen_.width) {
            outOfBounds_ = true;
        }
        if (x_ >= left_ + width_) {
            x_ = left_;
            outOfBounds_ = left_ >= screen_.width || y_ >= screen_.height;
            NextRow();
        }
    }

  private:
    void CopyDown(int rows) {
        if (transparency_) {
            return;
        }
        const int count = right_ - left_ + 1;
        for (int i = 1; i <= rows; ++i) {
            if (y_ + i < screen_.height && count > 0) {
                std::copy_n(screen_.Row(y_) + left_, count, screen_.Row(y_ + i) + left_);
            }
        }
    }

    void NextRow() {
        if (outOfBounds_) {
            return;
        }
        switch (interlace_) {
            case 0:
                ++y_;
                break;
            case 1:
                CopyDown(std::min(7, bottom_ - y_));
                y_ += 8;
                if (y_ > bottom_) {
                    interlace_ = 2;
                    y_ = top_ + 4;
                    if (y_ > bottom_) {
                        interlace_ = 3;
                        y_ = top_ + 2;
                        if (y_ > bottom_) {
                            interlace_ = 0;
                            y_ = top_ + 1;
                        }
                    }
                }
                break;
            case 2:
                CopyDown(std::min(3, bottom_ - y_));
                y_ += 8;
                if (y_ > bottom_) {
                    interlace_ = 3;
                    y_ = top_ + 2;
                    if (y_ > bottom_) {
                        interlace_ = 4;
                        y_ = top_ + 1;
                    }
                }
                break;
            case 3:
                CopyDown(std::min(1, bottom_ - y_));
                y_ += 4;
                if (y_ > bottom_) {
                    interlace_ = 4;
                    y_ = top_ + 1;
                }
                break;
            case 4:
                y_ += 2;
                break;
        }
        if (y_ >= screen_.height) {
            outOfBounds_ = true;
        }
    }

    Raster& screen_;
    int left_, top_, width_;
    int right_ = 0, bottom_ = 0;
    int interlace_;
    bool transparency_;
    int x_, y_;
    bool outOfBounds_ = false;
};

// Logical screen sides are not believed when they are more than ten times
// the frame's side (and past `floor`); the frame decides then.
int BelievedSide(int screenSide, int frameStart, int frameSide, int floor) {
    if (screenSide / 10 > std::max(frameSide, floor)) {
        screenSide = -1;
    }
    return screenSide <= 0 ? frameStart + frameSide : screenSide;
}

}  // namespace

std::optional<GifSize> ReadGifHeader(const ByteBuffer& bytes) {
    const Layout layout = Walk(bytes);
    if (!layout.haveFrame) {
        return std::nullopt;
    }
    const int screenWidth = bytes[6] | (bytes[7] << 8);
    const int screenHeight = bytes[8] | (bytes[9] << 8);
    return GifSize{BelievedSide(screenWidth, layout.frameLeft, layout.frameWidth, 200),
                   BelievedSide(screenHeight, layout.frameTop, layout.frameHeight, 200)};
}

std::optional<Raster> DecodeGif(const ByteBuffer& bytes) {
    const Layout layout = Walk(bytes);
    if (!layout.haveFrame || !layout.anyData) {
        return std::nullopt;
    }
    const ByteBuffer closed = layout.cut ? Closed(bytes, layout) : ByteBuffer();
    MemoryInput input{layout.cut ? &closed : &bytes};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadInput, &error));
    if (!gif) {
        return std::nullopt;
    }
    const std::vector<std::uint32_t> global = ColoursOf(gif->SColorMap);
    int transparentIndex = -1;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            return std::nullopt;
        }
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
                return std::nullopt;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                transparentIndex = (block[1] & 1) != 0 ? block[4] : -1;
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
                    return std::nullopt;
                }
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) {
            return std::nullopt;
        }
        break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        return std::nullopt;
    }
    const GifImageDesc& frame = gif->Image;
    const int screenWidth = BelievedSide(gif->SWidth, frame.Left, frame.Width, 16384);
    const int screenHeight = BelievedSide(gif->SHeight, frame.Top, frame.Height, 16384);
    if (!PictureSideAllowed(screenWidth, screenHeight)) {
        return std::nullopt;
    }
    const bool transparency = transparentIndex >= 0;
    Raster screen = Raster::Blank(screenWidth, screenHeight,
                                  transparency ? PixelKind::Straight : PixelKind::Opaque);
    std::fill(screen.argb.begin(), screen.argb.end(), 0u);

    const bool local = frame.ColorMap != nullptr;
    const std::vector<std::uint32_t> localColours = ColoursOf(frame.ColorMap);
    const std::vector<std::uint32_t>& colours = local ? localColours : global;
    const bool haveMap = local || gif->SColorMap != nullptr;
    // The colour count the stream announces, whether or not a table came with it.
    const std::uint8_t screenPacked = bytes[10];
    const int count = local ? static_cast<int>(localColours.size()) : TableSize(screenPacked);
    auto colourOf = [&](int index) -> std::uint32_t {
        if (index > count) {
            return kNoColour;
        }
        std::uint32_t c = 0;
        if (haveMap) {
            c = static_cast<std::size_t>(index) < colours.size() ? colours[index] : kNoColour;
        }
        return index == transparentIndex ? (c & kNoColour) : c;
    };
    const bool fullSize = frame.Left == 0 && frame.Top == 0 && frame.Width >= screenWidth &&
                          frame.Height >= screenHeight;
    if (!fullSize) {
        const int background = (screenPacked & 0x80) != 0 ? bytes[11] : -1;
        if (transparency) {
            std::fill(screen.argb.begin(), screen.argb.end(), colourOf(transparentIndex));
        } else if (background >= 0) {
            std::fill(screen.argb.begin(), screen.argb.end(), colourOf(background));
        }
    }
    FramePlacer placer(screen, frame.Left, frame.Top, frame.Width, frame.Height, frame.Interlace,
                       transparency);
    const long long pixels = static_cast<long long>(frame.Width) * frame.Height;
    for (long long i = 0; i < pixels; ++i) {
        GifPixelType index = 0;
        if (DGifGetLine(gif.get(), &index, 1) == GIF_ERROR) {
            break;
        }
        placer.Put(colourOf(index));
    }
    return screen;
}

}  // namespace kestrova
