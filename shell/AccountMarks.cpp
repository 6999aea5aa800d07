#include "shell/AccountMarks.h"

#include <QContextMenuEvent>
#include <QInputDialog>
#include <QMessageBox>

#include "history/LoginName.h"
#include "history/TimeText.h"
#include "history/store/HistoryError.h"
#include "history/store/MemberKey.h"

namespace kestrova {
namespace {

const QColor kBlacklistColour(200, 0, 0);
const QColor kTrustedColour(0, 128, 0);
const QColor kNotesColour(0, 0, 160);

QString Html(const std::string& utf8) {
    return QString::fromStdString(utf8).toHtmlEscaped();
}

// "（alice，2026-12-07 14:05:09）"
QString WhoAndWhen(const MarkEntry& entry) {
    return QStringLiteral("（%1，%2）").arg(Html(entry.who), Html(LocalTimeText(entry.when)));
}

// The dialog's words: the account on a line of its own above the question,
// shown as typed (the label reads rich text, so the account is escaped).
QString Question(const std::string& account, const QString& question) {
    return QStringLiteral("<p>") + Html(account) + QStringLiteral("<br>") + question +
           QStringLiteral("</p>");
}

std::string AccountText(const QLineEdit& field) {
    return field.text().toStdString();
}

}  // namespace

MarkLabel MarkLabelOf(const MemberMarks& marks) {
    MarkLabel label;
    QStringList lines;
    if (marks.mark) {
        const bool blacklisted = marks.mark->kind == MarkKind::kBlacklist;
        label.text = blacklisted ? QStringLiteral("黑名单") : QStringLiteral("信任");
        label.colour = blacklisted ? kBlacklistColour : kTrustedColour;
        lines << QStringLiteral("<b>%1</b>%2%3")
                     .arg(label.text,
                          marks.mark->text.empty() ? QString()
                                                   : QStringLiteral("：") + Html(marks.mark->text),
                          WhoAndWhen(*marks.mark));
    } else if (!marks.notes.empty()) {
        label.text = QStringLiteral("备注");
        label.colour = kNotesColour;
    }
    if (!marks.notes.empty()) {
        lines << QStringLiteral("<b>备注</b>");
        for (const MarkEntry& note : marks.notes) {
            lines << QStringLiteral("· ") + Html(note.text) + WhoAndWhen(note);
        }
    }
    if (!lines.isEmpty()) {
        // Rich text on purpose: what the user typed is escaped above, so a
        // reason such as "<b>" shows as typed.
        label.tooltip = QStringLiteral("<p style='white-space:pre'>") +
                        lines.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
    }
    return label;
}

AccountMarks::AccountMarks(QWidget& window, QLineEdit& account, StatusLine& status,
                           History* history)
    : window_(window), account_(account), status_(status), history_(history) {
    account_.installEventFilter(this);
}

MemberMarks AccountMarks::MarksOf(const std::string& account) {
    if (!history_ || MemberKey(account).empty()) {
        return {};
    }
    try {
        return history_->MarksOf(account);
    } catch (const HistoryError&) {
        return {};  // the history's problems are told where lookups are saved
    }
}

void AccountMarks::ShowFor(const std::string& account) {
    const MarkLabel label = MarkLabelOf(MarksOf(account));
    status_.ShowMark(label.text, label.colour, label.tooltip);
}

bool AccountMarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &account_ && event->type() == QEvent::ContextMenu) {
        QMenu* menu = MenuFor(AccountText(account_));
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        delete menu;
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QMenu* AccountMarks::MenuFor(const std::string& account) {
    QMenu* menu = account_.createStandardContextMenu();
    menu->addSection(QStringLiteral("会员标记"));
    const bool usable = history_ != nullptr && !MemberKey(account).empty();
    const MemberMarks marks = MarksOf(account);
    QAction* blacklist = menu->addAction(QString::fromUtf8(kBlacklistAction), this,
                                         [this, account] { Mark(account, MarkKind::kBlacklist); });
    QAction* trust = menu->addAction(QString::fromUtf8(kTrustAction), this,
                                     [this, account] { Mark(account, MarkKind::kTrusted); });
    QAction* clear = menu->addAction(QString::fromUtf8(kClearAction), this,
                                     [this, account] { Mark(account, MarkKind::kClear); });
    QAction* note =
        menu->addAction(QString::fromUtf8(kNoteAction), this, [this, account] { Note(account); });
    for (QAction* action : {blacklist, trust, note}) {
        action->setEnabled(usable);
    }
    clear->setEnabled(usable && marks.mark.has_value());
    return menu;
}

std::optional<std::string> AccountMarks::Ask(const QString& title, const QString& label) {
    while (true) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(&window_, title, label, QLineEdit::Normal, QString(), &ok);
        if (!ok) {
            return std::nullopt;
        }
        const std::string utf8 = text.trimmed().toStdString();
        if (!ProblemWithText(utf8)) {
            return utf8;
        }
        QMessageBox::warning(&window_, title,
                             QStringLiteral("只能是一行文字，不能含控制字符或文字方向标记。"));
    }
}

void AccountMarks::Mark(const std::string& account, MarkKind kind) {
    std::string reason;
    if (kind != MarkKind::kClear) {
        const QString title = kind == MarkKind::kBlacklist ? QStringLiteral("加入黑名单")
                                                           : QStringLiteral("标为信任");
        const auto asked = Ask(title, Question(account, QStringLiteral("理由（可不填）：")));
        if (!asked) {
            return;
        }
        reason = *asked;
    }
    Keep(MarkEntry{account, kind, reason, LoginName(), NowForHistory(), HostName()});
}

void AccountMarks::Note(const std::string& account) {
    const auto text = Ask(QStringLiteral("添加备注"), Question(account, QStringLiteral("备注：")));
    if (!text || text->empty()) {
        return;
    }
    Keep(MarkEntry{account, MarkKind::kNote, *text, LoginName(), NowForHistory(), HostName()});
}

void AccountMarks::Keep(const MarkEntry& entry) {
    try {
        if (entry.kind == MarkKind::kNote) {
            history_->AddNote(entry);
        } else {
            history_->SetMark(entry);
        }
    } catch (const HistoryError& error) {
        // Nothing the user wrote is lost without a word.
        QMessageBox::warning(&window_, QStringLiteral("Kestrova"),
                             QStringLiteral("未能保存：%1").arg(QString::fromUtf8(error.what())));
        return;
    }
    ShowFor(entry.account);
}

}  // namespace kestrova
