#include "shell/MissingPagesLabel.h"

#include "lookup/PageNames.h"

namespace kestrova {
namespace {

constexpr const char* kObjectName = "missingPages";

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MissingPagesLabel::MissingPagesLabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QString::fromLatin1(kObjectName));
    setTextFormat(Qt::PlainText);
    // A warning, in the colour the system gives links that went wrong.
    setStyleSheet(QStringLiteral("QLabel { color: #b00000; padding: 0 4px; }"));
    hide();
}

void MissingPagesLabel::ShowMissing(const std::vector<MissingPage>& missing) {
    if (missing.empty()) {
        Clear();
        return;
    }
    setText(QString::number(missing.size()) + QStringLiteral(" 页未取到"));
    setToolTip(MissingPagesTooltip(missing));
    show();
}

void MissingPagesLabel::Clear() {
    hide();
    clear();
    setToolTip(QString());
}

QString MissingPagesTooltip(const std::vector<MissingPage>& missing) {
    QString tip = QStringLiteral("本次查询未取到以下页面：");
    for (const MissingPage& page : missing) {
        // Names and reasons are ours; a page's bytes never reach the tooltip.
        tip += QStringLiteral("\n") + FromUtf8(PageTitleChinese(page.page)) + QStringLiteral("：") +
               FromUtf8(ReasonChinese(page.reason));
    }
    tip += QStringLiteral("\n这些页面所填的栏目不是该会员的资料；判定时把缺少的数值按零计算。");
    return tip;
}

}  // namespace kestrova
