#include "lookup/Lookup.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

const Text kEmptyInputMessage = Gbk("请添写淘宝帐号.");
const Text kEmptyInputCaption = Gbk("提 示：");

// Steps of a running query share QueryState; a second click that arrives
// inside ProcessEvents must not start another run over the same values.
class RunningFlag {
  public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

  private:
    bool& flag_;
};

}  // namespace

void RequestPage(Lookup& q, Text& into, const Text& address) {
    Text().swap(into);
    q.state.regex.Release();
    into = ToText(HttpSessionRequest(address));
}

void QueryRoutine(Window& window, QueryState& state) {
    if (state.running) {
        return;
    }
    RunningFlag running(state.running);

    if (window.ReadText(Ctl::编辑框1).empty()) {
        window.MessageBox(kEmptyInputMessage, 0, kEmptyInputCaption);
        return;
    }
    ResetResultFields(window);

    Lookup q{window, state};
    if (!RequestProfile(q)) {
        return;
    }
    window.ProcessEvents();

    ShowProfileFields(q);
    ShowPersonalSpace(q);
    const Text ratingPageAddress = FindRatingPageAddress(q);
    ShowShopPage(q, ratingPageAddress);
    ShowRatingList(q, RatingList::Given);
    ShowRatingList(q, RatingList::Received);
    ShowRatingPageExtras(q);
}

}  // namespace kestrova
