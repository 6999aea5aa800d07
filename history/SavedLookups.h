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
};

struct SavedLookup {
    SavedLookupSummary summary;
    FieldStore fields;                  // texts, links, pictures, status and message box as saved
    std::optional<Completeness> pages;  // nullopt when saved before that was kept
};

class Connection;

class SavedLookups {
  public:
    // A file that is not there is an empty history, and stays not there. An
    // older file is brought up to date first. Throws HistoryError for a file
    // that is damaged, newer, not a history, or cannot be opened or upgraded.
    explicit SavedLookups(const std::filesystem::path& file);
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

    const std::filesystem::path& File() const { return file_; }

  private:
    std::filesystem::path file_;
    std::unique_ptr<Connection> db_;  // null for a history not yet written
};

}  // namespace kestrova
