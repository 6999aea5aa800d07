#include "shell/WindowHistory.h"

#include <cstdio>

#include "history/LookupEnd.h"
#include "history/TimeText.h"
#include "history/store/HistoryError.h"
#include "history/store/StoredFields.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

Text SavedStatus(const LookupRow& lookup) {
    const Text when = Gbk("已保存的查询，查询时间：") + LocalTimeText(lookup.started);
    const auto end = EndFromName(lookup.end);
    const bool stoppedEarly = end == LookupEnd::kFetchFailed || end == LookupEnd::kUnknownAccount ||
                              end == LookupEnd::kBlockedAccount;
    // A window keeps an earlier stop message in its status bar; only a
    // lookup that stopped with it shows it again.
    return stoppedEarly ? lookup.status + "  " + when : when;
}

}  // namespace

std::unique_ptr<History> OpenWindowHistory(const WindowHistoryOptions& options) {
    try {
        return std::make_unique<History>(*ChooseHistoryPlace(options.file), kSavingLockWait);
    } catch (const HistoryError&) {
        return nullptr;  // said where saving is turned off for it
    }
}

bool SavesLookups(const WindowHistoryOptions& options) {
    try {
        return ChooseHistoryPlace(options.file, options.off).has_value();
    } catch (const HistoryError& error) {
        std::fprintf(stderr, "kestrova: warning: lookups are not saved in the history: %s\n",
                     error.what());
        return false;
    }
}

bool OpenSavedLookup(Window& window, History* history, const WindowHistoryOptions& options,
                     std::optional<Completeness>* pages) {
    if (!options.saved) {
        return true;
    }
    try {
        if (history == nullptr) {
            ChooseHistoryPlace(options.file);  // says why there is none
        }
        const std::optional<SavedLookup> latest = history->Latest(*options.saved);
        if (!latest) {
            std::fprintf(stderr, "kestrova: no saved lookup of %s in %s\n",
                         TerminalText(*options.saved).c_str(),
                         TerminalText(history->Place().string()).c_str());
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
    window.StatusBarSetText(0, SavedStatus(saved.row));
}

}  // namespace kestrova
