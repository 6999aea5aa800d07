#include "imaging/Picture.h"

#include <cstring>
#include <optional>

#include "imaging/BmpReader.h"
#include "imaging/CanvasDraw.h"
#include "imaging/GifDecoder.h"
#include "imaging/IcoReader.h"
#include "imaging/JpegCodec.h"
#include "imaging/PngDecoder.h"
#include "imaging/Raster.h"

namespace kestrova {
namespace {

bool StartsWith(const ByteBuffer& bytes, std::initializer_list<std::uint8_t> prefix) {
    if (bytes.size() < prefix.size()) {
        return false;
    }
    std::size_t i = 0;
    for (std::uint8_t b : prefix) {
        if (bytes[i++] != b) {
            return false;
        }
    }
    return true;
}

// A size a header announces that is out of bounds refuses the picture before
// anything is decoded.
template <typename Size>
bool AnnouncedTooLarge(const std::optional<Size>& size) {
    return size && size->width >= 0 && size->height >= 0 &&
           !PictureSideAllowed(size->width, size->height);
}

// The picture the bytes hold, told apart by content in a fixed order: GIF,
// icon, JPEG, PNG, bitmap. Portable any-maps and X bitmaps and pixmaps, which
// the web does not serve, are not read.
std::optional<Raster> Decode(const ByteBuffer& bytes) {
    std::optional<Raster> picture;
    if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) ||
        StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
        if (AnnouncedTooLarge(ReadGifHeader(bytes))) {
            return std::nullopt;
        }
        picture = DecodeGif(bytes);
    } else if (LooksLikeIcon(bytes)) {
        picture = DecodeIco(bytes);
    } else if (StartsWith(bytes, {0xFF, 0xD8})) {
        if (AnnouncedTooLarge(ReadJpegHeader(bytes))) {
            return std::nullopt;
        }
        picture = DecodeJpeg(bytes);
    } else if (StartsWith(bytes, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        if (AnnouncedTooLarge(ReadPngHeader(bytes))) {
            return std::nullopt;
        }
        picture = DecodePng(bytes);
    } else if (StartsWith(bytes, {'B', 'M'})) {
        if (AnnouncedTooLarge(ReadBmpHeader(bytes))) {
            return std::nullopt;
        }
        picture = DecodeBmp(bytes);
    }
    if (!picture || !PictureSideAllowed(picture->width, picture->height)) {
        return std::nullopt;
    }
    return picture;
}

}  // namespace

PictureFormat DetectPictureFormat(const ByteBuffer& bytes) {
    if (bytes.empty()) {
        return PictureFormat::Empty;
    }
    if (StartsWith(bytes, {0xFF, 0xD8})) {
        return PictureFormat::Jpeg;
    }
    if (StartsWith(bytes, {'B', 'M'})) {
        return PictureFormat::Bmp;
    }
    if (StartsWith(bytes, {0x00, 0x00, 0x01, 0x00}) ||
        StartsWith(bytes, {0x00, 0x00, 0x02, 0x00})) {
        return PictureFormat::Ico;
    }
    if (StartsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) ||
        StartsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
        return PictureFormat::Gif;
    }
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G'})) {
        return PictureFormat::Png;
    }
    // PCX: manufacturer byte 10, then one of the versions the format knows.
    if (bytes.size() >= 2 && bytes[0] == 0x0A &&
        (bytes[1] == 0 || bytes[1] == 2 || bytes[1] == 3 || bytes[1] == 4 || bytes[1] == 5)) {
        return PictureFormat::Pcx;
    }
    return PictureFormat::Unknown;
}

const char* PictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Empty:
            return "empty";
        case PictureFormat::Jpeg:
            return "jpeg";
        case PictureFormat::Gif:
            return "gif";
        case PictureFormat::Png:
            return "png";
        case PictureFormat::Bmp:
            return "bmp";
        case PictureFormat::Ico:
            return "ico";
        case PictureFormat::Pcx:
            return "pcx";
        case PictureFormat::Unknown:
            break;
    }
    return "unknown";
}

bool IsShownByPictureBox(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg:
        case PictureFormat::Gif:
        case PictureFormat::Bmp:
        case PictureFormat::Ico:
        case PictureFormat::Pcx:
            return true;
        case PictureFormat::Empty:
        case PictureFormat::Png:
        case PictureFormat::Unknown:
            break;
    }
    return false;
}

PictureSize ProbePictureSize(const ByteBuffer& bytes) {
    const std::optional<Raster> picture = Decode(bytes);
    if (!picture) {
        return {};
    }
    return {picture->width, picture->height};
}

ByteBuffer ReencodeAsJpeg(const ByteBuffer& bytes) {
    const std::optional<Raster> picture = Decode(bytes);
    if (!picture) {
        return {};
    }
    // Drawn over a fresh, fully transparent canvas of the same size:
    // transparent areas end up black in the JPEG.
    return EncodeJpeg(DrawOnBlankCanvas(*picture), picture->width, picture->height);
}

}  // namespace kestrova
