#pragma once
// MainWindow: the one window of the program, built from the control table,
// with its events bound to their routines: a click on 按钮1 starts the query
// on the worker, Esc cancels it, each tick of 时钟1 writes the title clock,
// and closing the window cancels a running lookup and opens the exit link.
// How each lookup ended is decided here, on the UI thread, and what reached
// the window is what is saved, by the saving thread.

#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "form/Controls.h"
#include "form/Window.h"
#include "history/History.h"
#include "shell/ControlFactory.h"
#include "shell/QtWindow.h"
#include "shell/QueryWorker.h"

namespace kestrova {

class AccountCompleter;
class AccountMarks;
class SavingThread;

// The exit code after a run-time fault ended the program.
inline constexpr int kRuntimeFaultExitCode = 1;

// The status text a cancel leaves.
inline constexpr const char* kCancelledStatus = "查询已取消";

// No Q_OBJECT: moc cannot read the control names of form/Controls.h, and the
// window declares no signals or slots of its own.
class MainWindow final : public QWidget {
  public:
    explicit MainWindow(QueryRunner runner = {}, LookupMode mode = LookupMode::Sequential);
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
    // were filled, and the status bar says so. False, and nothing written,
    // when none runs, or when it has just ended (its last writes are on their
    // way, and they are kept).
    bool CancelLookup();
    // Called on the UI thread after every lookup, once it has ended (its last
    // write has reached the window) or been cancelled. A run-time fault has
    // already ended the event loop.
    void OnLookupFinished(std::function<void(const FinishedLookup&)> callback);
    // Called before each write of a lookup reaches the window (tests force
    // what comes between two writes with it).
    void OnQueuedWrite(LookupTicket::WriteHook hook) { worker_.SetWriteHook(std::move(hook)); }

    void SetLookupMode(LookupMode mode) { worker_.SetMode(mode); }

    // Each lookup that runs from here on is saved by `saving` (null: none),
    // which outlives the window.
    void SaveLookupsIn(SavingThread* saving) { saving_ = saving; }

    // Marks and notes kept in `history` (null: none; else it outlives the
    // window): the account field's context-menu section, the label in the
    // status bar, and the account field completing the accounts looked up
    // before.
    void KeepMarksIn(History* history);
    // The status bar's label for this member (UTF-8).
    void ShowMarksFor(const std::string& account);
    AccountMarks* Marks() const { return marks_.get(); }
    AccountCompleter* Completer() const { return completer_.get(); }

    // The status bar's warning of the pages a lookup shown did not get
    // (none: no warning); a saved lookup's too.
    void ShowPagesNotGot(const std::vector<MissingPage>& missing);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Finished(const FinishedLookup& lookup);
    void Conclude(const FinishedLookup& lookup);

    ControlObjects controls_;
    QtWindow fields_;
    QueryWorker worker_;
    std::function<void(const FinishedLookup&)> onFinished_;
    SavingThread* saving_ = nullptr;
    std::unique_ptr<AccountMarks> marks_;
    std::unique_ptr<AccountCompleter> completer_;
};

}  // namespace kestrova
