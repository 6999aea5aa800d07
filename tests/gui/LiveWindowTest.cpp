// The window while a lookup runs on its worker, against the sample marketplace
// slowed to 150 ms an answer: the UI thread stays free, the progress bar rises
// to the lookup's total, Esc and closing stop everything at once, and the
// fields get exactly the writes of the sequential query, in its order.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <mutex>

#include "GuiSupport.h"
#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "lookup/LookupSession.h"
#include "lookup/PictureBoxes.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/StatusLine.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;
using testing::OpenWindow;
using testing::RecordingOpener;

constexpr int kSlowAnswerMs = 150;
const char* const kSeller = "青禾手作坊";

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class SlowMarketplace {
  public:
    SlowMarketplace() : market_(kSlowAnswerMs) {
        SetConnectTo(ConnectTarget{"127.0.0.1", market_.Start()});
    }
    ~SlowMarketplace() { SetConnectTo(std::nullopt); }
    SampleMarketplace& Market() { return market_; }

  private:
    SampleMarketplace market_;
};

// One write of the query, as the Window interface saw it.
struct Write {
    std::string op;
    Ctl control;
    std::string value;
    friend bool operator==(const Write&, const Write&) = default;
};

// Passes everything on to the window below and keeps the writes in order.
class RecordingWindow final : public Window {
  public:
    explicit RecordingWindow(Window& below) : below_(below) {}
    const Text& ReadText(Ctl c) override { return below_.ReadText(c); }
    void WriteText(Ctl c, const Text& t) override { Add("text", c, t), below_.WriteText(c, t); }
    void WriteLinkAddress(Ctl c, const Text& a) override {
        Add("link", c, a), below_.WriteLinkAddress(c, a);
    }
    void WritePicture(Ctl c, const ByteBuffer& b) override {
        Add("picture", c, std::string(b.begin(), b.end())), below_.WritePicture(c, b);
    }
    void StatusBarSetText(int part, const Text& t) override {
        Add("status", Ctl::状态条1, t), below_.StatusBarSetText(part, t);
    }
    int MessageBox(const Text& content, int flags, const Text& caption) override {
        Add("box", Ctl::按钮1, content);
        return below_.MessageBox(content, flags, caption);
    }
    void ProcessEvents() override { below_.ProcessEvents(); }
    void WriteTitle(const Text& t) override { below_.WriteTitle(t); }

    std::vector<Write> Writes() const {
        std::lock_guard lock(mutex_);
        return writes_;
    }

  private:
    void Add(const char* op, Ctl c, const std::string& value) {
        std::lock_guard lock(mutex_);
        writes_.push_back({op, c, value});
    }
    Window& below_;
    mutable std::mutex mutex_;
    std::vector<Write> writes_;
};

// The sequential query on a headless window, its writes recorded.
std::vector<Write> HeadlessWrites(FieldStore& store) {
    store.WriteText(Ctl::编辑框1, Gbk(kSeller));
    RecordingWindow recording(store);
    QueryState state;
    LookupSession session(LookupMode::Sequential, store.ReadText(Ctl::编辑框1));
    RunQuery(recording, state, session);
    return recording.Writes();
}

// Every text and picture alike (the status apart).
void ExpectSameFields(const FieldStore& actual, const FieldStore& expected) {
    for (const ControlDef& c : Controls()) {
        if (c.kind == ControlKind::PicBox) {
            EXPECT_EQ(actual.ReadPicture(c.id), expected.ReadPicture(c.id)) << c.name;
        } else if (c.kind == ControlKind::EditBox || c.kind == ControlKind::Label ||
                   c.kind == ControlKind::HyperLinker) {
            EXPECT_EQ(actual.ReadText(c.id), expected.ReadText(c.id)) << c.name;
        }
    }
}

void TypeSeller(MainWindow& window) {
    testing::Type(window.ControlAs<QLineEdit>(Ctl::编辑框1), QString::fromUtf8(kSeller));
}

bool WaitForEnd(MainWindow& window, int ms = 20000) {
    return QTest::qWaitFor([&] { return !window.LookupRunning(); }, ms);
}

class LiveWindow : public ::testing::TestWithParam<LookupMode> {};

TEST_P(LiveWindow, WritesReachTheFieldsAsTheSequentialQueryMakesThem) {
    SlowMarketplace slow;
    FieldStore headless(EmbeddedDesignPictures());
    const std::vector<Write> expected = HeadlessWrites(headless);

    std::shared_ptr<RecordingWindow> recording;
    OpenWindow open([&recording](Window& window, QueryState& state) {
        recording = std::make_shared<RecordingWindow>(window);
        QueryRoutine(*recording, state);
    });
    open.window.SetLookupMode(GetParam());
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));

    ASSERT_TRUE(recording);
    EXPECT_TRUE(recording->Writes() == expected)
        << recording->Writes().size() << " writes, " << expected.size() << " expected";
    // And every one of them reached the window.
    const FieldStore& shown = open.window.Fields().Store();
    ExpectSameFields(shown, headless);
    EXPECT_EQ(shown.StatusText(), headless.StatusText());
}

// What the UI thread itself spends on each pass of the write queue, in CPU
// time: a busy machine delays a timer, but does not make the UI thread's own
// work any longer.
TEST_P(LiveWindow, UiThreadNeverWaitsLongWhileTheLookupRuns) {
    SlowMarketplace slow;
    OpenWindow open;
    open.window.SetLookupMode(GetParam());
    TypeSeller(open.window);
    testing::QueuedCallCpu passes;
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));
    EXPECT_GE(passes.Calls().size(), 10u);
    EXPECT_LE(passes.Largest(), 50.0 * testing::kBuildCpuFactor)
        << "ms of the UI thread's CPU in one pass";
    EXPECT_FALSE(open.window.Fields().Store().ReadText(Ctl::标签38).empty());
}

TEST_P(LiveWindow, ProgressRisesToTheTotalAndHidesAtTheEnd) {
    SlowMarketplace slow;
    OpenWindow open;
    open.window.SetLookupMode(GetParam());
    TypeSeller(open.window);
    const QProgressBar* bar = open.window.ControlAs<StatusLine>(Ctl::状态条1)->Progress();
    EXPECT_FALSE(bar->isVisible());
    std::vector<std::pair<int, int>> seen;
    QObject::connect(bar, &QProgressBar::valueChanged,
                     [&](int value) { seen.emplace_back(value, bar->maximum()); });
    bool shownWhileRunning = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] { shownWhileRunning |= bar->isVisible(); });
    look.start(20);
    ASSERT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(WaitForEnd(open.window));

    EXPECT_TRUE(shownWhileRunning);
    EXPECT_FALSE(bar->isVisible());
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].first, seen[i - 1].first);
    }
    // The full seller sends 21 requests: the bar ends full at that total.
    EXPECT_EQ(seen.back(), std::make_pair(21, 21));
}

TEST_P(LiveWindow, EscStopsTheLookupAtOnceAndKeepsWhatWasFilled) {
    SlowMarketplace slow;
    OpenWindow open;
    open.window.SetLookupMode(GetParam());
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    // Past the profile and into the pages after it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !open.window.Fields().Store().ReadText(Ctl::编辑框24).empty(); }, 5000));
    QTest::qWait(2 * kSlowAnswerMs);
    ASSERT_TRUE(open.window.LookupRunning());

    const FieldStore before = open.window.Fields().Store();
    const Clock::time_point pressed = Clock::now();
    QTest::keyClick(&open.window, Qt::Key_Escape);
    // Stopped as the key is taken, not at some later moment.
    EXPECT_FALSE(open.window.LookupRunning());
    // Long enough for a lookup that went on to ask for several more pages.
    QTest::qWait(10 * kSlowAnswerMs);

    const FieldStore& after = open.window.Fields().Store();
    EXPECT_EQ(testing::Utf8(after.StatusText()), QStringLiteral("查询已取消"));
    ExpectSameFields(after, before);
    EXPECT_TRUE(after.ReadText(Ctl::标签38).empty()) << "the lookup ran on to its verdicts";
    EXPECT_FALSE(open.window.ControlAs<StatusLine>(Ctl::状态条1)->Progress()->isVisible());
    // A request already on its way may come in a little later on a busy
    // machine; a lookup that went on would ask every 150 ms.
    for (const LoggedRequest& r : slow.Market().Requests()) {
        EXPECT_LE(MsBetween(pressed, r.at), 1000.0) << r.target;
    }
}

TEST_P(LiveWindow, ClosingMidLookupEndsAtOnceAndOpensTheExitLinkOnce) {
    SlowMarketplace slow;
    RecordingOpener opener;
    OpenWindow open;
    open.window.SetLookupMode(GetParam());
    TypeSeller(open.window);
    ASSERT_TRUE(open.window.RunQuery());
    QTest::qWait(3 * kSlowAnswerMs);
    ASSERT_TRUE(open.window.LookupRunning());

    const Clock::time_point closing = Clock::now();
    // Closing needs nothing of the worker: the UI thread's own work for it
    // is small, however busy the machine.
    const double cpu = testing::ThreadCpuMs();
    EXPECT_TRUE(open.window.close());
    EXPECT_LE(testing::ThreadCpuMs() - cpu, 100.0 * testing::kBuildCpuFactor)
        << "ms of the UI thread's CPU";
    EXPECT_FALSE(open.window.LookupRunning());
    QTest::qWait(10 * kSlowAnswerMs);
    EXPECT_EQ(opener.Opened(), std::vector<std::string>{endpoints::kMakerAddress});
    for (const LoggedRequest& r : slow.Market().Requests()) {
        EXPECT_LE(MsBetween(closing, r.at), 1000.0) << r.target;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, LiveWindow,
                         ::testing::Values(LookupMode::Sequential, LookupMode::Fast),
                         [](const auto& info) {
                             return std::string(info.param == LookupMode::Fast ? "Fast"
                                                                               : "Sequential");
                         });

TEST(LiveWindow, TitleStaysEmptyUntilTheClocksFirstTick) {
    OpenWindow open;
    EXPECT_TRUE(open.window.windowTitle().isEmpty());
    ASSERT_NE(open.window.windowHandle(), nullptr);
    // What the window system gets: never the application's name.
    const QString native = open.window.windowHandle()->title();
    EXPECT_TRUE(native.trimmed().isEmpty()) << native.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.window.windowTitle().isEmpty(); }, 3000));
    EXPECT_EQ(open.window.windowHandle()->title(), open.window.windowTitle());
}

}  // namespace
}  // namespace kestrova
