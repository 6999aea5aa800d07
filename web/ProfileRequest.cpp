#include "web/ProfileRequest.h"

#include "web/Endpoints.h"
#include "web/Transport.h"

namespace kestrova {
namespace {

constexpr const char* kProfileUserAgent =
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1; Trident/4.0; SLCC2; .NET CLR 2.0.50727; "
    ".NET CLR 3.5.30729; .NET CLR 3.0.30729; Media Center PC 6.0; TheWorld)";

constexpr const char* kProfileAccept =
    "image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, image/pjpeg, "
    "application/x-ms-xbap, application/x-silverlight, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/msword, */*";

}  // namespace

WireRequest ProfileWireRequest(const Text& url) {
    WireRequest request;
    request.method = "GET";
    request.url = url;
    request.timeouts = kProfileTimeouts;
    request.headers = {
        {"Referer", endpoints::kProfileReferer},
        {"Content-Type", "application/x-www-form-urlencoded"},
        {"User-Agent", kProfileUserAgent},
        {"Accept-Language", "ko"},
        {"Accept", kProfileAccept},
        {"Connection", "Keep-Alive"},
        {"Cache-Control", "no-cache"},
    };
    return request;
}

ByteBuffer RequestProfileBody(const Text& url) {
    return Exchange(ProfileWireRequest(url)).body;
}

}  // namespace kestrova
