#pragma once
// The account field remembers: it completes from the accounts in the
// history, the member looked up last first, so that a member looked up before
// is a keystroke or two away.

#include <QCompleter>
#include <QLineEdit>
#include <QStringListModel>

#include "history/History.h"

namespace kestrova {

class AccountCompleter {
  public:
    // At most this many names are offered.
    static constexpr int kMostNames = 1000;

    // Installs itself on `field`, with the accounts of `history` (none when
    // null). Both outlive it.
    AccountCompleter(QLineEdit& field, History* history);

    // A member just looked up: its name first, once.
    void LookedUp(const QString& account);

    QCompleter& Completer() { return completer_; }
    QStringList Names() const { return names_.stringList(); }

  private:
    QStringListModel names_;
    QCompleter completer_;
};

}  // namespace kestrova
