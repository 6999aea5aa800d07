#include "shell/Opener.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

namespace kestrova {
namespace {

Opener& CurrentOpener() {
    static Opener opener = OpenWithDesktop;
    return opener;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
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
