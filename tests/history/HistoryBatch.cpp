// history_batch --history FILE --port PORT [--rounds N]: looks every member of
// the sample marketplace up, round after round, saving each lookup, and
// prints "saved ID ACCOUNT" as each one is in ("kept ACCOUNT" while another
// program holds the file). Exits 1 if a save fails.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "HistoryTesting.h"
#include "history/LookupHistory.h"
#include "marketplace/Members.h"
#include "web/Endpoints.h"

int main(int argc, char** argv) {
    using namespace kestrova;
    std::string file;
    int port = 0;
    int rounds = 1;
    for (int k = 1; k + 1 < argc; k += 2) {
        const std::string option = argv[k];
        if (option == "--history") {
            file = argv[k + 1];
        } else if (option == "--port") {
            port = std::atoi(argv[k + 1]);
        } else if (option == "--rounds") {
            rounds = std::atoi(argv[k + 1]);
        }
    }
    if (file.empty() || port <= 0) {
        std::fprintf(stderr, "usage: history_batch --history FILE --port PORT [--rounds N]\n");
        return 2;
    }
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    History historyStore(HistoryPlace::Named(file), kSavingLockWait);
    LookupHistory history(&historyStore, "history_batch");
    for (int round = 0; round < rounds; ++round) {
        for (const marketplace::Member& member : marketplace::Members()) {
            const auto fields = testing::LookUp(member.account);
            const auto id = history.Save(testing::RecordOf(*fields, member.account));
            if (id) {
                std::printf("saved %lld %s\n", static_cast<long long>(*id), member.account.c_str());
            } else if (history.Kept() > 0) {
                // Another program held the file longer than a save waits:
                // saved later, by the end at the latest.
                std::printf("kept %s\n", member.account.c_str());
            } else {
                return 1;
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
