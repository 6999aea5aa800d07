// The window and its lookup's worker at the moments that decide a lookup's
// end: Esc or closing just as the worker makes its last write, Esc between two
// queued writes, every action on an idle window and after a lookup has ended,
// a worker busy with a large picture, and a history another program keeps
// locked. The interleavings are forced through the hook in the window's write
// queue, not left to timing.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QBuffer>
#include <QImageWriter>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

#include "GuiSupport.h"
#include "form/FieldStore.h"
#include "history/LookupHistory.h"
#include "imaging/Picture.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/MainWindow.h"
#include "shell/QueryWorker.h"
#include "shell/SavingThread.h"
#include "shell/StatusLine.h"
#include "tests/support/HostileServer.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;
using testing::OpenWindow;
using testing::RecordingOpener;

const char* const kSeller = "青禾手作坊";

double MsSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The sample marketplace, reached by host name.
class Marketplace {
  public:
    explicit Marketplace(int latencyMs = 0) : market_(latencyMs) {
        SetConnectTo(ConnectTarget{"localhost", market_.Start()});
    }
    ~Marketplace() { SetConnectTo(std::nullopt); }

  private:
    SampleMarketplace market_;
};

// A history file of the test's own, saved into by a saving thread.
class TestHistory {
  public:
    TestHistory()
        : file_(dir_.filePath(QStringLiteral("history.sqlite3")).toStdString()),
          history_(file_, kSavingLockWait),
          saving_(std::make_unique<LookupHistory>(&history_, "test")) {}
    SavingThread& Saving() { return saving_; }
    const std::filesystem::path& File() const { return file_; }
    std::vector<LookupRow> Saved() {
        saving_.Finish();
        if (!std::filesystem::exists(file_)) {
            return {};
        }
        return History(file_).Recent(std::nullopt, 0);
    }

  private:
    QTemporaryDir dir_;
    std::filesystem::path file_;
    History history_;
    SavingThread saving_;
};

// Lets a worker wait until the test says so.
class Gate {
  public:
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(30), [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

void TypeSeller(MainWindow& window) {
    testing::Type(window.ControlAs<QLineEdit>(Ctl::编辑框1), QString::fromUtf8(kSeller));
}

bool WaitForEnd(MainWindow& window) {
    return QTest::qWaitFor([&] { return !window.LookupRunning(); }, 30000);
}

bool WaitUntilNoWorkerRuns() {
    return QTest::qWaitFor([] { return QueryWorker::ThreadsStillRunning() == 0; }, 60000);
}

// The full seller on a headless window: what the window must end up with.
FieldStore HeadlessSeller() {
    FieldStore store(EmbeddedDesignPictures());
    store.WriteText(Ctl::编辑框1, Gbk(kSeller));
    QueryState state;
    LookupSession session(LookupMode::Sequential, store.ReadText(Ctl::编辑框1));
    RunQuery(store, state, session);
    return store;
}

void ExpectSameFields(const FieldStore& actual, const FieldStore& expected) {
    for (const ControlDef& c : Controls()) {
        if (c.kind == ControlKind::PicBox) {
            EXPECT_EQ(actual.ReadPicture(c.id), expected.ReadPicture(c.id)) << c.name;
        } else if (c.kind == ControlKind::EditBox || c.kind == ControlKind::Label ||
                   c.kind == ControlKind::HyperLinker) {
            EXPECT_EQ(actual.ReadText(c.id), expected.ReadText(c.id)) << c.name;
        }
    }
    EXPECT_EQ(actual.StatusText(), expected.StatusText());
}

// ------------------------------------------------ the end of a lookup, forced

// The window a lookup writes through, held before one of its writes until the
// test lets it go on.
class HeldWindow final : public Window {
  public:
    HeldWindow(Window& below, int heldWrite, Gate& gate)
        : below_(below), heldWrite_(heldWrite), gate_(gate) {}
    const Text& ReadText(Ctl c) override { return below_.ReadText(c); }
    void WriteText(Ctl c, const Text& t) override { Hold(), below_.WriteText(c, t); }
    void WriteText(Ctl c, Text&& t) override { Hold(), below_.WriteText(c, std::move(t)); }
    void WriteLinkAddress(Ctl c, const Text& a) override { Hold(), below_.WriteLinkAddress(c, a); }
    void WritePicture(Ctl c, const ByteBuffer& b) override { Hold(), below_.WritePicture(c, b); }
    void StatusBarSetText(int part, const Text& t) override {
        Hold(), below_.StatusBarSetText(part, t);
    }
    int MessageBox(const Text& content, int flags, const Text& caption) override {
        Hold();
        return below_.MessageBox(content, flags, caption);
    }
    void ProcessEvents() override { below_.ProcessEvents(); }
    void WriteTitle(const Text& t) override { Hold(), below_.WriteTitle(t); }

  private:
    void Hold() {
        if (++writes_ == heldWrite_) {
            gate_.Wait();
        }
    }
    Window& below_;
    int heldWrite_;
    Gate& gate_;
    int writes_ = 0;
};

enum class Action { Esc, Close };

class AsTheLookupEnds : public ::testing::TestWithParam<Action> {};

// The worker makes its last write and ends while the window is still taking
// its writes; then Esc or closing comes, before the rest are in. The lookup
// has ended: nothing is dropped, nothing says it was cancelled, and it is
// saved whole.
TEST_P(AsTheLookupEnds, NothingOfItIsDroppedAndItIsSavedWhole) {
    ASSERT_TRUE(WaitUntilNoWorkerRuns());
    Marketplace market;
    const FieldStore expected = HeadlessSeller();
    TestHistory history;
    RecordingOpener opener;
    // Write 11 is made only once the window is taking write 10: the writes
    // from there on, and the end notice, come in a later pass of its queue.
    constexpr int kHeldWrite = 11;
    std::atomic<bool> returned{false};
    Gate gate;
    OpenWindow open([&returned, &gate](Window& window, QueryState& state) {
        HeldWindow held(window, kHeldWrite, gate);
        QueryRoutine(held, state);
        returned = true;
    });
    open.window.SaveLookupsIn(&history.Saving());
    std::vector<LookupOutcome> outcomes;
    open.window.OnLookupFinished(
        [&outcomes](const FinishedLookup& lookup) { outcomes.push_back(lookup.outcome); });
    bool acted = false;
    std::optional<FieldStore> atClose;  // what the window held as closing returned
    bool runningAtClose = true;
    open.window.OnQueuedWrite([&](int applied) {
        if (acted || applied + 1 != kHeldWrite - 1) {
            return;  // not write 10
        }
        acted = true;
        gate.Open();
        // Until the worker has made every write and said so.
        const auto waited = Clock::now();
        while ((!returned || QueryWorker::ThreadsStillRunning() > 0) && MsSince(waited) < 30000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // Ahead of the next pass of the queue, as a key or a close from the
        // window system comes.
        QMetaObject::invokeMethod(
            &open.window,
            [&] {
                if (GetParam() == Action::Esc) {
                    QTest::keyClick(&open.window, Qt::Key_Escape);
                } else {
                    // The program ends behind a close: its last writes and
                    // its save must not wait for later passes of the queue.
                    open.window.close();
                    runningAtClose = open.window.LookupRunning();
                    atClose = open.window.Fields().Store();
                }
            },
            Qt::QueuedConnection);
    });
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));
    ASSERT_TRUE(acted);

    ExpectSameFields(open.window.Fields().Store(), expected);
    if (GetParam() == Action::Close) {
        EXPECT_FALSE(runningAtClose);
        ASSERT_TRUE(atClose);
        ExpectSameFields(*atClose, expected);
    }
    EXPECT_EQ(outcomes, std::vector<LookupOutcome>{LookupOutcome::Finished});
    const auto saved = history.Saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].end, "verdicts");
    const auto lookup = History(history.File()).Load(saved[0].id);
    ASSERT_TRUE(lookup);
    ExpectSameFields(lookup->fields, open.window.Fields().Store());
    EXPECT_EQ(opener.Opened().size(), GetParam() == Action::Close ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Window, AsTheLookupEnds, ::testing::Values(Action::Esc, Action::Close),
                         [](const auto& info) {
                             return std::string(info.param == Action::Esc ? "Esc" : "Close");
                         });

// Esc between two writes the worker has already made: the second and every
// later one stay out of the window, whenever they were queued.
TEST(WindowWorker, EscDropsEveryWriteStillQueued) {
    ASSERT_TRUE(WaitUntilNoWorkerRuns());
    std::atomic<int> written{0};
    Gate gate;
    OpenWindow open([&](Window& window, QueryState&) {
        for (int i = 0; i < 5; ++i) {
            window.WriteText(Ctl::编辑框11, "write " + std::to_string(i));
            ++written;
        }
        gate.Wait();  // work that does not look for a cancel
        window.WriteText(Ctl::编辑框12, "after");
    });
    bool cancelled = false;
    open.window.OnQueuedWrite([&](int applied) {
        if (applied != 1 || cancelled) {
            return;
        }
        while (written < 5) {
            std::this_thread::yield();
        }
        cancelled = open.window.CancelLookup();
    });
    std::vector<LookupOutcome> outcomes;
    open.window.OnLookupFinished(
        [&outcomes](const FinishedLookup& lookup) { outcomes.push_back(lookup.outcome); });
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled; }, 10000));
    EXPECT_FALSE(open.window.LookupRunning());
    gate.Open();
    ASSERT_TRUE(WaitUntilNoWorkerRuns());
    QTest::qWait(20);

    const FieldStore& shown = open.window.Fields().Store();
    EXPECT_EQ(shown.ReadText(Ctl::编辑框11), "write 0");
    EXPECT_EQ(shown.ReadText(Ctl::编辑框12), "");
    EXPECT_EQ(testing::Utf8(shown.StatusText()), QStringLiteral("查询已取消"));
    EXPECT_EQ(outcomes, std::vector<LookupOutcome>{LookupOutcome::Cancelled});
}

// ------------------------------------------- every action on an idle window

enum class Before { Nothing, FinishedLookup, CancelledLookup };
enum class IdleAction { EscKey, Cancel, Close };

struct IdleCase {
    const char* name;
    Before before;
    IdleAction action;
};

class IdleWindow : public ::testing::TestWithParam<IdleCase> {};

// No lookup runs, whether none ever did or one has ended: Esc writes nothing
// and reports no cancel, closing saves nothing and opens the exit link once.
TEST_P(IdleWindow, ActionsFindNoLookupToStop) {
    // Answers held back where the lookup must still run when it is cancelled:
    // an unknown member's lookup otherwise ends before the cancel now and then.
    Marketplace market(GetParam().before == Before::CancelledLookup ? 300 : 0);
    TestHistory history;
    RecordingOpener opener;
    OpenWindow open;
    open.window.SaveLookupsIn(&history.Saving());
    int finished = 0;
    open.window.OnLookupFinished([&finished](const FinishedLookup&) { ++finished; });
    if (GetParam().before != Before::Nothing) {
        // The unknown member ends with its own status message.
        testing::Type(open.window.ControlAs<QLineEdit>(Ctl::编辑框1),
                      QStringLiteral("nobody.here"));
        ASSERT_TRUE(open.window.RunQuery());
        if (GetParam().before == Before::CancelledLookup) {
            ASSERT_TRUE(open.window.CancelLookup());
        }
        ASSERT_TRUE(WaitForEnd(open.window));
    }
    ASSERT_TRUE(WaitUntilNoWorkerRuns());
    const Text status = open.window.Fields().Store().StatusText();
    const std::size_t saved = history.Saved().size();
    const int finishedBefore = finished;

    switch (GetParam().action) {
        case IdleAction::EscKey:
            QTest::keyClick(&open.window, Qt::Key_Escape);
            break;
        case IdleAction::Cancel:
            EXPECT_FALSE(open.window.CancelLookup());
            break;
        case IdleAction::Close:
            EXPECT_TRUE(open.window.close());
            break;
    }
    QTest::qWait(20);
    EXPECT_EQ(open.window.Fields().Store().StatusText(), status);
    EXPECT_EQ(finished, finishedBefore) << "a cancel was reported";
    EXPECT_EQ(history.Saved().size(), saved);
    EXPECT_EQ(opener.Opened().size(), GetParam().action == IdleAction::Close ? 1u : 0u);
    EXPECT_FALSE(open.window.ControlAs<StatusLine>(Ctl::状态条1)->Progress()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Window, IdleWindow,
    ::testing::Values(IdleCase{"EscOnAFreshWindow", Before::Nothing, IdleAction::EscKey},
                      IdleCase{"CancelOnAFreshWindow", Before::Nothing, IdleAction::Cancel},
                      IdleCase{"CloseOnAFreshWindow", Before::Nothing, IdleAction::Close},
                      IdleCase{"EscAfterALookupEnded", Before::FinishedLookup, IdleAction::EscKey},
                      IdleCase{"CancelAfterALookupEnded", Before::FinishedLookup,
                               IdleAction::Cancel},
                      IdleCase{"CloseAfterALookupEnded", Before::FinishedLookup, IdleAction::Close},
                      IdleCase{"EscAfterACancel", Before::CancelledLookup, IdleAction::EscKey},
                      IdleCase{"CloseAfterACancel", Before::CancelledLookup, IdleAction::Close}),
    [](const auto& info) { return std::string(info.param.name); });

// --------------------------------------------------------- a busy worker

// Work the worker cannot break off (a large picture being re-encoded): closing
// and even destroying the window go on without it, and nothing of it reaches
// the window afterwards.
TEST(WindowWorker, ClosingNeverWaitsForABusyWorker) {
    ASSERT_TRUE(WaitUntilNoWorkerRuns());
    Gate gate;
    std::atomic<bool> busy{false};
    RecordingOpener opener;
    {
        OpenWindow open([&](Window& window, QueryState&) {
            busy = true;
            gate.Wait();
            window.WriteText(Ctl::编辑框11, "too late");
        });
        ASSERT_TRUE(open.window.RunQuery());
        ASSERT_TRUE(QTest::qWaitFor([&] { return busy.load(); }, 10000));
        EXPECT_TRUE(open.window.close());
        EXPECT_FALSE(open.window.LookupRunning());
        EXPECT_EQ(QueryWorker::ThreadsStillRunning(), 1) << "closing waited for the worker";
        EXPECT_EQ(opener.Opened(), std::vector<std::string>{endpoints::kMakerAddress});
    }
    // The window has gone; its worker still works, on what it owns.
    EXPECT_EQ(QueryWorker::ThreadsStillRunning(), 1);
    gate.Open();
    EXPECT_TRUE(WaitUntilNoWorkerRuns());
}

class LargePicture : public ::testing::TestWithParam<Action> {};

// The honour pictures are large PNGs. Once the first is on its way Esc or
// closing comes: the window is free at once, a new lookup can start while the
// old worker finishes its picture, and closing takes a small part of what one
// re-encoding takes on this machine now.
TEST_P(LargePicture, EscAndClosingDoNotWaitForItsReencoding) {
    const ByteBuffer png = testing::LargePng();
    const auto reencoding = Clock::now();
    ASSERT_FALSE(ReencodeAsJpeg(png).empty());
    const double reencodeMs = MsSince(reencoding);

    hostile::HostileServer server;
    std::atomic<int> served{0};
    server.SetMisbehaviour(
        [&png, &served](const hostile::SeenRequest& r,
                        const marketplace::MarketAnswer&) -> std::optional<hostile::Reply> {
            if (r.endpoint != hostile::Endpoint::Honour) {
                return std::nullopt;
            }
            ++served;
            return hostile::Reply::Answer(200, std::string(png.begin(), png.end()), "image/png");
        });
    SetConnectTo(ConnectTarget{"localhost", server.Port()});
    RecordingOpener opener;
    OpenWindow open;
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor([&] { return served > 0; }, 20000));

    const auto acting = Clock::now();
    if (GetParam() == Action::Esc) {
        EXPECT_TRUE(open.window.CancelLookup());
        EXPECT_FALSE(open.window.LookupRunning());
        // Not refused while the old worker finishes its picture.
        EXPECT_TRUE(open.window.RunQuery());
        EXPECT_TRUE(open.window.CancelLookup());
    } else {
        EXPECT_TRUE(open.window.close());
        EXPECT_EQ(opener.Opened().size(), 1u);
    }
    // Against one re-encoding timed in this run, not against a clock: a
    // busy machine slows both. Waiting for the worker would take the rest of
    // its picture.
    const double actingMs = MsSince(acting);
    EXPECT_LT(actingMs, reencodeMs / 4) << "one re-encoding takes " << reencodeMs << " ms";
    EXPECT_FALSE(open.window.LookupRunning());
    EXPECT_EQ(testing::Utf8(open.window.Fields().Store().StatusText()),
              QStringLiteral("查询已取消"));
    EXPECT_TRUE(WaitUntilNoWorkerRuns());
    SetConnectTo(std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Window, LargePicture, ::testing::Values(Action::Esc, Action::Close),
                         [](const auto& info) {
                             return std::string(info.param == Action::Esc ? "Esc" : "Close");
                         });

// ------------------------------------------------------- a locked history

// Another program holds a write transaction on the history: the window's
// save waits for it on the saving thread, and the window goes on meanwhile.
TEST(WindowWorker, ALockedHistoryNeverHoldsTheWindow) {
    Marketplace market;
    TestHistory history;
    OpenWindow open;
    open.window.SaveLookupsIn(&history.Saving());
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));
    ASSERT_EQ(history.Saved().size(), 1u);  // the file and its tables are there

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(history.File().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    Clock::time_point ended;
    open.window.OnLookupFinished([&ended](const FinishedLookup&) { ended = Clock::now(); });
    int ticks = 0;
    Clock::time_point firstTick;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        if (ended != Clock::time_point{} && ticks++ == 0) {
            firstTick = Clock::now();
        }
    });
    beat.start(10);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 10000));
    // A save on the UI thread would have held it for the history's wait of
    // seconds before the next tick.
    const std::chrono::duration<double, std::milli> untilTick = firstTick - ended;
    EXPECT_LT(untilTick.count(), 2500.0);
    EXPECT_EQ(history.Saving().Done(), 1) << "the second save got through the lock";

    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(history.Saved().size(), 2u);
}

}  // namespace
}  // namespace kestrova
