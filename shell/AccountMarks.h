#pragma once
// Marks and notes in the window. The account field's context menu gets a
// section to blacklist, trust, clear or note the member typed in it; a label
// at the right of the status bar says how the member being looked up is
// marked (黑名单, 信任; 备注 for notes alone), the reason and the notes in its
// tooltip. The controls of the window and their texts stay as they are.

#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <string>

#include "history/History.h"
#include "history/MarkEntry.h"
#include "shell/StatusLine.h"

namespace kestrova {

// The section's actions, in order.
inline constexpr const char* kBlacklistAction = "加入黑名单…";
inline constexpr const char* kTrustAction = "标为信任…";
inline constexpr const char* kClearAction = "清除标记";
inline constexpr const char* kNoteAction = "添加备注…";

// What the label shows for a member's marks: its text (empty: hidden), its
// colour and its rich-text tooltip, every text of the user's escaped.
struct MarkLabel {
    QString text;
    QColor colour;
    QString tooltip;
};
MarkLabel MarkLabelOf(const MemberMarks& marks);

class AccountMarks final : public QObject {
  public:
    // `history` null: nowhere to keep marks; the section is disabled.
    // All of them outlive this object.
    AccountMarks(QWidget& window, QLineEdit& account, StatusLine& status, History* history);

    // The label for this member (UTF-8, as typed); hidden for one without
    // marks or notes.
    void ShowFor(const std::string& account);

    // The account field's own menu with the section after it.
    QMenu* MenuFor(const std::string& account);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Mark(const std::string& account, MarkKind kind);
    void Note(const std::string& account);
    // Asks for one line of text; nullopt when the user cancels.
    std::optional<std::string> Ask(const QString& title, const QString& label);
    void Keep(const MarkEntry& entry);
    MemberMarks MarksOf(const std::string& account);

    QWidget& window_;
    QLineEdit& account_;
    StatusLine& status_;
    History* history_;
};

}  // namespace kestrova
