#include "form/DesignPictures.h"

namespace kestrova {

void WriteDesignPictures(Window& window, const DesignPictures& pictures) {
    window.WritePicture(Ctl::图片框4, pictures.goodRating);
    window.WritePicture(Ctl::图片框2, pictures.neutralRating);
    window.WritePicture(Ctl::图片框3, pictures.badRating);
}

}  // namespace kestrova
