#include <gtest/gtest.h>

#include "WireTest.h"
#include "web/ProfileRequest.h"

namespace kestrova {
namespace {

using testing::AsString;
using testing::CapturedRequest;
using testing::RawServer;
using testing::Respond;

class ProfileRequestTest : public testing::WireTest {};

TEST_F(ProfileRequestTest, SevenHeadersInOrder) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "profile"); });
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
    const Text url = "http://member1.taobao.com/member/user_profile.jhtml?user_id=%D6%D0a%20b";
    EXPECT_EQ(AsString(RequestProfileBody(url)), "profile");

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "GET /member/user_profile.jhtml?user_id=%D6%D0a%20b HTTP/1.1\r\n"
              "Host: member1.taobao.com\r\n"
              "Referer: http://www.hao123.com/\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.1; Trident/4.0; SLCC2; "
              ".NET CLR 2.0.50727; .NET CLR 3.5.30729; .NET CLR 3.0.30729; Media Center PC 6.0; "
              "TheWorld)\r\n"
              "Accept-Language: ko\r\n"
              "Accept: image/jpeg, application/x-ms-application, image/gif, application/xaml+xml, "
              "image/pjpeg, application/x-ms-xbap, application/x-silverlight, "
              "application/x-shockwave-flash, application/vnd.ms-excel, application/msword, */*\r\n"
              "Connection: Keep-Alive\r\n"
              "Cache-Control: no-cache\r\n"
              "\r\n");
}

TEST_F(ProfileRequestTest, FailureGivesAnEmptyBody) {
    EXPECT_TRUE(RequestProfileBody("ftp://member1.taobao.com/").empty());
}

}  // namespace
}  // namespace kestrova
