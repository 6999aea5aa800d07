#include "shell/WindowHistory.h"

#include <cstdio>

#include "history/HistoryError.h"
#include "history/HistoryFile.h"
#include "history/LookupEnd.h"
#include "history/StoredFields.h"
#include "history/TimeText.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

Text SavedStatus(const SavedLookupSummary& lookup) {
    const Text when = Gbk("已保存的查询，查询时间：") + LocalTimeText(lookup.started);
    const auto end = EndFromName(lookup.end);
    const bool stoppedEarly = end == LookupEnd::kFetchFailed || end == LookupEnd::kUnknownAccount ||
                              end == LookupEnd::kBlockedAccount;
    // A window keeps an earlier stop message in its status bar; only a
    // lookup that stopped with it shows it again.
    return stoppedEarly ? lookup.status + "  " + when : when;
}

}  // namespace

std::unique_ptr<LookupHistory> OpenWindowHistory(const WindowHistoryOptions& options) {
    std::optional<HistoryPlace> file;
    try {
        file = ChooseHistoryFile(options.file, options.off);
    } catch (const HistoryError& error) {
        std::fprintf(stderr, "kestrova: warning: lookups are not saved in the history: %s\n",
                     error.what());
    }
    return std::make_unique<LookupHistory>(file, "kestrova");
}

std::optional<HistoryPlace> WindowMarksFile(const WindowHistoryOptions& options) {
    try {
        return ChooseHistoryFile(options.file);
    } catch (const HistoryError&) {
        return std::nullopt;  // said already, where saving was turned off for it
    }
}

bool OpenSavedLookup(Window& window, const WindowHistoryOptions& options,
                     std::optional<Completeness>* pages) {
    if (!options.saved) {
        return true;
    }
    try {
        const SavedLookups history(*ChooseHistoryFile(options.file));
        const std::optional<SavedLookup> latest = history.Latest(*options.saved);
        if (!latest) {
            std::fprintf(stderr, "kestrova: no saved lookup of %s in %s\n",
                         TerminalText(*options.saved).c_str(),
                         TerminalText(history.File().string()).c_str());
            return false;
        }
        ShowSavedLookup(window, *latest);
        if (pages != nullptr) {
            *pages = latest->pages;
        }
        return true;
    } catch (const HistoryError& error) {
        std::fprintf(stderr, "kestrova: %s\n", error.what());
        return false;
    }
}

void ShowSavedLookup(Window& window, const SavedLookup& saved) {
    for (const ControlDef& c : Controls()) {
        const StoredField field = StoredFieldOf(saved.fields, c);
        switch (c.kind) {
            case ControlKind::EditBox:
            case ControlKind::Label:
                window.WriteText(c.id, field.text);
                break;
            case ControlKind::HyperLinker:
                window.WriteText(c.id, field.text);
                window.WriteLinkAddress(c.id, field.link);
                break;
            case ControlKind::PicBox:
                window.WritePicture(c.id, *field.picture);
                break;
            default:
                break;
        }
    }
    window.StatusBarSetText(0, SavedStatus(saved.summary));
}

}  // namespace kestrova
