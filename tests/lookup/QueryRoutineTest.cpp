#include "lookup/PictureBoxes.h"
#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

class QueryRoutineTest : public StepFixture {};

TEST_F(QueryRoutineTest, EmptyInputShowsTheMessageAndChangesNothing) {
    window.WriteText(Ctl::编辑框24, "kept");
    QueryRoutine(window, state);
    ASSERT_TRUE(window.LastMessageBox().has_value());
    EXPECT_EQ(GbkToUtf8(window.LastMessageBox()->content), "请添写淘宝帐号.");
    EXPECT_EQ(GbkToUtf8(window.LastMessageBox()->caption), "提 示：");
    EXPECT_EQ(window.LastMessageBox()->flags, 0);
    EXPECT_EQ(Read(Ctl::编辑框24), "kept");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(QueryRoutineTest, SpacesOnlyPassTheCheckAndResetTheFields) {
    InstallDesignPictures(window);
    window.WriteText(Ctl::编辑框1, "   ");
    window.WriteText(Ctl::编辑框24, "old");
    window.WriteText(Ctl::标签47, "old");
    window.WriteText(Ctl::超级链接框1, "old");
    window.WriteLinkAddress(Ctl::超级链接框1, "http://old/");
    window.WritePicture(Ctl::图片框72, ByteBuffer{1, 2, 3});
    window.WriteText(Ctl::标签评价, Gbk("收到的详细评价"));
    QueryRoutine(window, state);
    EXPECT_FALSE(window.LastMessageBox().has_value());
    EXPECT_EQ(Read(Ctl::编辑框24), "");
    EXPECT_EQ(Read(Ctl::标签47), "");
    EXPECT_EQ(Read(Ctl::超级链接框1), "");
    EXPECT_EQ(window.ReadLinkAddress(Ctl::超级链接框1), "");
    EXPECT_TRUE(window.ReadPicture(Ctl::图片框72).empty());
    // Design pictures, the account name and the table caption stay.
    EXPECT_FALSE(window.ReadPicture(Ctl::图片框4).empty());
    EXPECT_EQ(Read(Ctl::编辑框1), "   ");
    EXPECT_EQ(Read(Ctl::标签评价), "收到的详细评价");
    EXPECT_EQ(GbkToUtf8(window.StatusText()), "获取店铺信息失败!");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].target, "/member/user_profile.jhtml?user_id=");
}

TEST_F(QueryRoutineTest, ARunningQueryRefusesASecondOne) {
    window.WriteText(Ctl::编辑框1, "x");
    state.running = true;
    QueryRoutine(window, state);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(state.running);
}

TEST_F(QueryRoutineTest, ProcessesEventsOnceAfterTheProfile) {
    ServeGbk("/member/user_profile.jhtml", "<html>profile</html>");
    window.WriteText(Ctl::编辑框1, "x");
    QueryRoutine(window, state);
    // Once after the profile, then once before each summary count. Every later
    // request fails, so the empty rating page makes a buyer-mainly member: two
    // counts (neutral and bad), neither of which finds a page.
    EXPECT_EQ(window.ProcessEventsCount(), 1 + 2);
    EXPECT_FALSE(state.running);
}

}  // namespace
}  // namespace kestrova::test
