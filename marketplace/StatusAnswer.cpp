// The messenger server's status answer: a script setting online[0]. The query
// only looks for "online[0]=0"; a member the server keeps silent about gets
// an empty answer, and an unknown account is offline.

#include "marketplace/Pages.h"

namespace kestrova::marketplace {

std::string StatusAnswer(const Member* m) {
    if (m != nullptr && m->presence == Presence::kSilent) {
        return {};
    }
    const bool online = m != nullptr && m->presence == Presence::kOnline;
    return std::string("var online=new Array();online[0]=") + (online ? "1" : "0") + ";";
}

}  // namespace kestrova::marketplace
