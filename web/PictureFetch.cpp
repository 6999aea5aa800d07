#include "web/PictureFetch.h"

#include "imaging/Picture.h"
#include "web/Transport.h"

namespace kestrova {

WireRequest PictureWireRequest(const Text& url) {
    WireRequest request;
    request.method = "GET";
    request.url = url;
    request.headers = {{"Referer", url}, {"Accept-Language", "zh-cn"}};
    return request;
}

ByteBuffer DownloadPicture(const Text& url) {
    return Exchange(PictureWireRequest(url)).body;
}

ByteBuffer DownloadPictureAsJpeg(const Text& url) {
    return ReencodeAsJpeg(DownloadPicture(url));
}

}  // namespace kestrova
