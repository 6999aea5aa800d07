#include "web/PictureFetch.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "imaging/Picture.h"
#include "web/CleanAddress.h"
#include "web/ExchangeSource.h"
#include "web/Transport.h"

namespace kestrova {
namespace {

// Honour badges are the same few pictures for every member, so lookups in a
// row (a batch runs many at once) would decode and encode them again and
// again. The JPEG made of a body is kept for the next time the same bytes
// come; what is kept is bounded, and past the bound the cache starts afresh.
class ReencodedPictures {
  public:
    ByteBuffer Of(const ByteBuffer& body) {
        const std::string_view key(reinterpret_cast<const char*>(body.data()), body.size());
        {
            std::lock_guard lock(mutex_);
            if (const auto found = jpegs_.find(key); found != jpegs_.end()) {
                return found->second;
            }
        }
        ByteBuffer jpeg = ReencodeAsJpeg(body);
        const std::size_t size = key.size() + jpeg.size();
        std::lock_guard lock(mutex_);
        if (kept_ + size > kMaxKeptBytes) {
            jpegs_.clear();
            kept_ = 0;
        }
        if (jpegs_.emplace(std::string(key), jpeg).second) {
            kept_ += size;
        }
        return jpeg;
    }

  private:
    static constexpr std::size_t kMaxKeptBytes = 4 << 20;

    std::mutex mutex_;
    std::map<std::string, ByteBuffer, std::less<>> jpegs_;
    std::size_t kept_ = 0;
};

ReencodedPictures& Reencoded() {
    static ReencodedPictures cache;
    return cache;
}

}  // namespace

WireRequest PictureWireRequest(const Text& givenUrl) {
    // The Referer is the address itself, so it is cleaned first; one that is
    // refused goes to the transport as it came, which fails it.
    const std::optional<Text> cleaned = CleanAddress(givenUrl);
    WireRequest request;
    request.method = "GET";
    request.url = cleaned.value_or(givenUrl);
    if (cleaned) {
        request.headers = {{"Referer", *cleaned}, {"Accept-Language", "zh-cn"}};
    }
    return request;
}

ByteBuffer DownloadPicture(const Text& url) {
    return Exchange(PictureWireRequest(url)).body;
}

ByteBuffer DownloadPictureAsJpeg(const Text& url) {
    const ByteBuffer body = DownloadPicture(url);
    // Nothing downloaded gives nothing, as ReencodeAsJpeg would.
    if (body.empty()) {
        return {};
    }
    // A large picture takes seconds to re-encode, and cannot be stopped once
    // begun: a lookup cancelled meanwhile does not begin it.
    ThrowIfExchangesCancelled();
    return Reencoded().Of(body);
}

}  // namespace kestrova
