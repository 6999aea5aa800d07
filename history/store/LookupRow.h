#pragma once
// A saved lookup as the history keeps it: its row (what a listing shows, and
// what a save writes beside the fields), and the whole lookup read back.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "form/Completeness.h"
#include "form/FieldStore.h"

namespace kestrova {

struct LookupRow {
    std::int64_t id = 0;  // the store's number; 0 before it is saved
    std::string account;  // as typed, UTF-8
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string end;  // an EndName, or a name a newer Kestrova wrote
    std::string mode;
    Text status;
    std::optional<MessageBoxRecord> message;  // the box shown during it, if one was
    std::string who;   // the login name that saved it ("" before that was kept)
    std::string host;  // and the machine's name
    int leftOut = 0;   // LeftOut: what did not fit in the history's bound
    // Whether the lookup got every page; nullopt when saved before that was kept.
    std::optional<bool> complete;
    int missingPages = 0;
    // Read back with a listing; a save takes them from the fields.
    Text buyerVerdict;  // 标签38
    Text shopVerdict;   // 标签48
};

struct SavedLookup {
    LookupRow row;
    FieldStore fields;                  // texts, links, pictures, status and message box as saved
    std::optional<Completeness> pages;  // nullopt when saved before that was kept
};

}  // namespace kestrova
