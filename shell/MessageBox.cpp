#include "shell/MessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "shell/Looks.h"

namespace kestrova {
namespace {

enum Answer { kOk = 0, kCancel = 1, kAbort = 2, kRetry = 3, kIgnore = 4, kYes = 5, kNo = 6 };

struct Choice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<Choice> Buttons(int flags) {
    switch (flags & 0x0F) {
        case 1:  // MB_OKCANCEL
            return {{QMessageBox::Ok, kOk}, {QMessageBox::Cancel, kCancel}};
        case 2:  // MB_ABORTRETRYIGNORE
            return {{QMessageBox::Abort, kAbort},
                    {QMessageBox::Retry, kRetry},
                    {QMessageBox::Ignore, kIgnore}};
        case 3:  // MB_YESNOCANCEL
            return {
                {QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}, {QMessageBox::Cancel, kCancel}};
        case 4:  // MB_YESNO
            return {{QMessageBox::Yes, kYes}, {QMessageBox::No, kNo}};
        case 5:  // MB_RETRYCANCEL
            return {{QMessageBox::Retry, kRetry}, {QMessageBox::Cancel, kCancel}};
        case 6:  // MB_CANCELTRYCONTINUE: the last two answer with codes outside 0-6
            return {{QMessageBox::Cancel, kCancel},
                    {QMessageBox::Retry, kOk},
                    {QMessageBox::Ignore, kOk}};
        default:  // MB_OK and anything unknown
            return {{QMessageBox::Ok, kOk}};
    }
}

QMessageBox::Icon IconOf(int flags) {
    switch (flags & 0xF0) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int ShowMessageBox(const QString& content, int flags, const QString& caption) {
    QMessageBox box;
    box.setFont(DefaultGuiFont());
    box.setWindowTitle(caption);
    box.setText(content);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconOf(flags));
    box.setWindowModality(Qt::ApplicationModal);

    const std::vector<Choice> choices = Buttons(flags);
    std::vector<QAbstractButton*> buttons;
    for (const Choice& choice : choices) {
        buttons.push_back(box.addButton(choice.button));
    }
    if ((flags & 0x0F) == 6) {
        buttons[1]->setText(QStringLiteral("重试(&T)"));
        buttons[2]->setText(QStringLiteral("继续(&C)"));
    }
    const std::size_t defaultIndex = static_cast<std::size_t>((flags & 0xF00) >> 8);
    if (defaultIndex < buttons.size()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons[defaultIndex]));
    }
    box.exec();

    QAbstractButton* pressed = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == pressed) {
            return choices[i].answer;
        }
    }
    return kOk;
}

}  // namespace kestrova
