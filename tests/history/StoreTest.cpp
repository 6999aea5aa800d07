// Saving lookups and reading them back in process: texts keep every byte,
// pictures are kept once, a message box is a lookup's own only when shown
// during it, and only lookups that asked the marketplace anything are saved.

#include <gtest/gtest.h>

#include <set>

#include "EachStore.h"
#include "HistoryTesting.h"
#include "history/History.h"
#include "history/LoginName.h"
#include "history/LookupHistory.h"
#include "history/store/Database.h"
#include "history/store/MemberKey.h"
#include "history/store/PictureHash.h"
#include "history/store/PreparedLookup.h"
#include "history/store/SchemaVersion.h"
#include "history/store/StoredFields.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::FileBytes;
using testing::LookUp;
using testing::QueryValue;
using testing::RecordOf;
using testing::TempFolder;

testing::MarketplaceForTests& Market() {
    static testing::MarketplaceForTests market;
    return market;
}

using testing::StoreKind;

using testing::EachStore;

INSTANTIATE_TEST_SUITE_P(History, EachStore, testing::StoresOfThisProgram(),
                         testing::StoreParamName);

TEST_P(EachStore, SavedTextsKeepEveryByteAndComeBackInPlace) {
    FieldStore fields;
    const Text broken = std::string("\x81\xff\x80 \xa1", 5);  // no valid GBK
    const Text withZero = std::string("a\0b", 3);
    const Text large(3 << 20, 'x');  // a page kept whole
    const ByteBuffer picture = {0x00, 0xff, 0x10, 0x00};
    fields.WriteText(Ctl::编辑框1, Gbk("  青禾 "));
    fields.WriteText(Ctl::编辑框24, broken);
    fields.WriteText(Ctl::标签38, withZero);
    fields.WriteText(Ctl::编辑框82, large);
    fields.WriteText(Ctl::标签1, Text());  // a design caption emptied stays empty
    fields.WriteLinkAddress(Ctl::超级链接框1, broken);
    fields.WritePicture(Ctl::图片框1, picture);
    fields.StatusBarSetText(0, broken);

    History historyStore(file, kSavingLockWait);

    LookupHistory history(&historyStore, "test");
    const auto id = history.Save(RecordOf(fields, "  青禾 "));
    ASSERT_TRUE(id);
    const auto loaded = History(file).Load(*id);
    ASSERT_TRUE(loaded);
    for (const ControlDef& c : Controls()) {
        const StoredField before = StoredFieldOf(fields, c);
        const StoredField after = StoredFieldOf(loaded->fields, c);
        EXPECT_EQ(after.text, before.text) << c.name;
        EXPECT_EQ(after.link, before.link) << c.name;
        if (before.picture != nullptr) {
            EXPECT_EQ(*after.picture, *before.picture) << c.name;
        }
    }
    EXPECT_EQ(loaded->fields.StatusText(), broken);
    EXPECT_EQ(loaded->row.account, "  青禾 ");
    // Who saved it, and where.
    EXPECT_EQ(loaded->row.who, LoginName());
    EXPECT_EQ(loaded->row.host, HostName());
    // An account as typed need not be UTF-8: kept byte for byte all the same.
    const std::string notUtf8 = "a\xff\xfe";
    const auto other = history.Save(RecordOf(fields, notUtf8));
    ASSERT_TRUE(other);
    EXPECT_EQ(History(file).Load(*other)->row.account, notUtf8);
    EXPECT_EQ(History(file).Recent(notUtf8, 0).size(), 1u);
}

TEST_P(EachStore, SavedPicturesAreKeptOnceEachAcrossLookups) {
    Market();
    const auto seller = LookUp("青禾手作坊");
    std::set<Sha256Digest> distinct;
    int shown = 0;
    for (const ControlDef& c : Controls()) {
        if (c.kind == ControlKind::PicBox && !seller->ReadPicture(c.id).empty()) {
            distinct.insert(Sha256Of(seller->ReadPicture(c.id)));
            ++shown;
        }
    }
    ASSERT_GT(shown, static_cast<int>(distinct.size()));  // the rating icons repeat

    const std::string pictures =
        "SELECT count(*) FROM stored_value WHERE id IN (SELECT picture_id FROM field)";
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    EXPECT_EQ(store_.Value(pictures), std::to_string(distinct.size()));
    // A second process, which knows nothing of the first one's pictures.
    History anotherStore(file, kSavingLockWait);
    LookupHistory another(&anotherStore, "test");
    ASSERT_TRUE(another.Save(RecordOf(*seller, "青禾手作坊")));
    ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    EXPECT_EQ(store_.Value(pictures), std::to_string(distinct.size()));
    // The same fields and pictures three times: one field set.
    EXPECT_EQ(store_.Value("SELECT count(*) FROM field WHERE picture_id IS NOT NULL"),
              std::to_string(shown));
    EXPECT_EQ(store_.Value("SELECT count(DISTINCT field_set_id) FROM lookup"), "1");
    EXPECT_EQ(store_.Value("SELECT count(*) FROM lookup"), "3");
}

TEST_P(EachStore, SavedMessageBoxIsTheLookupsOwnOnly) {
    FieldStore fields;
    fields.WriteText(Ctl::编辑框1, Gbk("x"));
    fields.StatusBarSetText(0, Gbk("该账号不存在!"));
    fields.MessageBox(Gbk("请添写淘宝帐号."), 48, Gbk("提 示："));

    History historyStore(file, kSavingLockWait);

    LookupHistory history(&historyStore, "test");
    LookupRecord earlier = RecordOf(fields, "x");
    earlier.messageBoxesBefore = fields.MessageBoxCount();  // shown by an earlier lookup
    const auto first = history.Save(earlier);
    LookupRecord own = RecordOf(fields, "x");  // shown during this one
    const auto second = history.Save(own);
    ASSERT_TRUE(first && second);

    History saved(file);
    EXPECT_FALSE(saved.Load(*first)->fields.LastMessageBox().has_value());
    const auto box = saved.Load(*second)->fields.LastMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, (MessageBoxRecord{Gbk("请添写淘宝帐号."), 48, Gbk("提 示：")}));
}

// The seam both stores stand behind: each $N takes its own value whatever
// the order the SQL names them in, every kind of value comes back as it went
// in, and a batch that fails leaves nothing of itself and the connection
// usable.
TEST_P(EachStore, TheDatabaseBindsByNumberAndABatchIsAllOrNothing) {
    const auto db = OpenDatabase(file, true, kLockWait);
    const std::string bytes("\0\xff\x80", 3);
    const Rows cast =
        db->Run(Sql{"SELECT CAST($3 AS INTEGER) * 2, CAST($1 AS TEXT), "
                    "CAST($2 AS TEXT) IS NULL, CAST($3 AS INTEGER)",
                    {SqlValue::Text("青禾"), SqlValue::Null(), SqlValue::Number(21)}});
    ASSERT_EQ(cast.Count(), 1);
    EXPECT_EQ(cast.Number(0, 0), 42);
    EXPECT_EQ(cast.Bytes(0, 1), "青禾");
    EXPECT_EQ(cast.Number(0, 2), 1);
    EXPECT_EQ(cast.Number(0, 3), 21);
    const Rows stored = db->Run(Sql{
        "INSERT INTO stored_value (bytes, packing, size, sha256) VALUES ($4, $3, $2, $1) "
        "RETURNING sha256, size, packing, bytes",
        {SqlValue::Bytes("k"), SqlValue::Number(-5), SqlValue::Number(0), SqlValue::Bytes(bytes)}});
    ASSERT_EQ(stored.Count(), 1);
    EXPECT_EQ(stored.Bytes(0, 0), "k");
    EXPECT_EQ(stored.Number(0, 1), -5);
    EXPECT_EQ(stored.Bytes(0, 3), bytes);

    const Sql watch{"INSERT INTO watched (member, account, added_ms) VALUES ($1, $1, 0)",
                    {SqlValue::Text("a")}};
    EXPECT_THROW(db->Run({watch, Sql{"INSERT INTO no_such_table VALUES (1)", {}}},
                         Database::Transaction::kWrite),
                 HistoryError);
    EXPECT_TRUE(History(file).Watched().empty());
    db->Run({watch}, Database::Transaction::kWrite);
    EXPECT_EQ(History(file).Watched().size(), 1u);
}

TEST(Saving, NothingForALookupThatAskedNothingOrWithSavingOff) {
    const TempFolder folder;
    const auto file = folder / "sub" / "history.sqlite3";
    FieldStore emptyInput;
    emptyInput.MessageBox(Gbk("请添写淘宝帐号."), 0, Gbk("提 示："));
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    EXPECT_FALSE(history.Save(RecordOf(emptyInput, "")));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));

    FieldStore unknown;
    unknown.WriteText(Ctl::编辑框1, Gbk("nobody"));
    unknown.StatusBarSetText(0, Gbk("该账号不存在!"));
    LookupHistory off(nullptr, "test");
    EXPECT_FALSE(off.Save(RecordOf(unknown, "nobody")));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));

    // The folder is made for the first lookup that is saved.
    EXPECT_TRUE(history.Save(RecordOf(unknown, "nobody")));
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(NewHistory, IsWalAtTheCurrentVersion) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    FieldStore unknown;
    unknown.WriteText(Ctl::编辑框1, Gbk("nobody"));
    unknown.StatusBarSetText(0, Gbk("该账号不存在!"));
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    ASSERT_TRUE(history.Save(RecordOf(unknown, "nobody")));
    EXPECT_EQ(QueryValue(file, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "SELECT end_kind FROM lookup"), "unknown_account");
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
}

TEST_P(EachStore, RecentListsLatestFirstByMemberAndUpToTheLimit) {
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    const auto base = std::chrono::system_clock::time_point(std::chrono::hours(370000));
    const std::string accounts[] = {"a", "b", "a", "c", "a"};
    for (int k = 0; k < 5; ++k) {
        FieldStore fields;
        fields.WriteText(Ctl::编辑框1, accounts[k]);
        fields.StatusBarSetText(0, Gbk("该账号不存在!"));
        LookupRecord record = RecordOf(fields, accounts[k]);
        // A clock set back between lookups: the list goes by the order of
        // saving, not by what the clock said.
        record.started = base + std::chrono::minutes(k == 1 ? 10 : -k);
        ASSERT_TRUE(history.Save(record));
    }
    History saved(file);
    auto ids = [](const std::vector<LookupRow>& list) {
        std::vector<std::int64_t> found;
        for (const auto& s : list) {
            found.push_back(s.id);
        }
        return found;
    };
    EXPECT_EQ(ids(saved.Recent(std::nullopt, 0)), (std::vector<std::int64_t>{5, 4, 3, 2, 1}));
    EXPECT_EQ(ids(saved.Recent(std::nullopt, 2)), (std::vector<std::int64_t>{5, 4}));
    EXPECT_EQ(ids(saved.Recent("a", 0)), (std::vector<std::int64_t>{5, 3, 1}));
    EXPECT_EQ(ids(saved.Recent("a", 1)), (std::vector<std::int64_t>{5}));
    EXPECT_EQ(saved.Latest("a")->row.id, 5);
    EXPECT_TRUE(saved.Recent("nobody", 0).empty());
    EXPECT_FALSE(saved.Load(99).has_value());
}

TEST_P(EachStore, AHistoryNotYetWrittenIsEmptyAndStaysUnwritten) {
    History saved(file);
    EXPECT_TRUE(saved.Recent(std::nullopt, 0).empty());
    EXPECT_FALSE(saved.Load(1).has_value());
    EXPECT_FALSE(store_.Made());
}

TEST(Reading, AnEmptyFileIsAnEmptyHistoryAndStaysEmpty) {
    const TempFolder folder;

    const auto empty = folder / "empty.sqlite3";
    testing::WriteFile(empty, "");
    EXPECT_TRUE(History(empty).Recent(std::nullopt, 0).empty());
    EXPECT_EQ(FileBytes(empty), "");
}

// ---------------------------------------------------------------- the bound

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint64_t state = 0x9e3779b97f4a7c15ull * (seed + 1);
    for (std::size_t k = 0; k < size; k += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        for (std::size_t b = 0; b < 8 && k + b < size; ++b) {
            bytes[k + b] = static_cast<char>(state >> (8 * b));
        }
    }
    return bytes;
}

std::uintmax_t HistoryBytes(const std::filesystem::path& file) {
    // What the file holds once its log is written back.
    testing::ExecuteSql(file, "PRAGMA wal_checkpoint(TRUNCATE)");
    return std::filesystem::file_size(file);
}

struct Oversized {
    const char* what;
    std::size_t pageBytes;  // each of the three page stores
    int pictures;           // distinct pictures of pictureBytes each
    std::size_t pictureBytes;
    int leftOut;
};

class OversizedLookups : public ::testing::TestWithParam<Oversized> {};

// Whatever the pages hold, one lookup adds at most 16 MiB; what is left out
// is marked, and every other field comes back as it was.
TEST_P(OversizedLookups, AddAtMostTheBoundAndSaySo) {
    const Oversized& o = GetParam();
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    FieldStore fields;
    fields.WriteText(Ctl::编辑框1, Gbk("青禾手作坊"));
    fields.WriteText(Ctl::标签38, Gbk("良民."));
    unsigned seed = 0;
    for (const Ctl page : {Ctl::编辑框82, Ctl::编辑框2, Ctl::编辑框98}) {
        fields.WriteText(page, RandomBytes(o.pageBytes, ++seed));
    }
    const Ctl boxes[] = {Ctl::图片框1,  Ctl::图片框9,  Ctl::图片框10, Ctl::图片框11,
                         Ctl::图片框12, Ctl::图片框13, Ctl::图片框14};
    for (int k = 0; k < o.pictures; ++k) {
        const std::string bytes = RandomBytes(o.pictureBytes, ++seed);
        fields.WritePicture(boxes[k], ByteBuffer(bytes.begin(), bytes.end()));
    }
    FieldStore small;
    small.WriteText(Ctl::编辑框1, Gbk("nobody"));
    small.StatusBarSetText(0, Gbk("该账号不存在!"));

    History historyStore(file, kSavingLockWait);

    LookupHistory history(&historyStore, "test");
    ASSERT_TRUE(history.Save(RecordOf(small, "nobody")));
    const auto before = HistoryBytes(file);
    const auto id = history.Save(RecordOf(fields, "青禾手作坊"));
    ASSERT_TRUE(id);
    EXPECT_LE(HistoryBytes(file) - before, kLookupBound) << o.what;

    const auto saved = History(file).Load(*id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->row.leftOut, o.leftOut);
    for (const ControlDef& c : Controls()) {
        const StoredField was = StoredFieldOf(fields, c);
        const StoredField is = StoredFieldOf(saved->fields, c);
        const bool pageLeftOut = (o.leftOut & kPageTextsLeftOut) != 0 && IsPageStore(c.id);
        EXPECT_EQ(is.text, pageLeftOut ? Text() : was.text) << c.name;
        if (was.picture != nullptr && (o.leftOut & kPicturesLeftOut) == 0) {
            EXPECT_EQ(*is.picture, *was.picture) << c.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(History, OversizedLookups,
                         ::testing::Values(
                             // Pages padded with incompressible bytes to the size cap.
                             Oversized{"pages_at_the_cap", 32u << 20, 0, 0, kPageTextsLeftOut},
                             Oversized{"pages_just_within", 5u << 20, 0, 0, kNothingLeftOut},
                             Oversized{"pictures_beyond", 1u << 20, 7, 4u << 20,
                                       kPageTextsLeftOut | kPicturesLeftOut}),
                         [](const auto& info) { return std::string(info.param.what); });

// The page texts are stored compressed, and once however many lookups hold them.
TEST(SavedPageTexts, AreCompressedAndStoredOnce) {
    Market();
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    const auto seller = LookUp("青禾手作坊");
    std::size_t pageBytes = 0;
    for (const Ctl page : {Ctl::编辑框82, Ctl::编辑框2, Ctl::编辑框98}) {
        pageBytes += seller->ReadText(page).size();
    }
    History historyStore(file, kSavingLockWait);
    LookupHistory history(&historyStore, "test");
    ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    const auto once = HistoryBytes(file);
    for (int k = 0; k < 9; ++k) {
        ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    }
    // Nine more lookups showing the same: nine rows, a page or so.
    EXPECT_LE(HistoryBytes(file) - once, 8192u);
    const std::string stored = QueryValue(
        file,
        "SELECT sum(length(bytes)) FROM stored_value WHERE id IN (SELECT text_id FROM field "
        "WHERE control_id IN (SELECT id FROM control WHERE name IN ('编辑框82', '编辑框2', "
        "'编辑框98')))");
    EXPECT_LT(std::stoul(stored) * 3, pageBytes) << stored << " of " << pageBytes;
}

TEST(MemberKey, IsWhatTheMarketplaceReceives) {
    const std::pair<const char*, const char*> cases[] = {
        {"x😀", "x?"},    {" x😃　", "x?"}, {"x?", "x?"}, {"青禾手作坊", "青禾手作坊"},
        {"a\xff", "a?"},  // not UTF-8: sent as "?"
    };
    for (const auto& [typed, key] : cases) {
        EXPECT_EQ(MemberKey(typed), key) << typed;
    }
    EXPECT_NE(MemberKey("x😀"), MemberKey("x"));
}

// A file deleted while a program saves into it: the next lookup goes into a
// new file, said once, instead of into the deleted one.
TEST(DeletedHistory, IsMadeAnewAndSaidOnce) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    FieldStore unknown;
    unknown.WriteText(Ctl::编辑框1, Gbk("nobody"));
    unknown.StatusBarSetText(0, Gbk("该账号不存在!"));
    ::testing::internal::CaptureStderr();
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        ASSERT_TRUE(history.Save(RecordOf(unknown, "nobody")));
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(file.string() + suffix);
        }
        EXPECT_EQ(history.Save(RecordOf(unknown, "nobody")), 1);
        EXPECT_EQ(history.Save(RecordOf(unknown, "nobody")), 2);
    }
    const std::string warning = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(warning, "test: warning: " + file.string() +
                           ": the file was deleted or replaced while in use; lookups now go "
                           "into a new one\n");
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "2");
}

}  // namespace
}  // namespace kestrova
