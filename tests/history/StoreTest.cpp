// Saving lookups and reading them back in process: texts keep every byte,
// pictures are kept once, a message box is a lookup's own only when shown
// during it, and only lookups that asked the marketplace anything are saved.

#include <gtest/gtest.h>

#include <set>

#include "HistoryTesting.h"
#include "history/LookupHistory.h"
#include "history/PictureHash.h"
#include "history/SavedLookups.h"
#include "history/Schema.h"
#include "history/StoredFields.h"
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

TEST(SavedTexts, KeepEveryByteAndComeBackInPlace) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
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

    LookupHistory history(file, "test");
    const auto id = history.Save(RecordOf(fields, "  青禾 "));
    ASSERT_TRUE(id);
    const auto loaded = SavedLookups(file).Load(*id);
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
    EXPECT_EQ(loaded->summary.account, "  青禾 ");
}

TEST(SavedPictures, AreKeptOnceEachAcrossLookups) {
    Market();
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
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
    LookupHistory history(file, "test");
    ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    EXPECT_EQ(QueryValue(file, pictures), std::to_string(distinct.size()));
    // A second process, which knows nothing of the first one's pictures.
    LookupHistory another(file, "test");
    ASSERT_TRUE(another.Save(RecordOf(*seller, "青禾手作坊")));
    ASSERT_TRUE(history.Save(RecordOf(*seller, "青禾手作坊")));
    EXPECT_EQ(QueryValue(file, pictures), std::to_string(distinct.size()));
    // The same fields and pictures three times: one field set.
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM field WHERE picture_id IS NOT NULL"),
              std::to_string(shown));
    EXPECT_EQ(QueryValue(file, "SELECT count(DISTINCT field_set_id) FROM lookup"), "1");
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "3");
}

TEST(SavedMessageBox, IsTheLookupsOwnOnly) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    FieldStore fields;
    fields.WriteText(Ctl::编辑框1, Gbk("x"));
    fields.StatusBarSetText(0, Gbk("该账号不存在!"));
    fields.MessageBox(Gbk("请添写淘宝帐号."), 48, Gbk("提 示："));

    LookupHistory history(file, "test");
    LookupRecord earlier = RecordOf(fields, "x");
    earlier.messageBoxesBefore = fields.MessageBoxCount();  // shown by an earlier lookup
    const auto first = history.Save(earlier);
    LookupRecord own = RecordOf(fields, "x");  // shown during this one
    const auto second = history.Save(own);
    ASSERT_TRUE(first && second);

    const SavedLookups saved(file);
    EXPECT_FALSE(saved.Load(*first)->fields.LastMessageBox().has_value());
    const auto box = saved.Load(*second)->fields.LastMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(*box, (MessageBoxRecord{Gbk("请添写淘宝帐号."), 48, Gbk("提 示：")}));
}

TEST(Saving, NothingForALookupThatAskedNothingOrWithSavingOff) {
    const TempFolder folder;
    const auto file = folder / "sub" / "history.sqlite3";
    FieldStore emptyInput;
    emptyInput.MessageBox(Gbk("请添写淘宝帐号."), 0, Gbk("提 示："));
    LookupHistory history(file, "test");
    EXPECT_FALSE(history.Save(RecordOf(emptyInput, "")));
    EXPECT_FALSE(std::filesystem::exists(file.parent_path()));

    FieldStore unknown;
    unknown.WriteText(Ctl::编辑框1, Gbk("nobody"));
    unknown.StatusBarSetText(0, Gbk("该账号不存在!"));
    LookupHistory off(std::nullopt, "test");
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
    LookupHistory history(file, "test");
    ASSERT_TRUE(history.Save(RecordOf(unknown, "nobody")));
    EXPECT_EQ(QueryValue(file, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "SELECT end_kind FROM lookup"), "unknown_account");
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
}

TEST(Recent, ListsLatestFirstByMemberAndUpToTheLimit) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    LookupHistory history(file, "test");
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
    const SavedLookups saved(file);
    auto ids = [](const std::vector<SavedLookupSummary>& list) {
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
    EXPECT_EQ(saved.Latest("a")->summary.id, 5);
    EXPECT_TRUE(saved.Recent("nobody", 0).empty());
    EXPECT_FALSE(saved.Load(99).has_value());
}

TEST(Reading, AHistoryNotYetWrittenIsEmptyAndStaysUnwritten) {
    const TempFolder folder;
    const auto missing = folder / "none.sqlite3";
    const SavedLookups saved(missing);
    EXPECT_TRUE(saved.Recent(std::nullopt, 0).empty());
    EXPECT_FALSE(saved.Load(1).has_value());
    EXPECT_FALSE(std::filesystem::exists(missing));

    const auto empty = folder / "empty.sqlite3";
    testing::WriteFile(empty, "");
    EXPECT_TRUE(SavedLookups(empty).Recent(std::nullopt, 0).empty());
    EXPECT_EQ(FileBytes(empty), "");
}

}  // namespace
}  // namespace kestrova
