#include "bench/QueryRun.h"

#include <time.h>

#include <chrono>

#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::bench {

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

QueryRun RunQuery(const std::string& account, int port) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    // One window and one query state for the program's life, as in the shell.
    static FieldStore window(EmbeddedDesignPictures());
    static QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(account));

    QueryRun run;
    const double cpuBefore = ThreadCpuMs();
    const auto begin = std::chrono::steady_clock::now();
    QueryRoutine(window, state);
    const auto end = std::chrono::steady_clock::now();
    run.cpuMs = ThreadCpuMs() - cpuBefore;
    run.wallMs = std::chrono::duration<double, std::milli>(end - begin).count();
    run.memberId = GbkToUtf8(window.ReadText(Ctl::编辑框4));
    return run;
}

}  // namespace kestrova::bench
