#include "shell/ControlFactory.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <limits>

#include "shell/HyperLink.h"
#include "shell/Looks.h"
#include "shell/PictureBox.h"
#include "shell/StatusLine.h"
#include "shell/TabBox.h"

namespace kestrova {
namespace {

QRect ToQRect(const Rect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

QString Caption(const ControlDef& def) {
    return QString::fromUtf8(def.caption);
}

QWidget* MakeEditBox(const ControlDef& def, QWidget* parent) {
    if (def.multiLine) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setReadOnly(def.readOnly);
        edit->setStyleSheet(EditBoxStyleSheet(def));
        return edit;
    }
    auto* edit = new QLineEdit(parent);
    // The field shows whatever is written, of any length.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setAlignment(EditBoxAlignment(def));
    edit->setReadOnly(def.readOnly);
    edit->setStyleSheet(EditBoxStyleSheet(def));
    return edit;
}

QWidget* MakeLabel(const ControlDef& def, QWidget* parent) {
    auto* label = new QLabel(Caption(def), parent);
    // Downloaded texts land in labels too; they are never markup.
    label->setTextFormat(Qt::PlainText);
    // Every label is one line high. Qt would break a caption between Chinese
    // characters and push its colon onto a half-hidden second line; a caption
    // a little wider than its label is clipped at the right instead.
    label->setWordWrap(false);
    label->setAlignment(LabelAlignment(def));
    label->setStyleSheet(LabelStyleSheet(def));
    return label;
}

QWidget* MakeBanner(const ControlDef& def, QWidget* parent) {
    auto* banner = new QLabel(Caption(def), parent);
    banner->setTextFormat(Qt::PlainText);
    banner->setFont(BannerFont());
    QPalette palette = banner->palette();
    palette.setColor(QPalette::WindowText, kBannerColour);
    banner->setPalette(palette);
    banner->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return banner;
}

QWidget* MakeTabBox(QWidget* parent) {
    auto* tab = new TabBox(parent);
    for (const char* caption : kTabPageCaptions) {
        tab->addTab(new QWidget(), QString::fromUtf8(caption));
    }
    tab->setCurrentIndex(0);
    return tab;
}

QWidget* MakeLink(const ControlDef& def, QWidget* parent) {
    auto* link = new HyperLink(parent);
    link->SetCaption(Caption(def));
    link->SetAddress(def.link);
    return link;
}

QObject* Make(const ControlDef& def, QWidget& window, QWidget* parent) {
    switch (def.kind) {
        case ControlKind::EditBox:
            return MakeEditBox(def, parent);
        case ControlKind::Label:
            return MakeLabel(def, parent);
        case ControlKind::PicBox:
            return new PictureBox(def.border == Border::Line, parent);
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(Caption(def), parent);
            group->setStyleSheet(GroupBoxStyleSheet(!Caption(def).isEmpty()));
            return group;
        }
        case ControlKind::Button:
            return new QPushButton(Caption(def), parent);
        case ControlKind::TabBox:
            return MakeTabBox(parent);
        case ControlKind::HyperLinker:
            return MakeLink(def, parent);
        case ControlKind::Timer: {
            auto* timer = new QTimer(&window);
            timer->setInterval(kTimerIntervalMs);
            return timer;
        }
        case ControlKind::StatusBar:
            return new StatusLine(parent);
        case ControlKind::TransLabel:
            return MakeBanner(def, parent);
        case ControlKind::Script:
            // The script host ran the escape decoder, which is plain code here.
            return nullptr;
    }
    return nullptr;
}

}  // namespace

ControlObjects BuildControls(QWidget& window) {
    ControlObjects built{};
    for (const ControlDef& def : Controls()) {
        const std::size_t index = static_cast<std::size_t>(def.id);
        TabBox* tab = nullptr;
        QWidget* parent = &window;
        if (def.parent != kWindow) {
            QObject* parentObject = built[static_cast<std::size_t>(def.parent)];
            tab = dynamic_cast<TabBox*>(parentObject);
            parent = tab != nullptr ? tab->Page(def.page) : static_cast<QWidget*>(parentObject);
        }
        QObject* object = Make(def, window, parent);
        built[index] = object;
        if (object == nullptr) {
            continue;
        }
        object->setObjectName(QString::fromUtf8(def.name));
        if (auto* widget = qobject_cast<QWidget*>(object)) {
            if (tab != nullptr) {
                tab->Place(widget, def.page, ToQRect(def.rect));
            } else {
                widget->setGeometry(ToQRect(def.rect));
            }
        }
    }
    return built;
}

}  // namespace kestrova
