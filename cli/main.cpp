// kestrova-cli: the query on a headless window, its fields printed as text or
// JSON; many members in one run; the history of lookups read back; marks,
// notes and the watch list that recheck looks up again.

#include <CLI/CLI.hpp>
#include <csignal>
#include <string>

#include "cli/LookupCommand.h"
#include "cli/history/HistoryCommand.h"
#include "cli/history/ShowCommand.h"
#include "cli/watch/MarkCommand.h"
#include "cli/watch/MarksCommand.h"
#include "cli/watch/RecheckCommand.h"
#include "cli/watch/WatchCommand.h"
#include "text/MemoryUse.h"

int main(int argc, char** argv) {
    using namespace kestrova;
    // A history growing past the user's file size limit (ulimit -f) is a
    // failed write the history reports, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
    KeepLargeBuffersOutOfTheHeap();

    CLI::App app{"Kestrova: look a Taobao member up and print what the window would show."};
    app.set_version_flag("--version", std::string("kestrova-cli ") + KESTROVA_VERSION);
    app.require_subcommand(1);
    // A usage error is told in one line.
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string("kestrova-cli: ") + e.what() + " (see --help)\n";
    });

    LookupOptions lookupOptions;
    CLI::App* lookup = AddLookupCommand(app, lookupOptions);
    const HistoryCommand historyCommand(app);
    const ShowCommand showCommand(app);
    const MarkCommand markCommand(app);
    const NoteCommand noteCommand(app);
    const MarksCommand marksCommand(app);
    const WatchCommand watchCommand(app);
    const RecheckCommand recheckCommand(app);

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
    if (markCommand.Chosen()) {
        return markCommand.Run();
    }
    if (noteCommand.Chosen()) {
        return noteCommand.Run();
    }
    if (marksCommand.Chosen()) {
        return marksCommand.Run();
    }
    if (watchCommand.Chosen()) {
        return watchCommand.Run();
    }
    if (recheckCommand.Chosen()) {
        return recheckCommand.Run();
    }
    if (lookup->parsed()) {
        return RunLookup(lookupOptions);
    }
    return kUsageError;
}
