#include "shell/Looks.h"

#include <QFontDatabase>
#include <QStringList>

namespace kestrova {
namespace {

constexpr int kDefaultPixelSize = 12;
constexpr int kBannerPixelSize = 39;

QString BorderRule(Border border) {
    switch (border) {
        case Border::Line:
            return QStringLiteral("border: 1px solid #000000;");
        case Border::Thin:
            return QStringLiteral(
                "border-style: solid; border-width: 1px;"
                " border-color: #808080 #ffffff #ffffff #808080;");
        case Border::Sunken:
            return QStringLiteral(
                "border-style: solid; border-width: 2px;"
                " border-color: #808080 #f4f4f4 #f4f4f4 #808080;");
        case Border::None:
            break;
    }
    return {};
}

// One family name rather than a list of them: style sheets resolve a font by
// its family and would drop the rest of a list.
QString FirstInstalled(const QStringList& families) {
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            return family;
        }
    }
    return families.last();
}

Qt::Alignment Horizontal(Align align) {
    switch (align) {
        case Align::Center:
            return Qt::AlignHCenter;
        case Align::Right:
            return Qt::AlignRight;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

QFont DefaultGuiFont() {
    QFont font;
    font.setFamily(FirstInstalled(
        {QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("Sarasa Mono SC"),
         QStringLiteral("WenQuanYi Zen Hei Mono"), QStringLiteral("Noto Sans CJK SC")}));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kDefaultPixelSize);
    return font;
}

QFont BannerFont() {
    QFont font;
    font.setFamily(FirstInstalled({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                                   QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("WenQuanYi Micro Hei")}));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kBannerPixelSize);
    font.setBold(true);
    return font;
}

QString EditBoxStyleSheet(const ControlDef& def) {
    QString colours = QStringLiteral("color: #000000; background: #ffffff;");
    if (def.style == Style::RedText) {
        colours = QStringLiteral("color: #ff0000; background: #ffffff;");
    } else if (def.style == Style::WhiteOnBlack) {
        colours = QStringLiteral("color: #ffffff; background: #000000;");
    }
    return QStringLiteral("%1 { %2 %3 padding: 0px 1px; }")
        .arg(def.multiLine ? QStringLiteral("QPlainTextEdit") : QStringLiteral("QLineEdit"),
             colours, BorderRule(def.border));
}

QString LabelStyleSheet(const ControlDef& def) {
    QString rules;
    switch (def.style) {
        case Style::BoldRed:
            rules = QStringLiteral("color: #ff0000; font-weight: bold;");
            break;
        case Style::Magenta:
            rules = QStringLiteral("color: #ff00ff;");
            break;
        case Style::RedText:
            rules = QStringLiteral("color: #ff0000;");
            break;
        case Style::HeaderCell:
            rules = QStringLiteral("background: #c0c0c0;");
            break;
        default:
            break;
    }
    rules += BorderRule(def.border);
    if (rules.isEmpty()) {
        return {};
    }
    return QStringLiteral("QLabel { %1 }").arg(rules);
}

QString GroupBoxStyleSheet(bool captioned) {
    // The frame runs through the middle of a caption; a group box without one
    // has its frame at its very top, so that 分组框1, which starts above the
    // client area, shows no top line.
    return QStringLiteral(
               "QGroupBox { border-style: groove; border-width: 2px; border-color: #c8c8c8;"
               " margin-top: %1px; padding: 0px; }"
               "QGroupBox::title { subcontrol-origin: border; subcontrol-position: top left;"
               " left: 7px; top: -7px; padding: 0px 1px; background-color: palette(window); }")
        .arg(captioned ? 6 : 0);
}

Qt::Alignment EditBoxAlignment(const ControlDef& def) {
    return Horizontal(def.align) | Qt::AlignVCenter;
}

Qt::Alignment LabelAlignment(const ControlDef& def) {
    // The bordered labels are the cells of the summary grid; their captions
    // sit in the middle of the cell like the counts beside them.
    const Qt::Alignment vertical = def.border == Border::None ? Qt::AlignTop : Qt::AlignVCenter;
    return Horizontal(def.align) | vertical;
}

}  // namespace kestrova
