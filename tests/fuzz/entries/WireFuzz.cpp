// Whatever bytes a server sends back, as the whole response: status line,
// header lines, redirects, chunks, bodies cut short.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "LoopbackPages.h"
#include "web/HttpSessionRequest.h"
#include "web/Transport.h"

namespace kestrova::fuzz {

int FuzzWireResponse(const std::uint8_t* data, std::size_t size) {
    LoopbackPages::Instance().Serve({std::string(reinterpret_cast<const char*>(data), size)}, 0,
                                    AnswerMode::Raw);
    for (const bool redirectsOff : {false, true}) {
        HttpSessionParams params;
        params.redirectsOff = redirectsOff;
        const ByteBuffer body =
            HttpSessionRequest("http://rate.taobao.com/member_rate.htm", params);
        FuzzCheck(body.size() <= kMaxBodyBytes, "a body beyond the cap");
        FuzzCheck(params.method == "GET", "the method changed");
    }
    FuzzCheck(LoopbackPages::Instance().RequestCount() <= 2 * (kMaxRedirects + 1),
              "more hops than redirects are followed");
    return 0;
}

}  // namespace kestrova::fuzz
