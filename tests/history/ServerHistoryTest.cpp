// The history on a real PostgreSQL server: the schema made once under the
// advisory lock, two round trips to save or read a lookup, programs saving at
// once, and a server that is down, slow, refusing or newer costing no lookup
// its result, with the password in no output.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "HistoryTesting.h"
#include "Subprocess.h"
#include "history/History.h"
#include "history/store/SchemaVersion.h"
#include "marketplace/Members.h"
#include "tests/support/PostgresServer.h"

namespace kestrova {
namespace {

using nlohmann::json;
using testing::PostgresServer;
using testing::ProgramRun;
using testing::RunProgram;
using testing::RunSettings;
using testing::TempFolder;

testing::MarketplaceForTests& Market() {
    static testing::MarketplaceForTests market;
    return market;
}

PostgresServer& Server() {
    return PostgresServer::Shared();
}

RunSettings Isolated(const TempFolder& folder) {
    RunSettings settings;
    settings.environment["XDG_DATA_HOME"] = (folder / "data").string();
    settings.environment["KESTROVA_HISTORY"] = std::nullopt;
    settings.environment["KESTROVA_CONNECT_TO"] = std::nullopt;
    settings.environment["PGPASSWORD"] = std::nullopt;
    return settings;
}

ProgramRun Cli(const std::vector<std::string>& arguments, const RunSettings& settings) {
    std::vector<std::string> argv = {KESTROVA_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProgramRun run = RunProgram(argv, settings);
    // Whatever the program says, never the password.
    EXPECT_EQ(run.out.find(Server().Password()), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find(Server().Password()), std::string::npos) << run.err;
    return run;
}

std::string Port() {
    return "127.0.0.1:" + std::to_string(Market().Port());
}

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ServerSchema, IsMadeOnceUnderTheLockAndRefusedWhenNewerOrForeign) {
    const std::string uri = Server().NewDatabase();
    const std::string db = testing::DatabaseOf(uri);
    // Programs on several machines making the schema at once.
    std::vector<std::thread> programs;
    std::atomic<int> failed{0};
    for (int k = 0; k < 6; ++k) {
        programs.emplace_back([&] {
            try {
                History(HistoryPlace::Named(uri)).Make();
            } catch (const HistoryError&) {
                ++failed;
            }
        });
    }
    for (std::thread& t : programs) {
        t.join();
    }
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(Server().Value(db, "SELECT string_agg(version::text, ',') FROM kestrova_schema"),
              std::to_string(kHistorySchemaVersion));

    Server().Execute(db, "UPDATE kestrova.kestrova_schema SET version = version + 1");
    try {
        History(HistoryPlace::Named(uri)).Recent(std::nullopt, 0);
        ADD_FAILURE() << "a newer schema was read";
    } catch (const HistoryError& error) {
        EXPECT_NE(std::string(error.what()).find("written by a newer Kestrova"), std::string::npos);
        EXPECT_EQ(std::string(error.what()).find(Server().Password()), std::string::npos);
    }

    const std::string foreign = testing::DatabaseOf(Server().NewDatabase());
    Server().Execute(foreign, "CREATE SCHEMA kestrova; CREATE TABLE kestrova.lookup (x int)");
    EXPECT_THROW(History(HistoryPlace::Named(Server().Uri(foreign))).Recent(std::nullopt, 0),
                 HistoryError);
}

// Saving the full seller: one question (what the server holds) and one
// batch (the whole transaction); reading it back for show: the listing and
// the lookup.
TEST(ServerRoundTrips, AreTwoToSaveALookupAndTwoToShowIt) {
    const auto seller = testing::LookUp("青禾手作坊");
    const HistoryPlace place = HistoryPlace::Named(Server().NewDatabase());
    for (int time = 0; time < 2; ++time) {  // new pictures, then pictures it has
        History store(place);
        store.Make();
        LookupRow row;
        row.account = "青禾手作坊";
        row.end = "verdicts";
        row.mode = "sequential";
        const int before = store.RoundTrips();
        store.Save(row, *seller, std::nullopt);
        EXPECT_LE(store.RoundTrips() - before, 2) << time;
    }
    History store(place);
    store.Make();
    const int before = store.RoundTrips();
    const auto latest = store.Recent("青禾手作坊", 1);
    ASSERT_EQ(latest.size(), 1u);
    const auto saved = store.Load(latest.front().id);
    EXPECT_EQ(store.RoundTrips() - before, 2);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fields.ReadPicture(Ctl::图片框1), seller->ReadPicture(Ctl::图片框1));
}

// 8 programs × 50 lookups at once: every one saved once, the pictures they
// share stored once, and no program told of a key another one took.
TEST(ServerConcurrency, EightProgramsSavingFiftyLookupsEachLoseAndDoubleNothing) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const std::string uri = Server().NewDatabase();
    const std::size_t members = marketplace::Members().size();
    const int rounds = static_cast<int>((50 + members - 1) / members);
    const TempFolder folder;
    std::vector<std::unique_ptr<testing::RunningProgram>> programs;
    for (int k = 0; k < 8; ++k) {
        programs.push_back(std::make_unique<testing::RunningProgram>(
            std::vector<std::string>{HISTORY_BATCH, "--history", uri, "--port",
                                     std::to_string(Market().Port()), "--rounds",
                                     std::to_string(rounds)},
            Isolated(folder)));
    }
    int saved = 0;
    for (auto& program : programs) {
        const std::string out = program->ReadRest();
        saved += Lines(out);
        EXPECT_EQ(program->Wait(), 0);
        EXPECT_EQ(program->Errors(), "");
    }
    const std::string db = testing::DatabaseOf(uri);
    const std::size_t expected = 8 * rounds * members;
    EXPECT_EQ(saved, static_cast<int>(expected));
    EXPECT_EQ(Server().Value(db, "SELECT count(*) FROM lookup"), std::to_string(expected));
    EXPECT_EQ(Server().Value(db, "SELECT count(DISTINCT id) FROM lookup"),
              std::to_string(expected));
    // Each member's lookups share one field set, as one program's would.
    EXPECT_EQ(Server().Value(db, "SELECT count(*) FROM field_set"),
              Server().Value(db, "SELECT count(DISTINCT member) FROM lookup"));
    EXPECT_EQ(Server().Value(db,
                             "SELECT count(*) FROM lookup WHERE field_set_id NOT IN "
                             "(SELECT set_id FROM field) AND end_kind = 'verdicts'"),
              "0");
}

// ---------------------------------------------------------------- trouble

struct ServerTrouble {
    const char* what;
    // The URI the programs are given.
    std::function<std::string()> uri;
    const char* said;
};

class ServerTroubles : public ::testing::TestWithParam<ServerTrouble> {};

TEST_P(ServerTroubles, NeverCostALookupItsResultAndReadingSaysWhatIsWrong) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const ProgramRun plain =
        Cli({"lookup", "书虫阿林", "--connect-to", Port(), "--no-history"}, settings);
    const std::string uri = GetParam().uri();
    const ProgramRun run =
        Cli({"lookup", "书虫阿林", "--connect-to", Port(), "--history", uri}, settings);
    EXPECT_EQ(run.exitCode, plain.exitCode);
    EXPECT_EQ(run.out, plain.out);
    EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
    EXPECT_LE(Lines(run.err), 2) << run.err;  // said, and not saved at the end

    for (const std::vector<std::string>& reading :
         {std::vector<std::string>{"history", "--history", uri},
          std::vector<std::string>{"show", "书虫阿林", "--history", uri}}) {
        const ProgramRun read = Cli(reading, settings);
        EXPECT_EQ(read.exitCode, 1) << reading[0];
        EXPECT_NE(read.err.find(GetParam().said), std::string::npos) << read.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    History, ServerTroubles,
    ::testing::Values(
        ServerTrouble{"down",
                      [] {
                          // A port where nothing listens, named by host name.
                          return "postgresql://kestrova_admin:" + Server().Password() +
                                 "@localhost:1/postgres";
                      },
                      "Connection refused"},
        ServerTrouble{"refused_login",
                      [] {
                          return "postgresql://kestrova_admin:wrong" + Server().Password() +
                                 "@localhost:" + std::to_string(Server().Port()) + "/postgres";
                      },
                      "password authentication failed"},
        ServerTrouble{"malformed",
                      [] {
                          // libpq quotes what it cannot read: never the password.
                          return "PostgreSQL://kestrova_admin:" + Server().Password() +
                                 "@localhost:" + std::to_string(Server().Port()) +
                                 "/postgres?no_such_setting=1";
                      },
                      "invalid URI query parameter"},
        ServerTrouble{"newer",
                      [] {
                          const std::string uri = Server().NewDatabase();
                          History(HistoryPlace::Named(uri)).Make();
                          Server().Execute(testing::DatabaseOf(uri),
                                           "UPDATE kestrova.kestrova_schema SET version = 99");
                          return uri;
                      },
                      "written by a newer Kestrova"}),
    [](const auto& info) { return std::string(info.param.what); });

// Another program holding the tables longer than a save waits: the lookups
// print as ever, and the history says so (and, at the end, what it could
// not save).
TEST(ServerSlow, ALockHeldLongerThanTheWaitIsAWarningNotALostResult) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const std::string uri = Server().NewDatabase();
    const std::string db = testing::DatabaseOf(uri);
    const std::string slow = uri + "?options=-c%20statement_timeout%3D300";
    History(HistoryPlace::Named(uri)).Make();
    const TempFolder folder;
    const auto settings = Isolated(folder);
    std::atomic<bool> done{false};
    std::thread holder([&] {
        Server().Execute(db,
                         "BEGIN; LOCK TABLE kestrova.lookup IN ACCESS EXCLUSIVE MODE; "
                         "SELECT pg_sleep(3); COMMIT");
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const ProgramRun run = Cli(
        {"lookup", "书虫阿林", "echo_valley", "--connect-to", Port(), "--history", slow}, settings);
    holder.join();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("书虫阿林"), std::string::npos);
    EXPECT_NE(run.err.find("timeout"), std::string::npos) << run.err;
    EXPECT_LE(Lines(run.err), 2) << run.err;
}

// The server stopped while a batch saves into it: every member still printed,
// warnings instead of saves, the exit status the lookups call for.
TEST(ServerStopped, MidBatchTheLookupsStillPrint) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const std::string uri = Server().NewDatabase();
    const TempFolder folder;
    const auto settings = Isolated(folder);
    std::ofstream list(folder / "accounts.txt");
    for (const marketplace::Member& member : marketplace::Members()) {
        list << member.account << "\n";
    }
    list.close();
    const ProgramRun whole = Cli({"lookup", "--from", (folder / "accounts.txt").string(),
                                  "--connect-to", Port(), "--no-history", "--jobs", "1"},
                                 settings);
    testing::RunningProgram batch(
        {KESTROVA_CLI, "lookup", "--from", (folder / "accounts.txt").string(), "--connect-to",
         Port(), "--history", uri, "--jobs", "1"},
        settings);
    std::string out;
    for (int k = 0; k < 3; ++k) {
        out += batch.ReadLine().value_or("") + "\n";
    }
    Server().Stop();
    out += batch.ReadRest();
    const int code = batch.Wait();
    Server().Start();
    EXPECT_EQ(code, whole.exitCode);
    EXPECT_EQ(Lines(out), Lines(whole.out));
    EXPECT_NE(batch.Errors().find("warning"), std::string::npos);
    EXPECT_EQ(batch.Errors().find(Server().Password()), std::string::npos);
}

// A file's history moved to the server with one command, twice.
TEST(ServerCopy, TakesEveryLookupMarkNoteAndWatchedMemberOnce) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const std::string file = (folder / "history.sqlite3").string();
    ASSERT_EQ(Cli({"lookup", "书虫阿林", "echo_valley", "青禾手作坊", "--connect-to", Port(),
                   "--history", file},
                  settings)
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"mark", "书虫阿林", "--blacklist", "--reason", "r", "--history", file}, settings)
                  .exitCode,
              0);
    ASSERT_EQ(Cli({"note", "echo_valley", "n", "--history", file}, settings).exitCode, 0);
    ASSERT_EQ(Cli({"watch", "add", "青禾手作坊", "--history", file}, settings).exitCode, 0);
    const std::string uri = Server().NewDatabase();

    const ProgramRun first = Cli({"history", "--history", file, "--copy-to", uri}, settings);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("3 lookups copied, 0 there already"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("1 watched member copied"), std::string::npos) << first.out;
    const ProgramRun again = Cli({"history", "--history", file, "--copy-to", uri}, settings);
    EXPECT_NE(again.out.find("0 lookups copied, 3 there already"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("0 notes copied, 1 there already"), std::string::npos) << again.out;

    // What the server holds reads as the file does, for every command.
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"history"}, std::vector<std::string>{"marks"},
          std::vector<std::string>{"watch", "list"},
          std::vector<std::string>{"show", "青禾手作坊", "--json"}}) {
        auto onFile = command;
        auto onServer = command;
        onFile.insert(onFile.end(), {"--history", file});
        onServer.insert(onServer.end(), {"--history", uri});
        EXPECT_EQ(Cli(onServer, settings).out, Cli(onFile, settings).out) << command[0];
    }
    // A copy into another file works the same way.
    const std::string other = (folder / "other.sqlite3").string();
    EXPECT_EQ(Cli({"history", "--history", uri, "--copy-to", other}, settings).exitCode, 0);
    EXPECT_EQ(Cli({"history", "--history", other}, settings).out,
              Cli({"history", "--history", file}, settings).out);
}

// A file of every earlier version moves to the server and reads there as it
// reads where it was: listed alike, each lookup shown byte for byte.
TEST(ServerCopy, TakesAFileOfEveryEarlierVersion) {
    for (const char* version : {"history-v1.sqlite3", "history-v2.sqlite3"}) {
        const TempFolder folder;
        const auto settings = Isolated(folder);
        const auto file = folder / "history.sqlite3";
        std::filesystem::copy_file(std::filesystem::path(KESTROVA_HISTORY_FIXTURES) / version,
                                   file);
        std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        const std::string uri = Server().NewDatabase();
        const ProgramRun copy =
            Cli({"history", "--history", file.string(), "--copy-to", uri}, settings);
        ASSERT_EQ(copy.exitCode, 0) << version << copy.err;
        const ProgramRun listed = Cli({"history", "--json", "--history", file.string()}, settings);
        const json lookups = json::parse(listed.out);
        ASSERT_FALSE(lookups.empty()) << version;
        // Numbered anew on the server, in the same order.
        EXPECT_EQ(json::parse(Cli({"history", "--json", "--history", uri}, settings).out).size(),
                  lookups.size());
        for (const json& lookup : lookups) {
            const std::string account = lookup["account"];
            for (const bool asJson : {true, false}) {
                std::vector<std::string> onFile = {"show", account, "--history", file.string()};
                std::vector<std::string> onServer = {"show", account, "--history", uri};
                if (asJson) {
                    onFile.push_back("--json");
                    onServer.push_back("--json");
                }
                EXPECT_EQ(Cli(onServer, settings).out, Cli(onFile, settings).out)
                    << version << " " << account;
            }
        }
    }
}

// Two programs pointed at one URI see each other's work at once; the
// password may come from PGPASSWORD instead of the URI.
TEST(ServerShared, TwoProgramsSeeEachOthersLookupsMarksAndWatchedMembers) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    auto settings = Isolated(folder);
    settings.environment["PGPASSWORD"] = Server().Password();
    const std::string uri =
        "postgres://kestrova_admin@localhost:" + std::to_string(Server().Port()) + "/" +
        testing::DatabaseOf(Server().NewDatabase());
    settings.environment["KESTROVA_HISTORY"] = uri;
    ASSERT_EQ(Cli({"lookup", "书虫阿林", "--connect-to", Port()}, settings).err, "");
    ASSERT_EQ(Cli({"mark", "书虫阿林", "--trusted"}, settings).exitCode, 0);
    ASSERT_EQ(Cli({"watch", "add", "书虫阿林"}, settings).exitCode, 0);
    const ProgramRun history = Cli({"history"}, settings);
    EXPECT_NE(history.out.find("#1 "), std::string::npos) << history.err;
    EXPECT_NE(Cli({"marks"}, settings).out.find("书虫阿林\t信任"), std::string::npos);
    EXPECT_NE(Cli({"watch", "list"}, settings).out.find("书虫阿林"), std::string::npos);
}

}  // namespace
}  // namespace kestrova
