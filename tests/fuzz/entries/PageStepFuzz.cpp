// Every page step over pages it did not expect. The pages come from the
// loopback server through the steps' own requests; a step that cuts from a
// page already in hand (the profile, the rating overview page) gets the first
// part directly and the server answers with the parts after it.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "PageSteps.h"
#include "text/Gbk.h"
#include "text/Search.h"

namespace kestrova::fuzz {
namespace {

std::vector<std::string> PartsOf(const std::uint8_t* data, std::size_t size) {
    return SplitParts(std::string_view(reinterpret_cast<const char*>(data), size));
}

}  // namespace

int FuzzProfileFields(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    run.state.PageText = AsPageText(std::string_view(reinterpret_cast<const char*>(data), size));
    run.state.ProfileText = run.state.PageText;
    ShowProfileFields(run.q);
    const Text address = FindRatingPageAddress(run.q);
    // The pattern ignores case, so "HTTP://" passes too; any other scheme never.
    FuzzCheck(address.empty() || FindText(address, "http://", 1, true) == 1,
              "a rating page address that is not an http address");
    CheckFields(run);
    return 0;
}

int FuzzPersonalSpace(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    std::vector<std::string> parts = PartsOf(data, size);
    run.state.PageText = AsPageText(parts[0]);
    Prepare(run, std::move(parts), 1);
    ShowPersonalSpace(run.q);
    CheckFields(run);
    return 0;
}

int FuzzShopPage(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    Prepare(run, PartsOf(data, size), 0);
    ShowShopPage(run.q, "http://rate.taobao.com/user-rate-1.htm");
    CheckFields(run);
    return 0;
}

int FuzzRatingList(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    Prepare(run, PartsOf(data, size), 0);
    ShowRatingList(run.q, RatingList::Given);
    ShowRatingList(run.q, RatingList::Received);
    CheckFields(run);
    return 0;
}

int FuzzRatingExtras(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    std::vector<std::string> parts = PartsOf(data, size);
    run.state.PageText = AsPageText(parts[0]);
    run.state.ProfileText = run.state.PageText;
    Prepare(run, std::move(parts), 1);
    ShowRatingPageExtras(run.q);
    CheckFields(run);
    return 0;
}

int FuzzRatingSummaries(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    std::vector<std::string> parts = PartsOf(data, size);
    run.state.PageText = AsPageText(parts[0]);
    // The role as the extras step would have written it from this page.
    const bool seller = FindText(run.state.PageText, Gbk("卖家信息")) != -1;
    run.window.WriteText(Ctl::编辑框3, Gbk(seller ? "卖家为主" : "买家为主"));
    Prepare(run, std::move(parts), 1);
    ShowRatingSummaries(run.q);
    CheckFields(run);
    return 0;
}

int FuzzQuery(const std::uint8_t* data, std::size_t size) {
    StepRun run;
    Prepare(run, PartsOf(data, size), 0);
    QueryRoutine(run.window, run.state);
    FuzzCheck(!run.state.running, "the query did not end");
    CheckFields(run);
    return 0;
}

}  // namespace kestrova::fuzz
