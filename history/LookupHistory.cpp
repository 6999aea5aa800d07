#include "history/LookupHistory.h"

#include <iostream>

#include "history/LoginName.h"
#include "history/LookupEnd.h"
#include "history/store/StoredFields.h"

namespace kestrova {
namespace {

// After a save found the file locked, this long passes before the next try.
constexpr std::chrono::seconds kLockedPause{5};
// At most this much of kept lookups (their texts and pictures) is held.
constexpr std::size_t kMostKeptBytes = 64u << 20;

LookupRow RowOf(const LookupRecord& r, LookupEnd end) {
    LookupRow row;
    row.account = r.account;
    row.started = r.started;
    row.ended = r.ended;
    row.end = EndName(end);
    row.mode = r.mode;
    row.status = r.fields.StatusText();
    const auto& box = r.fields.LastMessageBox();
    if (box && r.fields.MessageBoxCount() > r.messageBoxesBefore) {
        row.message = *box;
    }
    row.who = LoginName();
    row.host = HostName();
    return row;
}

std::size_t BytesHeld(const FieldStore& fields) {
    std::size_t bytes = 0;
    for (const ControlDef& c : Controls()) {
        const StoredField field = StoredFieldOf(fields, c);
        bytes += field.text.size() + field.link.size() +
                 (field.picture != nullptr ? field.picture->size() : 0);
    }
    return bytes;
}

}  // namespace

// A lookup held for a file that was locked, with a copy of its window.
struct LookupHistory::KeptLookup {
    FieldStore fields;
    std::string account;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string mode;
    bool cancelled;
    int messageBoxesBefore;
    std::optional<Completeness> pages;
    std::size_t bytes;

    LookupRecord Record() const {
        return LookupRecord{.fields = fields,
                            .account = account,
                            .started = started,
                            .ended = ended,
                            .mode = mode,
                            .cancelled = cancelled,
                            .messageBoxesBefore = messageBoxesBefore,
                            .pages = pages};
    }
};

LookupHistory::LookupHistory(History* history, std::string program)
    : history_(history), program_(std::move(program)) {}

LookupHistory::~LookupHistory() {
    if (kept_.empty() && dropped_ == 0) {
        return;
    }
    std::string problem = lockProblem_;
    try {
        Write(nullptr);
    } catch (const std::exception& error) {
        problem = error.what();
    }
    const std::size_t lost = kept_.size() + dropped_;
    if (lost > 0) {
        std::cerr << program_ << ": warning: " << lost
                  << (lost == 1 ? " lookup was" : " lookups were")
                  << " not saved in the history: " << problem << "\n";
    }
}

// Packed before the store's transaction: a lock is held for the rows alone.
std::int64_t LookupHistory::WriteOne(const LookupRecord& record) {
    return history_->Save(RowOf(record, *EndOf(record.fields, record.cancelled)), record.fields,
                          record.pages);
}

std::optional<std::int64_t> LookupHistory::Write(const LookupRecord* record) {
    if (history_->Moved()) {
        // Saves into a file that is no longer there would be lost without a word.
        Warn(history_->Place().string() +
             ": the file was deleted or replaced while in use; lookups now go into a new one");
    }
    while (!kept_.empty()) {
        WriteOne(kept_.front()->Record());
        keptBytes_ -= kept_.front()->bytes;
        kept_.erase(kept_.begin());
    }
    std::optional<std::int64_t> id;
    if (record != nullptr) {
        id = WriteOne(*record);
    }
    lockProblem_.clear();
    return id;
}

std::optional<std::int64_t> LookupHistory::Save(const LookupRecord& record) {
    if (history_ == nullptr || !EndOf(record.fields, record.cancelled)) {
        return std::nullopt;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < pausedUntil_) {
        Keep(record);
        return std::nullopt;
    }
    try {
        return Write(&record);
    } catch (const HistoryUnavailable& error) {
        Keep(record);
        pausedUntil_ = now + kLockedPause;
        if (lockProblem_.empty()) {
            lockProblem_ = error.what();
            const bool locked = dynamic_cast<const HistoryLocked*>(&error) != nullptr;
            Warn(std::string(locked ? "the history is locked: " : "the history is out of reach: ") +
                 lockProblem_ + "; lookups are kept and saved once it is free (tried again every " +
                 std::to_string(kLockedPause.count()) + " s)");
        }
        return std::nullopt;
    } catch (const HistoryError& error) {
        Warn(std::string("the lookup was not saved in the history: ") + error.what());
    } catch (const std::exception& error) {
        Warn("the lookup was not saved in the history: " + history_->Place().string() + ": " +
             error.what());
    }
    // Whatever went wrong may have left the connection unusable: the next
    // save starts afresh.
    history_->Close();
    return std::nullopt;
}

void LookupHistory::Keep(const LookupRecord& record) {
    const std::size_t bytes = BytesHeld(record.fields);
    if (keptBytes_ + bytes > kMostKeptBytes) {
        ++dropped_;
        return;
    }
    kept_.push_back(std::make_unique<KeptLookup>(
        KeptLookup{record.fields, record.account, record.started, record.ended, record.mode,
                   record.cancelled, record.messageBoxesBefore, record.pages, bytes}));
    keptBytes_ += bytes;
}

void LookupHistory::Warn(const std::string& problem) {
    // A batch meeting the same problem at every lookup says so once.
    if (problem == lastWarning_) {
        return;
    }
    lastWarning_ = problem;
    std::cerr << program_ << ": warning: " << problem << "\n";
}

}  // namespace kestrova
