#pragma once
// The page builders, one file each. Every builder writes UTF-8; the router
// turns the result into GBK when it serves it.

#include <chrono>
#include <optional>
#include <string>

#include "marketplace/Members.h"

namespace kestrova::marketplace {

// Shared page frame: doctype and head, the site bar, the footer.
std::string PageHead(const std::string& title, const std::string& stylesheet);
std::string SiteBar();
std::string SiteFooter();

// Member server.
std::string ProfilePage(const Member& m, std::chrono::system_clock::time_point now);
std::string UnknownMemberNotice();
std::string BlockedMemberNotice();

// Personal space server.
std::string PersonalSpacePage(const Member& m);

// Rating server.
std::string RatingOverviewPage(const Member& m);
// The JSONP list for callback; m may be null (an id nobody has).
enum class ListDirection { kGiven, kReceived };
// One entry as a JSON object.
std::string RatingEntryJson(const RatingEntry& e);
std::string RatingListJsonp(const Member* m, ListDirection direction, const std::string& callback);
// One page (1-based) of the ratings the member gave with the given result
// ("1", "0", "-1"); m may be null.
std::string SummaryPage(const Member* m, const std::string& result, int page);
// Entries in total, pages, and entries on a page, for a result filter.
int SummaryTotal(const Member& m, const std::string& result);
int SummaryPageCount(int total);
int SummaryEntriesOnPage(int total, int page);

// Messenger status server.
std::string StatusAnswer(const Member* m);

// Favourites server.
std::string FavouritesPage(const Member& m);

// What a refusing marketplace shows: the verification page a refused visitor
// is sent to (with the slider's markup), and the rating server's notice
// that it is too busy.
std::string VerificationPage();
std::string BusyNotice();

}  // namespace kestrova::marketplace
