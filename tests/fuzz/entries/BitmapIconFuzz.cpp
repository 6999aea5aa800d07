// Our own bitmap and icon readers on any bytes: whatever the headers claim,
// a picture that comes out is within the side limit and holds exactly its
// pixels, and the re-encoding of it is a JPEG of its size.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "imaging/BmpReader.h"
#include "imaging/IcoReader.h"
#include "imaging/Picture.h"

namespace kestrova::fuzz {
namespace {

void CheckRaster(const std::optional<Raster>& picture) {
    if (!picture) {
        return;
    }
    FuzzCheck(PictureSideAllowed(picture->width, picture->height), "a picture past the side limit");
    const std::size_t pixels =
        static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height);
    FuzzCheck(
        (picture->kind == PixelKind::Wide ? picture->wide.size() : picture->argb.size()) == pixels,
        "a picture whose pixels do not fill it");
}

}  // namespace

int FuzzBitmapIcon(const std::uint8_t* data, std::size_t size) {
    const ByteBuffer bytes(data, data + size);
    CheckRaster(DecodeBmp(bytes));
    CheckRaster(DecodeIco(bytes));
    const ByteBuffer jpeg = ReencodeAsJpeg(bytes);
    if (!jpeg.empty()) {
        FuzzCheck(DetectPictureFormat(jpeg) == PictureFormat::Jpeg, "re-encoding gave no JPEG");
        const PictureSize in = ProbePictureSize(bytes);
        const PictureSize out = ProbePictureSize(jpeg);
        FuzzCheck(in.width == out.width && in.height == out.height,
                  "re-encoding changed the picture's size");
    }
    return 0;
}

}  // namespace kestrova::fuzz
