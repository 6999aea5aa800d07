// The member's messenger status.

#include "lookup/Lookup.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/Endpoints.h"
#include "web/HttpSessionRequest.h"
#include "web/UrlCodec.h"

namespace kestrova {

namespace {

const Text kOfflineMark = "online[0]=0";
const Text kOffline = Gbk("不在线");
const Text kOnline = Gbk("在线");

}  // namespace

void ShowOnlineStatus(Lookup& q) {
    const Text account = UrlEncode(TrimSpaces(q.window.ReadText(Ctl::编辑框1)));
    const Text url = Text("http://") + endpoints::kStatusHost + endpoints::kStatusPath + "?" +
                     endpoints::kStatusQuery + account;
    q.state.ScratchText = ToText(HttpSessionRequest(url));
    // No answer says nothing about the member: calling that "online" would be a
    // guess presented as a fact.
    if (q.state.ScratchText.empty()) {
        return;
    }
    q.window.WriteText(Ctl::编辑框197,
                       FindText(q.state.ScratchText, kOfflineMark) != -1 ? kOffline : kOnline);
}

}  // namespace kestrova
