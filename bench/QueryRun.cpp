#include "bench/QueryRun.h"

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <fstream>
#include <string>

#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "shell/MainWindow.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::bench {

namespace {

// The CPU clock of any thread of this process, as pthread_getcpuclockid makes
// it for its own threads.
double ThreadCpuMs(pid_t tid) {
    const clockid_t clock = static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6);
    timespec t{};
    if (clock_gettime(clock, &t) != 0) {
        return 0;
    }
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

template <typename Click>
QueryRun Timed(Click click) {
    QueryRun run;
    const double cpuBefore = ProgramCpuMs();
    const auto begin = std::chrono::steady_clock::now();
    click();
    const auto end = std::chrono::steady_clock::now();
    run.cpuMs = ProgramCpuMs() - cpuBefore;
    run.wallMs = std::chrono::duration<double, std::milli>(end - begin).count();
    return run;
}

}  // namespace

double ProgramCpuMs() {
    double total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) {
        return 0;
    }
    const pid_t main = getpid();
    while (const dirent* entry = readdir(tasks)) {
        const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (tid <= 0) {
            continue;
        }
        std::string name;
        std::ifstream(std::string("/proc/self/task/") + entry->d_name + "/comm") >> name;
        // Threads take their creator's name until they set one: the
        // marketplace's threads are called like this program, so the names
        // are matched whole.
        if (tid == main || name == "kestrova-net" || name == "kestrova-query") {
            total += ThreadCpuMs(tid);
        }
    }
    closedir(tasks);
    return total;
}

QueryRun RunHeadlessQuery(const std::string& account, int port, LookupMode mode) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    // One window and one query state for the program's life, as in the shell.
    static FieldStore window(EmbeddedDesignPictures());
    static QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    QueryRun run = Timed([mode] {
        LookupSession session(mode, window.ReadText(Ctl::编辑框1));
        RunQuery(window, state, session);
    });
    run.memberId = GbkToUtf8(window.ReadText(Ctl::编辑框4));
    return run;
}

struct WindowQuery::Parts {
    MainWindow window;
};

WindowQuery::WindowQuery() : parts_(std::make_unique<Parts>()) {
    parts_->window.ShowCentred();
    QCoreApplication::processEvents();
}

WindowQuery::~WindowQuery() = default;

QueryRun WindowQuery::Run(const std::string& account, int port, LookupMode mode) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    MainWindow& window = parts_->window;
    window.SetLookupMode(mode);
    window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    QCoreApplication::processEvents();
    QEventLoop untilEnd;
    window.OnLookupFinished([&untilEnd](const FinishedLookup&) { untilEnd.quit(); });
    QueryRun run = Timed([&window, &untilEnd] {
        if (window.RunQuery()) {
            untilEnd.exec();
        }
        // What the last writes changed, painted.
        QCoreApplication::processEvents();
    });
    window.OnLookupFinished({});
    run.memberId = GbkToUtf8(window.Fields().ReadText(Ctl::编辑框4));
    return run;
}

}  // namespace kestrova::bench
