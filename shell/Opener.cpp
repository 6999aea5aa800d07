#include "shell/Opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

#include "text/GbkChar.h"
#include "web/CleanAddress.h"

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
    // Cleaned as the browser would clean it, so that what it opens is what
    // was checked here: one address, never a second one after a line break.
    const std::optional<std::string> cleaned = CleanAddress(utf8Address);
    if (!cleaned || !IsWebAddress(*cleaned) || !CurrentOpener()) {
        return false;
    }
    CurrentOpener()(*cleaned);
    return true;
}

}  // namespace kestrova
