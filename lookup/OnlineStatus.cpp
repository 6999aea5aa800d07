// The member's messenger status.

#include "lookup/Lookup.h"
#include "lookup/PageAddresses.h"
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

Text StatusAddress(const Text& account) {
    return Text("http://") + endpoints::kStatusHost + endpoints::kStatusPath + "?" +
           endpoints::kStatusQuery + UrlEncode(TrimSpaces(account));
}

void ShowOnlineStatus(Lookup& q) {
    RequestPage(q, q.state.ScratchText, StatusAddress(q.window.ReadText(Ctl::编辑框1)));
    // No answer says nothing about the member: calling that "online" would be a
    // guess presented as a fact.
    if (q.state.ScratchText.empty()) {
        return;
    }
    q.window.WriteText(Ctl::编辑框197,
                       FindText(q.state.ScratchText, kOfflineMark) != -1 ? kOffline : kOnline);
}

}  // namespace kestrova
