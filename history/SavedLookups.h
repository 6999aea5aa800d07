#pragma once
// Reading the history back: the lists of saved lookups, and one lookup's
// fields exactly as the lookup left them. Nothing here reaches the network.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "history/HistoryPlace.h"

namespace kestrova {

struct SavedLookupSummary {
    std::int64_t id = 0;
    std::string account;  // as typed, UTF-8
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string end;  // an EndName, or a name a newer Kestrova wrote
    std::string mode;
    Text status;
    Text buyerVerdict;  // 标签38
    Text shopVerdict;   // 标签48
    int leftOut = 0;    // LeftOut: what did not fit in the history's bound
    // Whether the lookup got every page; nullopt when saved before that was kept.
    std::optional<bool> complete;
    int missingPages = 0;
    std::string who;   // the login name that saved it ("" before that was kept)
    std::string host;  // and the machine's name
    Text messageText;  // the message box shown during it, if one was
    Text messageCaption;
    std::optional<int> messageFlags;
};

struct SavedLookup {
    SavedLookupSummary summary;
    FieldStore fields;                  // texts, links, pictures, status and message box as saved
    std::optional<Completeness> pages;  // nullopt when saved before that was kept
};

class HistoryStore;

class SavedLookups {
  public:
    // A history not written yet is empty, and stays not there. An older one
    // is brought up to date first. Throws HistoryError for one that is
    // damaged, newer, not a history, or cannot be reached, opened or upgraded.
    explicit SavedLookups(const HistoryPlace& place);
    ~SavedLookups();
    SavedLookups(const SavedLookups&) = delete;
    SavedLookups& operator=(const SavedLookups&) = delete;

    // Latest first: the last saved first, whatever the clock said when each
    // ran. nullopt account: every member, else the lookups of the member it
    // names (MemberKey); limit 0: no limit.
    std::vector<SavedLookupSummary> Recent(const std::optional<std::string>& account,
                                           int limit) const;
    std::optional<SavedLookup> Load(std::int64_t id) const;
    // The member's latest lookup.
    std::optional<SavedLookup> Latest(const std::string& account) const;
    // The member's latest lookup that got every page.
    std::optional<SavedLookupSummary> LatestComplete(const std::string& account) const;

    const HistoryPlace& File() const { return place_; }

  private:
    HistoryPlace place_;
    std::unique_ptr<HistoryStore> store_;  // null for a history not yet written
};

}  // namespace kestrova
