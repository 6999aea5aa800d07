// Picture bytes from a server: detection, size and the JPEG re-encoding of
// the honour pictures.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "imaging/Picture.h"

namespace kestrova::fuzz {

int FuzzPicture(const std::uint8_t* data, std::size_t size) {
    const ByteBuffer bytes(data, data + size);
    const PictureFormat format = DetectPictureFormat(bytes);
    FuzzCheck((format == PictureFormat::Empty) == bytes.empty(), "empty bytes with a format");
    const PictureSize inSize = ProbePictureSize(bytes);
    const ByteBuffer jpeg = ReencodeAsJpeg(bytes);
    if (jpeg.empty()) {
        return 0;
    }
    FuzzCheck(DetectPictureFormat(jpeg) == PictureFormat::Jpeg, "re-encoding gave no JPEG");
    const PictureSize outSize = ProbePictureSize(jpeg);
    FuzzCheck(inSize.width > 0 && outSize.width == inSize.width && outSize.height == inSize.height,
              "re-encoding changed the picture's size");
    return 0;
}

}  // namespace kestrova::fuzz
