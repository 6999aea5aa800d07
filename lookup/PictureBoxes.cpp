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

DesignPictures EmbeddedDesignPictures() {
    return {BytesOf(assets::GoodRatingIcon()), BytesOf(assets::NeutralRatingIcon()),
            BytesOf(assets::BadRatingIcon())};
}

void InstallDesignPictures(Window& window) {
    WriteDesignPictures(window, EmbeddedDesignPictures());
}

}  // namespace kestrova
