#pragma once
// Saving lookups. A front end keeps one LookupHistory for as long as it runs
// and hands it every finished lookup; the file is opened (and created, and
// brought up to date) on the first save and stays open for the next.
//
// A history problem never costs a lookup its result: Save reports it on
// standard error and returns, and the file stays as it was (the lookup's
// transaction is rolled back whole).
//
// One LookupHistory serves one thread at a time. Lookups saved from several
// threads at once each need one of their own: they share the file as
// separate programs do.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "history/LookupRecord.h"

namespace kestrova {

class LookupHistory {
  public:
    // `file` nullopt: saving is off. `program` names the program in warnings.
    LookupHistory(std::optional<std::filesystem::path> file, std::string program);
    ~LookupHistory();
    LookupHistory(const LookupHistory&) = delete;
    LookupHistory& operator=(const LookupHistory&) = delete;

    // Saves the lookup whole, in one transaction, and returns its id; nullopt
    // when it was not saved (saving is off, the lookup sent no request, or a
    // problem that has been reported).
    std::optional<std::int64_t> Save(const LookupRecord& record);

    // Where lookups go; nullopt when saving is off.
    const std::optional<std::filesystem::path>& File() const { return file_; }

  private:
    struct Open;

    void Warn(const std::string& problem);

    std::optional<std::filesystem::path> file_;
    std::string program_;
    std::unique_ptr<Open> open_;
    std::string lastWarning_;
};

}  // namespace kestrova
