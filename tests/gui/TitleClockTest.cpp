// The title clock: the text at fixed times, and the timer that writes it.
#include <gtest/gtest.h>

#include <QTimer>
#include <QtTest/QTest>

#include "GuiSupport.h"
#include "shell/TitleClock.h"
#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::OpenWindow;
using testing::Utf8;

const std::string kGap(24, ' ');
const Text kTitleStart =
    Gbk(" Kestrova--专业查询分析买/卖双方信息资料软件") + kGap + "[Orvanel]" + kGap;

struct TitleCase {
    DateTime at;
    const char* shown;  // UTF-8, after the fixed part
};

TEST(TitleClock, TitleAtFixedTimes) {
    const TitleCase cases[] = {
        {MakeDateTime(2009, 3, 7, 10, 0, 0), "2009年3月7日10时"},
        {MakeDateTime(2009, 3, 7, 14, 5, 0), "2009年3月7日14时5分"},
        {MakeDateTime(2009, 3, 7, 14, 5, 9), "2009年3月7日14时5分9秒"},
        {MakeDateTime(2009, 3, 7, 0, 0, 0), "2009年3月7日"},
        {MakeDateTime(2009, 3, 7, 0, 0, 1), "2009年3月7日0时0分1秒"},
        {MakeDateTime(2010, 12, 31, 23, 59, 59), "2010年12月31日23时59分59秒"},
    };
    for (const TitleCase& c : cases) {
        EXPECT_EQ(TitleText(c.at), kTitleStart + Gbk(c.shown)) << c.shown;
    }
}

TEST(TitleClock, FixedPartHasItsSpacesAndMaker) {
    const Text title = TitleText(MakeDateTime(2009, 3, 7, 10, 0, 0));
    EXPECT_EQ(title.rfind(' ', 0), 0u);  // begins with one space
    EXPECT_EQ(title[1], 'K');
    const std::size_t maker = title.find("[Orvanel]");
    ASSERT_NE(maker, Text::npos);
    EXPECT_EQ(title.substr(maker - 24, 24), kGap);
    EXPECT_EQ(title.substr(maker + 9, 24), kGap);
    EXPECT_NE(title[maker - 25], ' ');
    EXPECT_NE(title[maker + 9 + 24], ' ');
}

TEST(TitleClock, TimerTicksEverySecondAndWritesTheTitle) {
    OpenWindow open;
    auto* clock = open.window.ControlAs<QTimer>(Ctl::时钟1);
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->interval(), 1000);
    EXPECT_TRUE(clock->isActive());
    EXPECT_FALSE(clock->isSingleShot());
    EXPECT_TRUE(open.window.windowTitle().isEmpty());

    const DateTime before = NowTime();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.window.windowTitle().isEmpty(); }, 3000));
    const DateTime after = NowTime();

    const Text title = open.window.Fields().Store().Title();
    EXPECT_EQ(open.window.windowTitle(), Utf8(title));
    ASSERT_EQ(title.rfind(kTitleStart, 0), 0u);
    // The clock shows a time between the two readings around the tick.
    const Text shown = title.substr(kTitleStart.size());
    const double secondsPerDay = 86400.0;
    bool matched = false;
    for (double t = before.days - 1 / secondsPerDay; t <= after.days + 1 / secondsPerDay;
         t += 1 / secondsPerDay) {
        matched |= shown == ToText(DateTime{t});
    }
    EXPECT_TRUE(matched) << GbkToUtf8(shown);
}

}  // namespace
}  // namespace kestrova
