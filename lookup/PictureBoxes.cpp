#include "lookup/PictureBoxes.h"

#include "assets/Assets.h"
#include "web/PictureFetch.h"

namespace kestrova {

void FetchPicture(const Text& url, Window& window, Ctl control) {
    window.WritePicture(control, DownloadPicture(url));
}

void FetchPictureAsJpeg(const Text& url, Window& window, Ctl control) {
    window.WritePicture(control, DownloadPictureAsJpeg(url));
}

ByteBuffer BytesOf(std::span<const std::uint8_t> constant) {
    return ByteBuffer(constant.begin(), constant.end());
}

void InstallDesignPictures(Window& window) {
    window.WritePicture(Ctl::图片框4, BytesOf(assets::GoodRatingIcon()));
    window.WritePicture(Ctl::图片框2, BytesOf(assets::NeutralRatingIcon()));
    window.WritePicture(Ctl::图片框3, BytesOf(assets::BadRatingIcon()));
}

}  // namespace kestrova
