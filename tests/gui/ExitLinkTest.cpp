// Closing the window opens the maker's web site once, through the opener.
#include <gtest/gtest.h>

#include <QApplication>

#include "GuiSupport.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using testing::OpenWindow;
using testing::RecordingOpener;

TEST(ExitLink, ClosingTheWindowOpensTheMakersSiteOnce) {
    RecordingOpener opener;
    OpenWindow open;
    EXPECT_TRUE(opener.Opened().empty());
    EXPECT_TRUE(open.window.close());
    QApplication::processEvents();
    EXPECT_FALSE(open.window.isVisible());
    // A second close of the already closed window opens nothing more.
    open.window.close();
    EXPECT_EQ(opener.Opened(), std::vector<std::string>{endpoints::kMakerAddress});
}

TEST(ExitLink, MakersLinkOpensTheSameAddress) {
    RecordingOpener opener;
    OpenWindow open;
    EXPECT_EQ(open.window.Fields().Store().ReadLinkAddress(Ctl::超级链接框2),
              endpoints::kMakerAddress);
}

TEST(ExitLink, WindowThatGoesAwayWithoutBeingClosedOpensNothing) {
    RecordingOpener opener;
    { OpenWindow open; }
    EXPECT_TRUE(opener.Opened().empty());
}

}  // namespace
}  // namespace kestrova
