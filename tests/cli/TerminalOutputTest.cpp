// Page text that carries terminal escape sequences, printed by kestrova-cli as
// a user runs it: the text of lookup, show, history and history --diff shows
// every control visibly, while --json keeps the exact bytes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "marketplace/Members.h"
#include "marketplace/Pages.h"
#include "tests/support/HostileServer.h"
#include "text/Gbk.h"

namespace kestrova::hostile {
namespace {

// Reverse video, a bell and a DEL: short enough to stay inside the narrow
// windows the cuts read.
const std::string kPayload = "\x1B[7m\x07\x7F";

std::string Tainted(const std::string& value) {
    return value.empty() ? value : kPayload + value;
}

// The full seller with the payload in front of every text its pages show.
marketplace::Member HostileSeller() {
    marketplace::Member m = *marketplace::FindMember("青禾手作坊");
    for (std::string* value :
         {&m.nick, &m.school, &m.company, &m.region, &m.certification, &m.shopName,
          &m.lastLoginPage, &m.deposit, &m.mainBusinessPage, &m.vipRank, &m.industryPage,
          &m.creditLevel, &m.popularityPage, &m.sellerCredit, &m.buyerCredit, &m.goodRate,
          &m.blogsPage, &m.fans}) {
        *value = Tainted(*value);
    }
    for (auto* list : {&m.given, &m.received}) {
        for (marketplace::RatingEntry& e : *list) {
            e.title = Tainted(e.title);
            e.content = Tainted(e.content);
            e.nick = Tainted(e.nick);
            if (e.sku) {
                *e.sku = Tainted(*e.sku);
            }
        }
    }
    return m;
}

// Every page of the member built from the tainted member instead.
Misbehaviour ServeTainted(const marketplace::Member& m) {
    return [&m](const SeenRequest& r, const marketplace::MarketAnswer&) -> std::optional<Reply> {
        std::string page;
        switch (r.endpoint) {
            case Endpoint::Profile:
                page = marketplace::ProfilePage(m, std::chrono::system_clock::now());
                break;
            case Endpoint::PersonalSpace:
                page = marketplace::PersonalSpacePage(m);
                break;
            case Endpoint::RatingPage:
                page = marketplace::RatingOverviewPage(m);
                break;
            case Endpoint::GivenList:
            case Endpoint::ReceivedList:
                page = marketplace::RatingListJsonp(&m,
                                                    r.endpoint == Endpoint::GivenList
                                                        ? marketplace::ListDirection::kGiven
                                                        : marketplace::ListDirection::kReceived,
                                                    r.Param("callback"));
                break;
            case Endpoint::Favourites:
                page = marketplace::FavouritesPage(m);
                break;
            default:
                return std::nullopt;
        }
        return Reply::Answer(200, Utf8ToGbk(page));
    };
}

struct CliRun {
    int exitCode = -1;
    std::string out;
};

// Through the shell, as a user types it; standard error joins the output.
// Marks and notes are read from the history even with --no-history: the
// user's own history stays out of it.
CliRun Cli(const std::string& arguments) {
    const std::string command = std::string("XDG_DATA_HOME='") + CLI_TEST_DATA +
                                "' KESTROVA_HISTORY= " + KESTROVA_CLI + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        run.out.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Bytes a terminal would act on: C0 controls but TAB and LF, DEL, C1 controls
// (UTF-8 C2 80 to C2 9F) and the direction overrides and isolates.
std::string RawControlIn(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            return "byte " + std::to_string(c) + " at " + std::to_string(i);
        }
        if (c == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            return "a C1 control at " + std::to_string(i);
        }
        if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
            static_cast<unsigned char>(text[i + 2]) >= 0xAA &&
            static_cast<unsigned char>(text[i + 2]) <= 0xAE) {
            return "a direction override at " + std::to_string(i);
        }
        if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x81' &&
            static_cast<unsigned char>(text[i + 2]) >= 0xA6 &&
            static_cast<unsigned char>(text[i + 2]) <= 0xA9) {
            return "a direction isolate at " + std::to_string(i);
        }
    }
    return {};
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class TerminalOutput : public ::testing::Test {
  protected:
    TerminalOutput() {
        history_ = std::filesystem::temp_directory_path() /
                   ("kestrova-terminal-" + std::to_string(getpid()) + ".db");
        std::filesystem::remove(history_);
    }
    ~TerminalOutput() override {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(history_.string() + suffix);
        }
    }
    std::string Options(bool saved = true) const {
        const std::string target = "--connect-to localhost:" + std::to_string(server_.Port());
        return target + (saved ? " --history '" + history_.string() + "'" : " --no-history");
    }
    std::string History() const { return "--history '" + history_.string() + "'"; }
    void Taint() { server_.SetMisbehaviour(ServeTainted(seller_)); }

    const marketplace::Member seller_ = HostileSeller();
    HostileServer server_;
    std::filesystem::path history_;
};

TEST_F(TerminalOutput, EscapesInEveryFieldAreShownNotSent) {
    // An honest lookup first, so that the diff lists every tainted field.
    ASSERT_EQ(Cli("lookup 青禾手作坊 " + Options()).exitCode, 0);
    Taint();
    const CliRun json = Cli("lookup 青禾手作坊 --json " + Options(false));
    const CliRun text = Cli("lookup 青禾手作坊 " + Options());
    ASSERT_EQ(json.exitCode, 0) << json.out;
    ASSERT_EQ(text.exitCode, 0);

    // The exact bytes stay in the JSON: the payload reached many fields.
    int tainted = 0;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    for (const auto& [name, value] : parsed["fields"].items()) {
        tainted += value.get<std::string>().find("\x1B[7m") != std::string::npos ? 1 : 0;
    }
    EXPECT_GE(tainted, 20);

    const CliRun show = Cli("show 青禾手作坊 " + History());
    const CliRun diff = Cli("history 青禾手作坊 --diff " + History());
    const CliRun list = Cli("history " + History());
    for (const CliRun* run : {&text, &show, &diff, &list}) {
        ASSERT_EQ(run->exitCode, 0) << run->out;
        EXPECT_EQ(RawControlIn(run->out), "");
    }
    for (const CliRun* run : {&text, &show, &diff}) {
        EXPECT_GE(Count(run->out, "^[[7m^G^?"), static_cast<std::size_t>(tainted)) << run->out;
    }
    // What the listing shows is the field's text, the controls spelt out.
    EXPECT_NE(text.out.find("^[[7m^G^?青禾"), std::string::npos);
    EXPECT_EQ(show.out, text.out);
}

TEST_F(TerminalOutput, BatchBlocksAndMessagesShowTheControlsOfAnAccount) {
    const CliRun batch =
        Cli("lookup 青禾手作坊 \"$(printf 'x\\033]0;title\\007\\342\\200\\256')\" " + Options());
    ASSERT_EQ(batch.exitCode, 0) << batch.out;
    EXPECT_EQ(RawControlIn(batch.out), "");
    EXPECT_NE(batch.out.find("== x^[]0;title^G<U+202E> =="), std::string::npos) << batch.out;

    const CliRun missing = Cli("show \"$(printf 'n\\033[2J')\" " + History());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_EQ(RawControlIn(missing.out), "");
    EXPECT_NE(missing.out.find("n^[[2J"), std::string::npos) << missing.out;
}

}  // namespace
}  // namespace kestrova::hostile
