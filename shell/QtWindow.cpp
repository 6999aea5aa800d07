#include "shell/QtWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "shell/HyperLink.h"
#include "shell/MessageBox.h"
#include "shell/PictureBox.h"
#include "shell/StatusLine.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

QString Display(const Text& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

// Characters a widget shows of a field's text.
constexpr std::size_t kShownCharacters = 256 * 1024;

// The start of a text, no more than kShownCharacters, cut between characters.
TextView ShownPart(const Text& gbk) {
    std::size_t at = 0;
    for (std::size_t characters = 0; at < gbk.size() && characters < kShownCharacters;
         ++characters) {
        const auto byte = static_cast<unsigned char>(gbk[at]);
        at += (byte >= 0x81 && byte <= 0xFE && at + 1 < gbk.size()) ? 2 : 1;
    }
    return TextView(gbk).substr(0, at);
}

}  // namespace

QtWindow::QtWindow(QWidget& window, const ControlObjects& controls)
    : window_(window), controls_(controls) {
    for (const ControlDef& def : Controls()) {
        QObject* object = controls_[static_cast<std::size_t>(def.id)];
        const Ctl id = def.id;
        if (auto* line = qobject_cast<QLineEdit*>(object)) {
            // The user's typing, and a completion the user picks from a list
            // (which sets the text): every change but this window's own writes.
            QObject::connect(line, &QLineEdit::textChanged, line, [this, id](const QString& typed) {
                if (!mirroring_) {
                    TakeTypedText(id, typed);
                }
            });
        } else if (auto* multi = qobject_cast<QPlainTextEdit*>(object)) {
            QObject::connect(multi, &QPlainTextEdit::textChanged, multi, [this, id, multi] {
                if (!mirroring_) {
                    TakeTypedText(id, multi->toPlainText());
                }
            });
        }
    }
}

void QtWindow::TakeTypedText(Ctl control, const QString& typed) {
    store_.WriteText(control, Utf8ToGbk(typed.toStdString()));
}

const Text& QtWindow::ReadText(Ctl control) {
    return store_.ReadText(control);
}

void QtWindow::WriteText(Ctl control, const Text& text) {
    store_.WriteText(control, text);
    Show(control, text);
}

void QtWindow::WriteText(Ctl control, Text&& text) {
    store_.WriteText(control, std::move(text));
    Show(control, store_.ReadText(control));
}

void QtWindow::Show(Ctl control, const Text& text) {
    QObject* object = controls_[static_cast<std::size_t>(control)];
    const QString shown = QString::fromStdString(GbkToUtf8(ShownPart(text)));
    mirroring_ = true;
    if (auto* line = qobject_cast<QLineEdit*>(object)) {
        line->setText(shown);
        line->setCursorPosition(0);  // a long text shows its beginning
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(object)) {
        multi->setPlainText(shown);
    } else if (auto* link = qobject_cast<HyperLink*>(object)) {
        link->SetCaption(shown);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(shown);
    }
    mirroring_ = false;
}

void QtWindow::WriteLinkAddress(Ctl control, const Text& address) {
    store_.WriteLinkAddress(control, address);
    if (auto* link = qobject_cast<HyperLink*>(controls_[static_cast<std::size_t>(control)])) {
        link->SetAddress(GbkToUtf8(address));
    }
}

void QtWindow::WritePicture(Ctl control, const ByteBuffer& bytes) {
    store_.WritePicture(control, bytes);
    if (auto* box = qobject_cast<PictureBox*>(controls_[static_cast<std::size_t>(control)])) {
        box->SetPicture(bytes);
    }
}

void QtWindow::WriteDecodedPicture(Ctl control, const ByteBuffer& bytes, const QImage& shown) {
    store_.WritePicture(control, bytes);
    if (auto* box = qobject_cast<PictureBox*>(controls_[static_cast<std::size_t>(control)])) {
        box->ShowImage(shown);
    }
}

void QtWindow::StatusBarSetText(int part, const Text& text) {
    store_.StatusBarSetText(part, text);
    if (part != 0) {
        return;
    }
    if (auto* status =
            qobject_cast<StatusLine*>(controls_[static_cast<std::size_t>(Ctl::状态条1)])) {
        status->SetText(Display(text));
    }
}

int QtWindow::MessageBox(const Text& content, int flags, const Text& caption) {
    store_.MessageBox(content, flags, caption);
    return ShowMessageBox(Display(content), flags, Display(caption));
}

void QtWindow::ProcessEvents() {
    store_.ProcessEvents();
    QCoreApplication::processEvents();
}

void QtWindow::WriteTitle(const Text& title) {
    store_.WriteTitle(title);
    window_.setWindowTitle(Display(title));
}

}  // namespace kestrova
