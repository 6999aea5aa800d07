// Files the history meets that it must not harm: damaged, newer, another
// program's, locked for a while. A save says so once and leaves the file as it
// was; reading says so with the file's name.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "HistoryTesting.h"
#include "cli/report/FieldReport.h"
#include "history/LookupHistory.h"
#include "history/store/HistoryError.h"
#include "history/store/MemberKey.h"
#include "history/store/PictureHash.h"
#include "history/store/SchemaVersion.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::ExecuteSql;
using testing::FileBytes;
using testing::QueryValue;
using testing::RecordOf;
using testing::TempFolder;

FieldStore UnknownLookup() {
    FieldStore fields;
    fields.WriteText(Ctl::编辑框1, Gbk("nobody.here"));
    fields.StatusBarSetText(0, Gbk("该账号不存在!"));
    return fields;
}

// A history with two lookups in it, every connection closed.
void WriteHistory(const std::filesystem::path& file) {
    const FieldStore fields = UnknownLookup();
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    ASSERT_TRUE(history.Save(RecordOf(fields, "nobody.here")));
    ASSERT_TRUE(history.Save(RecordOf(fields, "nobody.here")));
}

std::string ReadError(const std::filesystem::path& file) {
    try {
        History saved(file);
        saved.Recent(std::nullopt, 0);
    } catch (const HistoryError& error) {
        return error.what();
    }
    return "";
}

struct BrokenFile {
    const char* what;
    std::function<void(const std::filesystem::path&)> spoil;
    const char* said;  // in the warning and the reading error
};

class BrokenFiles : public ::testing::TestWithParam<BrokenFile> {};

TEST_P(BrokenFiles, AreLeftAsTheyWereWithOneWarning) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    GetParam().spoil(file);
    const std::string before = FileBytes(file);

    const FieldStore fields = UnknownLookup();
    ::testing::internal::CaptureStderr();
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        EXPECT_FALSE(history.Save(RecordOf(fields, "nobody.here")));
        EXPECT_FALSE(history.Save(RecordOf(fields, "nobody.here")));  // said once
    }
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal") &&
                 std::filesystem::file_size(file.string() + "-wal") > 0);
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
    EXPECT_EQ(
        warning.rfind(
            "test: warning: the lookup was not saved in the history: " + file.string() + ": ", 0),
        0u)
        << warning;
    EXPECT_NE(warning.find(GetParam().said), std::string::npos) << warning;

    const std::string error = ReadError(file);
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find(GetParam().said), std::string::npos) << error;
    EXPECT_EQ(FileBytes(file), before);
}

void Garbage(const std::filesystem::path& file) {
    std::string bytes;
    for (int k = 0; k < 300; ++k) {
        bytes += "not a database, just words. ";
    }
    testing::WriteFile(file, bytes);
}

// A history whose lookup table's first page has been overwritten: the header
// still reads, the table does not.
void DamagedPage(const std::filesystem::path& file) {
    WriteHistory(file);
    const long page = std::stol(QueryValue(file, "PRAGMA page_size"));
    const long root =
        std::stol(QueryValue(file, "SELECT rootpage FROM sqlite_schema WHERE name = 'lookup'"));
    std::string bytes = FileBytes(file);
    std::fill_n(bytes.begin() + (root - 1) * page, page, '\xa5');
    testing::WriteFile(file, bytes);
}

void Newer(const std::filesystem::path& file) {
    WriteHistory(file);
    ExecuteSql(file, "PRAGMA user_version = " + std::to_string(kHistorySchemaVersion + 7));
}

void AnotherProgramsDatabase(const std::filesystem::path& file) {
    testing::WriteFile(file, "");
    ExecuteSql(file,
               "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
               "INSERT INTO notes (body) VALUES ('mine');");
}

INSTANTIATE_TEST_SUITE_P(
    History, BrokenFiles,
    ::testing::Values(BrokenFile{"garbage", Garbage, "the file is damaged"},
                      BrokenFile{"a damaged page", DamagedPage, "the file is damaged"},
                      BrokenFile{"newer", Newer, "written by a newer Kestrova"},
                      BrokenFile{"another program's", AnotherProgramsDatabase,
                                 "not a Kestrova history"}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(LockedHistory, TakesTheLookupOnceTheOtherWriterIsDone) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    WriteHistory(file);
    testing::HeldWriteLock lock(file);
    std::thread other([&lock] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        lock.Release();
    });
    const FieldStore fields = UnknownLookup();
    ::testing::internal::CaptureStderr();
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        const auto began = std::chrono::steady_clock::now();
        // Locked longer than a save waits: kept, not lost, and the lookup's
        // end is not held up for long.
        EXPECT_FALSE(history.Save(RecordOf(fields, "nobody.here")));
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(380));
        EXPECT_EQ(history.Kept(), 1u);
        other.join();
    }
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
    EXPECT_NE(warning.find("test: warning: the history is locked: " + file.string() +
                           ": another program kept the file locked for 0.2"),
              std::string::npos)
        << warning;
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "4");
}

// A file some other program keeps locked costs one wait, not one per lookup;
// whatever cannot be saved by the end is said, with its number.
TEST(LockedHistory, CostsOneWaitAndSaysOnceWhatIsLost) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    WriteHistory(file);
    const FieldStore fields = UnknownLookup();
    ::testing::internal::CaptureStderr();
    const auto began = std::chrono::steady_clock::now();
    {
        testing::HeldWriteLock lock(file);
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        for (int k = 0; k < 6; ++k) {
            EXPECT_FALSE(history.Save(RecordOf(fields, "nobody.here")));
        }
        EXPECT_EQ(history.Kept(), 6u);
    }
    const auto took = std::chrono::steady_clock::now() - began;
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    // One wait while saving, one at the end.
    EXPECT_LT(took, std::chrono::milliseconds(700));
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
    EXPECT_NE(warnings.find("test: warning: 6 lookups were not saved in the history: " +
                            file.string() + ": another program kept the file locked"),
              std::string::npos)
        << warnings;
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "3");
}

// ---------------------------------------------------------------- upgrade

std::filesystem::path CopyOfVersion1(const TempFolder& folder) {
    const auto file = folder / "history.sqlite3";
    std::filesystem::copy_file(
        std::filesystem::path(KESTROVA_HISTORY_FIXTURES) / "history-v1.sqlite3", file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return file;
}

// "id output" -> digest of what show printed when the file was written.
std::map<std::string, std::string> ShownByVersion1() {
    std::ifstream in(std::filesystem::path(KESTROVA_HISTORY_FIXTURES) / "history-v1-shown.txt");
    std::map<std::string, std::string> digests;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string id, output, digest;
        fields >> id >> output >> digest;
        digests[id + " " + output] = digest;
    }
    return digests;
}

std::string DigestOf(const std::string& text) {
    return HexOf(Sha256Of(ByteBuffer(text.begin(), text.end())));
}

TEST(Version1History, IsBroughtUpToDateOnReadingAndShowsWhatItShowedThen) {
    const TempFolder folder;
    const auto file = CopyOfVersion1(folder);
    ASSERT_EQ(QueryValue(file, "PRAGMA user_version"), "1");
    const auto shown = ShownByVersion1();
    ASSERT_EQ(shown.size(), 8u);

    History saved(file);
    EXPECT_EQ(saved.Recent(std::nullopt, 0).size(), 4u);  // the first read upgrades it
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
    for (int id = 1; id <= 4; ++id) {
        const auto lookup = saved.Load(id);
        ASSERT_TRUE(lookup) << id;
        EXPECT_EQ(DigestOf(FieldJson(lookup->fields)), shown.at(std::to_string(id) + " json"))
            << id;
        EXPECT_EQ(DigestOf(FieldListing(lookup->fields)), shown.at(std::to_string(id) + " text"))
            << id;
    }
    // The seller was typed once with a space after the name: the same member.
    for (const std::string typed : {"青禾手作坊", "青禾手作坊 ", " 　青禾手作坊"}) {
        const auto lookups = saved.Recent(typed, 0);
        ASSERT_EQ(lookups.size(), 2u) << typed;
        EXPECT_EQ(lookups[0].id, 4);
        EXPECT_EQ(lookups[0].account, "青禾手作坊 ");
        EXPECT_EQ(lookups[1].id, 1);
    }
    EXPECT_EQ(saved.Recent(std::nullopt, 0).size(), 4u);
}

TEST(Version1History, IsBroughtUpToDateByTheFirstSave) {
    const TempFolder folder;
    const auto file = CopyOfVersion1(folder);
    const FieldStore fields = UnknownLookup();
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        EXPECT_EQ(history.Save(RecordOf(fields, "　nobody.here ")), 5);
    }
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "SELECT member FROM lookup WHERE id = 5"), "nobody.here");
    EXPECT_EQ(History(file).Recent("nobody.here", 0).size(), 2u);
}

TEST(MemberKey, TrimsSpacesOfBothWidthsAtBothEndsOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"青禾手作坊", "青禾手作坊"},
        {"  青禾手作坊 ", "青禾手作坊"},
        {"　 　a　", "a"},
        {"Mia Chen+Leo", "Mia Chen+Leo"},
        {"   ", ""},
        {"", ""},
        {"\ta\t", "\ta\t"},  // the profile request keeps tabs, and so does the key
    };
    for (const auto& [typed, key] : cases) {
        EXPECT_EQ(MemberKey(typed), key) << typed;
        // The upgrade's SQL trims alike.
        EXPECT_EQ(
            QueryValue(":memory:", std::string("SELECT trim('") + typed + "', ' ' || char(12288))"),
            key)
            << typed;
    }
}

}  // namespace
}  // namespace kestrova
