#pragma once
// MainWindow: the one window of the program, built from the control table,
// with its events bound to their routines: a click on 按钮1 runs the query,
// each tick of 时钟1 the title clock, and closing the window the exit link.

#include <QWidget>
#include <functional>

#include "form/Controls.h"
#include "form/Window.h"
#include "lookup/QueryState.h"
#include "shell/ControlFactory.h"
#include "shell/QtWindow.h"

namespace kestrova {

class LookupHistory;

// What a click on 按钮1 runs; the program runs QueryRoutine.
using QueryRunner = std::function<void(Window&, QueryState&)>;

// The exit code after a run-time fault ended the program.
inline constexpr int kRuntimeFaultExitCode = 1;

// No Q_OBJECT: moc cannot read the control names of form/Controls.h, and the
// window declares no signals or slots of its own.
class MainWindow final : public QWidget {
  public:
    // `state` holds the program-wide values and outlives the window.
    explicit MainWindow(QueryState& state, QueryRunner runner = {});

    QtWindow& Fields() { return fields_; }
    // The object built for a control; null for the script host.
    QObject* ControlObject(Ctl control) const;
    template <typename T>
    T* ControlAs(Ctl control) const {
        return qobject_cast<T*>(ControlObject(control));
    }

    // Shows the window centred on the screen that holds it.
    void ShowCentred();

    // A click on 按钮1. A run-time fault out of the query shows its message box
    // and ends the event loop with kRuntimeFaultExitCode; returns false then.
    bool RunQuery();

    // Each lookup that runs from here on is saved in `history` (null: none),
    // which outlives the window.
    void SaveLookupsIn(LookupHistory* history) { history_ = history; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    ControlObjects controls_;
    QtWindow fields_;
    QueryState& state_;
    QueryRunner runner_;
    LookupHistory* history_ = nullptr;
};

}  // namespace kestrova
