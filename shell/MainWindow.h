#pragma once
// MainWindow: the one window of the program, built from the control table,
// with its events bound to their routines: a click on 按钮1 starts the query
// on the worker, Esc cancels it, each tick of 时钟1 writes the title clock,
// and closing the window cancels a running lookup and opens the exit link.

#include <QWidget>
#include <functional>

#include "form/Controls.h"
#include "form/Window.h"
#include "lookup/QueryState.h"
#include "shell/ControlFactory.h"
#include "shell/QtWindow.h"
#include "shell/QueryWorker.h"

namespace kestrova {

class LookupHistory;

// The exit code after a run-time fault ended the program.
inline constexpr int kRuntimeFaultExitCode = 1;

// The status text a cancel leaves.
inline constexpr const char* kCancelledStatus = "查询已取消";

// No Q_OBJECT: moc cannot read the control names of form/Controls.h, and the
// window declares no signals or slots of its own.
class MainWindow final : public QWidget {
  public:
    // `state` holds the program-wide values and outlives the window.
    explicit MainWindow(QueryState& state, QueryRunner runner = {},
                        LookupMode mode = LookupMode::Sequential);
    ~MainWindow() override;

    QtWindow& Fields() { return fields_; }
    // The object built for a control; null for the script host.
    QObject* ControlObject(Ctl control) const;
    template <typename T>
    T* ControlAs(Ctl control) const {
        return qobject_cast<T*>(ControlObject(control));
    }

    // Shows the window centred on the screen that holds it.
    void ShowCentred();

    // A click on 按钮1: starts the lookup over the fields as they stand.
    // False, and nothing happens, while one runs.
    bool RunQuery();
    bool LookupRunning() const { return worker_.Running(); }
    // Esc: the running lookup stops at once, the fields stay as far as they
    // were filled, and the status bar says so. False when none runs.
    bool CancelLookup();
    // Called on the UI thread after every lookup, once its last write has
    // reached the window. A run-time fault has already ended the event loop.
    void OnLookupFinished(std::function<void(const FinishedLookup&)> callback);

    void SetLookupMode(LookupMode mode) { worker_.SetMode(mode); }

    // Each lookup that runs from here on is saved in `history` (null: none),
    // which outlives the window.
    void SaveLookupsIn(LookupHistory* history) { history_ = history; }

    // The status bar's warning of the pages a lookup shown did not get
    // (none: no warning); a saved lookup's too.
    void ShowPagesNotGot(const std::vector<MissingPage>& missing);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Finished(const FinishedLookup& lookup);

    ControlObjects controls_;
    QtWindow fields_;
    QueryWorker worker_;
    std::function<void(const FinishedLookup&)> onFinished_;
    LookupHistory* history_ = nullptr;
};

}  // namespace kestrova
