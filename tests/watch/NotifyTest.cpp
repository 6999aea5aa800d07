// Desktop notifications on a private session bus (the test runs under
// dbus-run-session), received by a notification server of the test's own
// that writes down every call: one per changed member, the account in the
// summary, the verdict change first, critical where the member got worse;
// page text never read as markup; and where the bus, the server or the
// sender is missing, one warning and the printed output as usual.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "WatchTesting.h"
#include "marketplace/MarketMoment.h"

namespace kestrova {
namespace {

using nlohmann::json;
using testing::CliOn;
using testing::Isolated;
using testing::Market;
using testing::MarketAddress;
using testing::ProgramRun;
using testing::RunningProgram;
using testing::RunSettings;
using testing::TempFolder;

// The tests' notification server, serving until the test ends.
class Recorder {
  public:
    Recorder(const TempFolder& folder, bool markup)
        : file_(folder / "notifications.jsonl"),
          program_({NOTIFICATION_RECORDER, file_.string(), markup ? "--markup" : "--plain"}) {
        ready_ = program_.ReadLine() == "ready";
    }
    bool Ready() const { return ready_; }
    std::vector<json> Received() const {
        std::vector<json> received;
        std::ifstream in(file_);
        for (std::string line; std::getline(in, line);) {
            received.push_back(json::parse(line));
        }
        return received;
    }

  private:
    std::filesystem::path file_;
    RunningProgram program_;
    bool ready_ = false;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A history watching these members, each looked up once at the first moment.
std::filesystem::path Watching(const TempFolder& folder, const RunSettings& settings,
                               const std::vector<std::string>& accounts) {
    const auto file = folder / "history.sqlite3";
    std::vector<std::string> add = {"watch", "add"};
    add.insert(add.end(), accounts.begin(), accounts.end());
    EXPECT_EQ(CliOn(file, add, settings).exitCode, 0);
    Market().Market().SetMoment(MarketMoment::kFirst);
    const ProgramRun first =
        CliOn(file, {"recheck", "--connect-to", MarketAddress(), "--notify"}, settings);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "");
    return file;
}

TEST(Notify, OneNotificationPerChangedMemberVerdictFirstCriticalWhenWorse) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const Recorder recorder(folder, true);
    ASSERT_TRUE(recorder.Ready());
    const auto file = Watching(folder, settings, {"青禾手作坊", "书虫阿林", "echo_valley"});
    EXPECT_TRUE(recorder.Received().empty());  // first lookups: nothing to compare with

    Market().Market().SetMoment(MarketMoment::kLater);
    const ProgramRun later =
        CliOn(file, {"recheck", "--connect-to", MarketAddress(), "--notify"}, settings);
    EXPECT_EQ(later.exitCode, 1) << later.err;
    EXPECT_EQ(later.err, "");
    std::vector<json> received = recorder.Received();
    ASSERT_EQ(received.size(), 2u) << later.out;

    const json& seller = received[0];
    EXPECT_EQ(seller["app_name"], "Kestrova");
    EXPECT_EQ(seller["app_icon"], "kestrova");
    EXPECT_EQ(seller["desktop_entry"], "kestrova");
    EXPECT_EQ(seller["summary"], "青禾手作坊 有变化");
    const auto body = Lines(seller["body"].get<std::string>());
    ASSERT_GE(body.size(), 3u);
    EXPECT_EQ(body[0], "买家分析：大大的良民. → 很挑剔！有给差评的记录！");
    EXPECT_EQ(body[1], "卖家分析：专业店铺，门庭若市. [诚信商家] → 专业店铺，门庭若市. [产品尚可]");
    EXPECT_EQ(body[2], "差评：0 → 1");
    EXPECT_LE(body.size(), 7u);
    EXPECT_EQ(body.back().rfind("另有 ", 0), 0u) << body.back();
    EXPECT_EQ(seller["urgency"], 2);
    EXPECT_EQ(seller["urgency_type"], "uchar");

    const json& blocked = received[1];
    EXPECT_EQ(blocked["summary"], "echo_valley 有变化");
    EXPECT_EQ(Lines(blocked["body"].get<std::string>())[0], "状态：（空） → 该账号被查封!");
    EXPECT_EQ(blocked["urgency"], 2);

    // Nothing changed: nothing sent, exit 0.
    const ProgramRun same =
        CliOn(file, {"recheck", "--connect-to", MarketAddress(), "--notify"}, settings);
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out, "");
    EXPECT_EQ(recorder.Received().size(), 2u);
}

// Text is escaped exactly where the server would read it as markup, and a
// summary that looks like an option stays the summary.
TEST(Notify, PageTextIsNeverReadAsMarkup) {
    const std::string body = "<b>好评</b> & <a href=\"file:///etc/passwd\">看</a> <img src='x'>";
    const std::string escaped =
        "&lt;b&gt;好评&lt;/b&gt; &amp; &lt;a href=&quot;file:///etc/passwd&quot;&gt;看&lt;/a&gt; "
        "&lt;img src=&#39;x&#39;&gt;";
    for (const bool markup : {true, false}) {
        const TempFolder folder;
        const Recorder recorder(folder, markup);
        ASSERT_TRUE(recorder.Ready());
        const ProgramRun sent = testing::RunProgram(
            {KESTROVA_NOTIFY, "--urgency", "low", "--", "--urgency critical", body}, {});
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        const auto received = recorder.Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0]["summary"], "--urgency critical");
        EXPECT_EQ(received[0]["body"], markup ? escaped : body) << markup;
        EXPECT_EQ(received[0]["urgency"], 0);
    }
    EXPECT_EQ(testing::RunProgram({KESTROVA_NOTIFY, "--urgency", "loud", "x"}, {}).exitCode, 2);
    EXPECT_EQ(testing::RunProgram({KESTROVA_NOTIFY}, {}).exitCode, 2);
}

// Where notifications cannot be sent: the same report on standard output and
// exit status, and one warning that says why.
struct Missing {
    const char* what;
    bool server;       // the tests' server runs
    bool busAddress;   // the session bus is in the environment
    bool senderAlone;  // kestrova-cli is copied where no sender is beside it
    const char* said;  // in the one warning; nullptr: sent, no warning
};

void PrintTo(const Missing& m, std::ostream* out) {
    *out << m.what;
}

class WithoutNotifications : public ::testing::TestWithParam<Missing> {};

TEST_P(WithoutNotifications, OneWarningAndTheOutputAsUsual) {
    const TempFolder folder;
    auto settings = Isolated(folder);
    std::optional<Recorder> recorder;
    if (GetParam().server) {
        recorder.emplace(folder, true);
        ASSERT_TRUE(recorder->Ready());
    }
    const auto file = Watching(folder, settings, {"青禾手作坊", "echo_valley"});
    Market().Market().SetMoment(MarketMoment::kLater);
    const ProgramRun plain = CliOn(file, {"recheck", "--connect-to", MarketAddress()}, settings);
    ASSERT_EQ(plain.exitCode, 1);
    Market().Market().SetMoment(MarketMoment::kFirst);
    ASSERT_EQ(CliOn(file, {"recheck", "--connect-to", MarketAddress()}, settings).exitCode, 1);
    Market().Market().SetMoment(MarketMoment::kLater);

    std::string program = KESTROVA_CLI;
    if (GetParam().senderAlone) {
        // As a user with the command-line package alone installed: the
        // sender neither beside the program nor on PATH.
        program = (folder / "kestrova-cli").string();
        std::filesystem::copy_file(KESTROVA_CLI, program);
        settings.environment["PATH"] = "/usr/bin:/bin";
    }
    if (!GetParam().busAddress) {
        settings.environment["DBUS_SESSION_BUS_ADDRESS"] = std::nullopt;
        settings.environment["DISPLAY"] = std::nullopt;
        settings.environment["XDG_RUNTIME_DIR"] = folder.Path().string();
    }
    const ProgramRun notified =
        testing::RunProgram({program, "recheck", "--connect-to", MarketAddress(), "--notify",
                             "--history", file.string()},
                            settings);
    EXPECT_EQ(notified.exitCode, 1);
    // The lookups ran at another time: the same changes between other ids.
    std::vector<std::string> plainLines = Lines(plain.out);
    std::vector<std::string> notifiedLines = Lines(notified.out);
    ASSERT_EQ(plainLines.size(), notifiedLines.size()) << notified.out;
    for (std::size_t k = 0; k < plainLines.size(); ++k) {
        if (plainLines[k].find("\t#") == std::string::npos) {
            EXPECT_EQ(notifiedLines[k], plainLines[k]);
        }
    }
    if (GetParam().said == nullptr) {
        EXPECT_EQ(notified.err, "");
        ASSERT_TRUE(recorder);
        EXPECT_EQ(recorder->Received().size(), 2u);
        return;
    }
    EXPECT_EQ(std::count(notified.err.begin(), notified.err.end(), '\n'), 1) << notified.err;
    EXPECT_NE(notified.err.find("warning: no desktop notification"), std::string::npos)
        << notified.err;
    EXPECT_NE(notified.err.find(GetParam().said), std::string::npos) << notified.err;
    if (recorder) {
        EXPECT_TRUE(recorder->Received().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Notify, WithoutNotifications,
    ::testing::Values(Missing{"sent", true, true, false, nullptr},
                      Missing{"no_session_bus", true, false, false, "no session bus"},
                      Missing{"no_notification_server", false, true, false,
                              "no notification server on the session bus"},
                      Missing{"no_sender", true, true, true, "kestrova-notify is neither beside"}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace kestrova
