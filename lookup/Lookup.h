#pragma once
// The query and its steps, in the order QueryRoutine runs them. Each step
// writes its values into the window the moment it has cut them.

#include "form/Window.h"
#include "lookup/QueryState.h"
#include "text/Text.h"

namespace kestrova {

// What a step works with: the window it reads and writes, and the shared values.
struct Lookup {
    Window& window;
    QueryState& state;
};

// A working text (PageText, ScratchText) becomes the page at `address`
// (HttpSessionRequest). What the steps held of the page before goes first,
// not after: its text, and the regular-expression result matched on it
// (every step reads a result right after its run, never across a request).
// At the size cap each copy of a page is 32 MiB.
void RequestPage(Lookup& q, Text& into, const Text& address);

// The click on 按钮1. Refused while a query runs (re-entered from ProcessEvents).
void QueryRoutine(Window& window, QueryState& state);

// Empties every result field: 227 texts, 2 link addresses, 69 pictures.
void ResetResultFields(Window& window);

// The profile request; false when the run ends with a status bar message.
bool RequestProfile(Lookup& q);
void ShowProfileFields(Lookup& q);
void ShowPersonalSpace(Lookup& q);
// Writes the provisional shop start date; returns the rating overview address.
Text FindRatingPageAddress(Lookup& q);
void ShowShopPage(Lookup& q, const Text& address);

enum class RatingList { Given, Received };
void ShowRatingList(Lookup& q, RatingList list);

// Runs to the verdicts, or stops early at a Tmall account.
void ShowRatingPageExtras(Lookup& q);
void ShowOnlineStatus(Lookup& q);
void ShowFavouritesExtras(Lookup& q);
void ShowRatingSummaries(Lookup& q);
void CountRatings(Lookup& q, const Text& result, Ctl field);
void ShowVerdicts(Window& window);

}  // namespace kestrova
