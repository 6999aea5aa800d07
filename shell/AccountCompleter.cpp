#include "shell/AccountCompleter.h"

#include "history/store/MemberKey.h"

namespace kestrova {

AccountCompleter::AccountCompleter(QLineEdit& field, History* history) {
    QStringList names;
    try {
        for (const std::string& account : history != nullptr ? history->RecentAccounts(kMostNames)
                                                             : std::vector<std::string>()) {
            names << QString::fromStdString(account);
        }
    } catch (const HistoryError&) {
        // Completion is a help; the history's problems are told where it is saved.
    }
    names_.setStringList(names);
    completer_.setModel(&names_);
    // The model's order is the order of the last lookups: kept as it is.
    completer_.setModelSorting(QCompleter::UnsortedModel);
    completer_.setCaseSensitivity(Qt::CaseInsensitive);
    completer_.setCompletionMode(QCompleter::PopupCompletion);
    completer_.setMaxVisibleItems(12);
    field.setCompleter(&completer_);
}

void AccountCompleter::LookedUp(const QString& account) {
    const std::string member = MemberKey(account.toStdString());
    if (member.empty()) {
        return;
    }
    QStringList names = names_.stringList();
    names.removeIf(
        [&member](const QString& name) { return MemberKey(name.toStdString()) == member; });
    names.prepend(account);
    while (names.size() > kMostNames) {
        names.removeLast();
    }
    names_.setStringList(names);
}

}  // namespace kestrova
