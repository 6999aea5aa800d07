#pragma once
// The whole query on a headless window for one sample member, against the
// hostile server, and what to compare its outcome with.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "form/FieldStore.h"
#include "lookup/LookupSession.h"
#include "lookup/QueryState.h"
#include "marketplace/Members.h"
#include "tests/support/HostileServer.h"

namespace kestrova::hostile {

struct Outcome {
    FieldStore window;
    double seconds = 0;
    bool ended = false;                    // the query returned and released its running flag
    std::vector<SeenRequest> requests;     // what the server saw, in the order it came
    int unclaimed = 0;                     // requests started ahead that no step took
    std::vector<LookupProgress> progress;  // as the session reported it
};

// Controls (texts, link addresses, pictures; the status bar as 状态条1) whose
// content differs.
std::set<Ctl> DifferingControls(const Outcome& a, const Outcome& b);
// Everything a user sees of a lookup: texts, link addresses, picture bytes,
// status text and message box; empty when two outcomes agree, else what differs.
std::vector<std::string> ResultDifferences(const Outcome& a, const Outcome& b);
// The request heads, byte for byte, that one outcome sent and the other did not
// (each as often as it was sent); empty when the multisets are equal.
std::vector<std::string> RequestDifferences(const Outcome& a, const Outcome& b);

// The member every case looks up: the full seller, whose lookup asks every
// endpoint the query knows.
const marketplace::Member& SampleMember();

// Peak resident memory of this process so far, in MiB.
long PeakResidentMiB();

class HostileQuery : public ::testing::Test {
  protected:
    HostileQuery();
    ~HostileQuery() override;

    // The lookup of the sample member, with the misbehaviour in force, in the
    // mode the environment asks for (KESTROVA_FAST). A fast run is checked
    // against a sequential one first: the same result, the same requests, and
    // no more time.
    Outcome Run();
    Outcome RunIn(LookupMode mode, const std::string& account);
    // The same lookup with nothing misbehaving, run once per test.
    const Outcome& Baseline();

    // Every field rule holds, and the query ended in time.
    void ExpectAllowed(const Outcome& outcome, double maxSeconds);
    // Controls (texts, link addresses, pictures) whose content differs.
    std::set<Ctl> Differing(const Outcome& a, const Outcome& b) const;
    // The query ran to its verdicts: the last summary was asked for.
    bool RanToTheEnd(const Outcome& outcome) const;
    int CountRequests(Endpoint endpoint) const;

    HostileServer server;
    Misbehaviour misbehaviour;  // none: the marketplace answers everything

  private:
    std::unique_ptr<Outcome> baseline_;
};

std::string Utf8(const Text& gbk);

}  // namespace kestrova::hostile
