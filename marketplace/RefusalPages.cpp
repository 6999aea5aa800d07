// What a refusing marketplace shows instead of the page asked for.

#include "marketplace/Pages.h"

namespace kestrova::marketplace {

std::string VerificationPage() {
    return PageHead("安全验证 - 淘宝网", "http://assets.taobaocdn.com/app/sec/query.css") +
           "<div id=\"sec-query\">\n"
           "<h2>亲，请拖动下方滑块完成验证</h2>\n"
           "<p>您的访问过于频繁，请稍后再试，或完成验证后继续访问。</p>\n"
           "<form id=\"nc_1_form\" method=\"post\" action=\"/query.htm\">\n"
           "<div id=\"nc_1_n1z\" class=\"nc_iconfont btn_slide\">&gt;&gt;</div>\n"
           "</form>\n"
           "</div>\n"
           "</body>\n</html>\n";
}

std::string BusyNotice() {
    return "<html><head><title>503 Service Unavailable</title></head>"
           "<body><h1>服务器繁忙，请稍后再试</h1></body></html>";
}

}  // namespace kestrova::marketplace
