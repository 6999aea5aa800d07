// kestrova-cli: the query on a headless window, its fields printed as text or
// JSON.

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/FieldReport.h"
#include "cli/HistoryCommand.h"
#include "cli/ShowCommand.h"
#include "form/FieldStore.h"
#include "history/HistoryError.h"
#include "history/LookupHistory.h"
#include "lookup/Lookup.h"
#include "lookup/LookupSession.h"
#include "lookup/PictureBoxes.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"
#include "web/Endpoints.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kRuntimeFaultExit = 3;

// After the result is out: whatever keeps the history from taking the lookup
// is one warning, never a changed exit.
void SaveInHistory(const kestrova::HistoryOptions& options, const kestrova::LookupRecord& record) {
    try {
        kestrova::LookupHistory history(options.File(), "kestrova-cli");
        history.Save(record);
    } catch (const kestrova::HistoryError& error) {
        std::cerr << "kestrova-cli: warning: the lookup was not saved in the history: "
                  << error.what() << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrova;

    CLI::App app{"Kestrova: look a Taobao member up and print what the window would show."};
    app.set_version_flag("--version", std::string("kestrova-cli ") + KESTROVA_VERSION);
    app.require_subcommand(1);

    std::string account;
    std::string connectTo;
    bool demo = false;
    bool json = false;
    bool fast = false;
    CLI::App* lookup = app.add_subcommand("lookup", "Run the query for one account name");
    lookup->add_option("ACCOUNT", account, "the member's account name (UTF-8), used as given")
        ->required();
    auto* connectOption = lookup->add_option("--connect-to", connectTo,
                                             "send every request to HOST:PORT over plain HTTP");
    lookup->add_flag("--demo", demo, "run against the built-in sample marketplace")
        ->excludes(connectOption);
    lookup->add_flag("--json", json, "print one JSON object instead of a field listing");
    lookup->add_flag("--fast", fast,
                     "send every request as soon as its address is known (same results, less "
                     "waiting); also KESTROVA_FAST=1");
    HistoryOptions historyOptions;
    historyOptions.AddTo(*lookup, true);
    const HistoryCommand historyCommand(app);
    const ShowCommand showCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kUsageError;
    }
    if (historyCommand.Chosen()) {
        return historyCommand.Run();
    }
    if (showCommand.Chosen()) {
        return showCommand.Run();
    }

    std::unique_ptr<SampleMarketplace> marketplace;
    if (demo) {
        marketplace = std::make_unique<SampleMarketplace>();
        SetConnectTo(ConnectTarget{"127.0.0.1", marketplace->Start()});
    } else if (!connectTo.empty()) {
        const auto target = ParseConnectTarget(connectTo);
        if (!target) {
            std::cerr << "kestrova-cli: --connect-to wants HOST:PORT, got '" << connectTo << "'\n";
            return kUsageError;
        }
        SetConnectTo(*target);
    }

    FieldStore window(EmbeddedDesignPictures());
    QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    LookupSession session(ChooseLookupMode(fast), window.ReadText(Ctl::编辑框1));
    const auto started = std::chrono::system_clock::now();
    try {
        RunQuery(window, state, session);
    } catch (const RuntimeFault& fault) {
        std::cerr << GbkToUtf8(fault.BoxText());
        return kRuntimeFaultExit;
    }
    const auto ended = std::chrono::system_clock::now();
    std::cout << (json ? FieldJson(window) : FieldListing(window)) << std::flush;
    SaveInHistory(
        historyOptions,
        LookupRecord{.fields = window,
                     .account = account,
                     .started = started,
                     .ended = ended,
                     .mode = LookupModeName(session.Mode())});
    return 0;
}
