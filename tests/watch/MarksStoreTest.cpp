// Marks, notes and the watch list in a real history, a file and a database
// on a PostgreSQL server alike: by member, newer marks win, an import is one
// transaction, reading never makes a history; and the lookup a re-check
// compares with.

#include <gtest/gtest.h>

#include "EachStore.h"
#include "WatchTesting.h"
#include "history/History.h"
#include "history/LookupHistory.h"
#include "history/PreviousLookup.h"
#include "history/store/HistoryError.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using namespace std::chrono;
using testing::StoreKind;

using testing::EachStore;

INSTANTIATE_TEST_SUITE_P(Watch, EachStore, testing::StoresOfThisProgram(), testing::StoreParamName);

system_clock::time_point At(int minute) {
    return system_clock::time_point(milliseconds(1796600000000LL + minute * 60000LL));
}

MarkEntry Entry(std::string account, MarkKind kind, std::string text, std::string who, int minute) {
    return MarkEntry{std::move(account), kind, std::move(text), std::move(who), At(minute)};
}

TEST_P(EachStore, MarksOneMarkAndManyNotesByMemberReadBackAsKept) {
    // Reading a history that is not there makes nothing.
    EXPECT_TRUE(History(file).MarksOf("x").Empty());
    EXPECT_TRUE(History(file).Watched().empty());
    EXPECT_FALSE(store_.Made());

    History marks(file);
    marks.SetMark(Entry("青禾手作坊", MarkKind::kBlacklist, "收货后给差评要挟", "alice", 1));
    marks.AddNote(Entry(" 青禾手作坊", MarkKind::kNote, "先付款", "bob", 2));
    marks.AddNote(Entry("青禾手作坊　", MarkKind::kNote, "电话 138", "alice", 3));
    marks.SetMark(Entry("x😀", MarkKind::kTrusted, "", "carol", 4));

    const MemberMarks seller = History(file).MarksOf("青禾手作坊");
    ASSERT_TRUE(seller.mark);
    EXPECT_EQ(*seller.mark,
              Entry("青禾手作坊", MarkKind::kBlacklist, "收货后给差评要挟", "alice", 1));
    ASSERT_EQ(seller.notes.size(), 2u);
    EXPECT_EQ(seller.notes[0].text, "先付款");
    EXPECT_EQ(seller.notes[0].account, " 青禾手作坊");
    EXPECT_EQ(seller.notes[1].who, "alice");
    // The member as the marketplace receives it: x😃 is x😀.
    EXPECT_EQ(marks.MarksOf("x😃").mark->who, "carol");

    // A mark replaced, then cleared: the member shows none, the list keeps the clear.
    marks.SetMark(Entry("青禾手作坊", MarkKind::kTrusted, "误会", "alice", 5));
    EXPECT_EQ(marks.MarksOf("青禾手作坊").mark->kind, MarkKind::kTrusted);
    marks.SetMark(Entry("青禾手作坊", MarkKind::kClear, "", "alice", 6));
    EXPECT_FALSE(marks.MarksOf("青禾手作坊").mark);
    EXPECT_EQ(marks.MarksOf("青禾手作坊").notes.size(), 2u);
    const std::vector<MarkEntry> all = marks.AllMarks();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].kind, MarkKind::kClear);  // the member touched last comes first
    EXPECT_EQ(all[3].account, "x😀");

    // Text that cannot be shown safely is not kept.
    for (const std::string& bad : {std::string("a\nb"), std::string("\x1b[31m"),
                                   std::string("\xe2\x80\xae"), std::string("\xc3")}) {
        EXPECT_THROW(marks.AddNote(Entry("y", MarkKind::kNote, bad, "alice", 7)), HistoryError);
    }
    EXPECT_THROW(marks.SetMark(Entry("  ", MarkKind::kTrusted, "", "alice", 7)), HistoryError);
    EXPECT_TRUE(marks.MarksOf("y").Empty());
}

TEST_P(EachStore, MarksImportTakesNewerMarksAndNewNotesInOneTransaction) {
    History marks(file);
    marks.SetMark(Entry("a", MarkKind::kBlacklist, "mine", "alice", 10));
    marks.SetMark(Entry("b", MarkKind::kClear, "", "alice", 10));
    marks.AddNote(Entry("a", MarkKind::kNote, "known", "bob", 3));

    const ImportCounts counts = marks.ImportMarks({
        Entry("a", MarkKind::kTrusted, "older", "zoe", 9),       // older: the kept mark stays
        Entry("a", MarkKind::kTrusted, "same time", "zoe", 10),  // as new: stays too
        Entry("b", MarkKind::kBlacklist, "cleared before", "zoe", 8),
        Entry("c", MarkKind::kBlacklist, "first", "zoe", 1),
        Entry("c", MarkKind::kTrusted, "newer in the file", "zoe", 2),
        Entry(" a", MarkKind::kNote, "known", "bob", 3),  // the same note again
        Entry("a", MarkKind::kNote, "new", "zoe", 3),
    });
    EXPECT_EQ(counts.marks, 2);
    EXPECT_EQ(counts.olderMarks, 3);
    EXPECT_EQ(counts.notes, 1);
    EXPECT_EQ(counts.knownNotes, 1);
    EXPECT_EQ(marks.MarksOf("a").mark->text, "mine");
    EXPECT_FALSE(marks.MarksOf("b").mark);
    EXPECT_EQ(marks.MarksOf("c").mark->text, "newer in the file");
    EXPECT_EQ(marks.MarksOf("a").notes.size(), 2u);

    // An entry that cannot be kept, after good ones: none of them is.
    const std::string before =
        store_.Value("SELECT count(*) FROM mark") + "/" + store_.Value("SELECT count(*) FROM note");
    EXPECT_THROW(marks.ImportMarks({Entry("d", MarkKind::kTrusted, "good", "zoe", 20),
                                    Entry("d", MarkKind::kNote, "good", "zoe", 20),
                                    Entry("e", MarkKind::kNote, "bad\x07", "zoe", 20)}),
                 HistoryError);
    EXPECT_EQ(
        store_.Value("SELECT count(*) FROM mark") + "/" + store_.Value("SELECT count(*) FROM note"),
        before);
    EXPECT_TRUE(marks.MarksOf("d").Empty());
}

TEST_P(EachStore, WatchListHasEachMemberOnceInTheOrderAdded) {
    History list(file);
    EXPECT_TRUE(list.Watch("青禾手作坊", At(1)));
    EXPECT_TRUE(list.Watch("echo_valley", At(2)));
    EXPECT_FALSE(list.Watch(" 青禾手作坊　", At(3)));
    EXPECT_TRUE(list.Watch("书虫阿林", At(3)));
    EXPECT_THROW(list.Watch("　", At(4)), HistoryError);
    EXPECT_THROW(list.Watch("a\tb", At(4)), HistoryError);
    EXPECT_TRUE(list.Unwatch("echo_valley "));
    EXPECT_FALSE(list.Unwatch("echo_valley"));
    const std::vector<WatchedMember> expected = {{"青禾手作坊", At(1)}, {"书虫阿林", At(3)}};
    EXPECT_EQ(History(file).Watched(), expected);
}

// A re-check compares with the latest lookup that counts as complete: not
// one the user stopped, nor one the marketplace did not answer.
TEST_P(EachStore, PreviousLookupIsTheLatestCompleteOne) {
    testing::Market().Market().SetMoment(MarketMoment::kFirst);
    const auto seller = testing::LookUp("青禾手作坊");
    const auto blank = testing::LookUp("blank_page");
    const auto unknown = testing::LookUp("nobody.here");
    FieldStore stopped;  // cancelled before the verdicts
    stopped.WriteText(Ctl::编辑框1, Gbk("青禾手作坊"));
    std::optional<std::int64_t> complete;
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        complete = history.Save(testing::RecordOf(*seller, "青禾手作坊"));
        auto cancelled = testing::RecordOf(stopped, "青禾手作坊");
        cancelled.cancelled = true;
        ASSERT_TRUE(history.Save(cancelled));
        ASSERT_TRUE(history.Save(testing::RecordOf(*blank, "青禾手作坊")));
        ASSERT_TRUE(history.Save(testing::RecordOf(*unknown, "nobody.here")));
    }
    History saved(file);
    EXPECT_EQ(LatestCompleteLookup(saved, " 青禾手作坊"), complete);
    EXPECT_EQ(LatestCompleteLookup(saved, "nobody.here"), 4);  // the marketplace answered
    EXPECT_EQ(LatestCompleteLookup(saved, "书虫阿林"), std::nullopt);
}

}  // namespace
}  // namespace kestrova
