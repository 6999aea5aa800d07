// The member's personal space page, linked from the profile: name, sex,
// district and address, photo, honour pictures, counts, school, company, blog.

#include "lookup/Lookup.h"
#include "lookup/MarkerCut.h"
#include "lookup/PageAddresses.h"
#include "lookup/PictureBoxes.h"
#include "lookup/RegionTable.h"
#include "text/Build.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

const Text kSpaceLinkEnd = Gbk(" /> 个人空间");
const Text kLinkStart = "<li><a href=";
const Text kNickMarker = "<div class=\"nick\">";
const Text kMale = Gbk("男");
const Text kFemale = Gbk("女");
const Text kDistrictMarker = "<span class=\"J_district\">";
const Text kPhotoMark = "160x160.jpg";
const Text kAltAttribute = " alt=";
const Text kHonourMarker = "position:relative;background-image: url(";
const Text kFansMarker = Gbk("</b></a><span>粉丝");
const Text kFollowersMarker = Gbk("</b></a><span>关注");
const Text kVisitsMarker = Gbk("</b></span><span>访问");
const Text kSchoolMarker = "school\"><s class=\"sep ks-inline-block\"></s>";
const Text kCompanyMarker = "company\"><s class=\"sep ks-inline-block\"></s>";
const Text kBlogMark = Gbk("篇日志");
const Text kBlogCountMarker = Gbk(">查看全部<b>");

constexpr Ctl kHonourBoxes[] = {Ctl::图片框9,  Ctl::图片框10, Ctl::图片框11,
                                Ctl::图片框12, Ctl::图片框13, Ctl::图片框14};

// A count shown right before its marker: the bytes behind the first ">" of
// the nine bytes that precede the marker.
Text CountBefore(const Text& page, const Text& marker) {
    const Text before = MidText(page, FindText(page, marker) - 9, 9);
    return MidText(before, FindText(before, ">") + 1, 9);
}

Text Sex(const Text& page) {
    if (FindText(page, kMale) != -1) {
        return kMale;
    }
    if (FindText(page, kFemale) != -1) {
        return kFemale;
    }
    return Text();
}

}  // namespace

Text PersonalSpaceAddress(TextView profile) {
    const Text around = MidText(profile, FindText(profile, kSpaceLinkEnd) - 111, 999);
    const Text link = MidText(around, FindText(around, kLinkStart) + 13, 999);
    Text address = LeftText(link, FindText(link, kSpaceLinkEnd) - 2);
    for (const int code : {32, 9, 13, 10}) {
        address = ReplaceSubText(address, CharFromCode(code), "", 1, 9999, true);
    }
    return address;
}

Text PhotoAddress(TextView spacePage) {
    const Text aroundPhoto = MidText(spacePage, FindText(spacePage, kPhotoMark) - 58, 99);
    return LeftText(aroundPhoto, FindText(aroundPhoto, kAltAttribute) - 2);
}

std::array<Text, kHonourCount> HonourAddresses(TextView spacePage, Text& rest) {
    std::array<Text, kHonourCount> addresses;
    rest = MidText(spacePage, FindText(spacePage, kHonourMarker) + 40, 9999);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (i > 0) {
            rest = MidText(rest, FindText(rest, kHonourMarker) + 40, 9999);
        }
        addresses[i] = LeftText(rest, 62);
    }
    return addresses;
}

void ShowPersonalSpace(Lookup& q) {
    Window& w = q.window;
    const Text address = PersonalSpaceAddress(q.state.PageText);
    w.WriteText(Ctl::编辑框98, ToText(HttpSessionRequest(address)));
    auto page = [&w]() -> const Text& { return w.ReadText(Ctl::编辑框98); };

    w.WriteText(Ctl::编辑框11, MarkerCut(page(), kNickMarker, 18, 33, "</div>", 1));
    w.WriteText(Ctl::编辑框14, Sex(page()));
    w.WriteText(Ctl::编辑框25, MarkerCut(page(), kDistrictMarker, 25, 33, "</span>", 1));
    const Text district = w.ReadText(Ctl::编辑框25);
    if (!district.empty()) {
        w.WriteText(Ctl::编辑框203, LookUpRegionName(district));
    }

    FetchPicture(PhotoAddress(page()), w, Ctl::图片框1);
    const std::array<Text, kHonourCount> honours = HonourAddresses(page(), q.state.ScratchText);
    for (std::size_t i = 0; i < honours.size(); ++i) {
        FetchPictureAsJpeg(honours[i], w, kHonourBoxes[i]);
    }

    w.WriteText(Ctl::编辑框26, CountBefore(page(), kFansMarker));
    w.WriteText(Ctl::编辑框27, CountBefore(page(), kFollowersMarker));
    w.WriteText(Ctl::编辑框28, CountBefore(page(), kVisitsMarker));
    w.WriteText(Ctl::编辑框204, MarkerCut(page(), kSchoolMarker, 43, 999, "</span>", 1));
    w.WriteText(Ctl::编辑框205, MarkerCut(page(), kCompanyMarker, 44, 999, "</span>", 1));
    if (FindText(page(), kBlogMark) != -1) {
        const Text blogs = MarkerCut(page(), kBlogCountMarker, 12, 9, "</b>", 1);
        w.WriteText(Ctl::编辑框15, ReplaceSubText(blogs, " ", "", 1, 99, true));
    } else {
        w.WriteText(Ctl::编辑框15, "0");
    }
}

}  // namespace kestrova
