#include "shell/Opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

#include "text/GbkChar.h"

namespace kestrova {
namespace {

Opener& CurrentOpener() {
    static Opener opener = OpenWithDesktop;
    return opener;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

void OpenWithDesktop(const std::string& utf8Address) {
    // No shell in between: the address stays one argument whatever it holds.
    QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(utf8Address)});
}

Opener InstallOpener(Opener opener) {
    return std::exchange(CurrentOpener(), std::move(opener));
}

bool IsWebAddress(std::string_view address) {
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

bool OpenAddress(const std::string& utf8Address) {
    if (!IsWebAddress(utf8Address) || !CurrentOpener()) {
        return false;
    }
    CurrentOpener()(utf8Address);
    return true;
}

}  // namespace kestrova
