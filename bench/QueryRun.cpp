#include "bench/QueryRun.h"

#include <time.h>

#include <QCoreApplication>
#include <chrono>

#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "shell/MainWindow.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::bench {

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times click(), which runs the query and anything that shows its result.
template <typename Click>
QueryRun Timed(Click click) {
    QueryRun run;
    const double cpuBefore = ThreadCpuMs();
    const auto begin = std::chrono::steady_clock::now();
    click();
    const auto end = std::chrono::steady_clock::now();
    run.cpuMs = ThreadCpuMs() - cpuBefore;
    run.wallMs = std::chrono::duration<double, std::milli>(end - begin).count();
    return run;
}

}  // namespace

QueryRun RunHeadlessQuery(const std::string& account, int port) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    // One window and one query state for the program's life, as in the shell.
    static FieldStore window(EmbeddedDesignPictures());
    static QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    QueryRun run = Timed([] { QueryRoutine(window, state); });
    run.memberId = GbkToUtf8(window.ReadText(Ctl::编辑框4));
    return run;
}

struct WindowQuery::Parts {
    QueryState state;
    MainWindow window{state};
};

WindowQuery::WindowQuery() : parts_(std::make_unique<Parts>()) {
    parts_->window.ShowCentred();
    QCoreApplication::processEvents();
}

WindowQuery::~WindowQuery() = default;

QueryRun WindowQuery::Run(const std::string& account, int port) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    MainWindow& window = parts_->window;
    window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    QCoreApplication::processEvents();
    QueryRun run = Timed([&window] {
        window.RunQuery();
        // The fields written since the query's last look at its events.
        QCoreApplication::processEvents();
    });
    run.memberId = GbkToUtf8(window.Fields().ReadText(Ctl::编辑框4));
    return run;
}

}  // namespace kestrova::bench
