#pragma once
// Regular expressions in the dialect the page patterns are written in
// (ECMAScript-like: \d \s \S, \uXXXX escapes, lazy quantifiers, groups; a dot
// never matches a line break), matched on Unicode characters of GBK texts.
// One last result is kept; the read operations look at it.

#include <cstdint>
#include <memory>

#include "text/Text.h"

namespace kestrova {

class RegexHelper {
  public:
    RegexHelper();
    ~RegexHelper();
    RegexHelper(const RegexHelper&) = delete;
    RegexHelper& operator=(const RegexHelper&) = delete;

    // Runs pattern (GBK) over subject (GBK) and keeps the matches. False when
    // the pattern is invalid: every read then gives the empty text or 0.
    bool RegexPrepare(const Text& pattern, TextView subject, bool ignoreCase = true,
                      bool multiline = true, bool global = true);

    // Match k (1-based) of the last execution; empty when there is none.
    Text RegexMatchValue(int k) const;
    // Group n of match k (1-based); empty when missing or not taking part.
    Text RegexSubMatch(int k, int n) const;
    int RegexMatchCount() const;

    // Drops the last result, and with it the page it was matched on: for a
    // caller that has read what it needed and goes on to another page. Reads
    // then give the empty text or 0, as before any run.
    void Release();

    // Subjects converted to the form the patterns run on, on the calling
    // thread since it started: one per distinct page while its result is held.
    static std::uint64_t SubjectsConverted();

  private:
    struct Matches;
    Text Group(int k, int n) const;
    std::unique_ptr<Matches> last_;
};

}  // namespace kestrova
