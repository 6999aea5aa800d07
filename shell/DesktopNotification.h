#pragma once
// One desktop notification through the freedesktop Notifications service on
// the session bus. The body is plain text: where the server reads the body as
// markup (it says so with the "body-markup" capability), every character
// that markup gives a meaning is escaped, so that a page's text is shown as
// it is and never taken for a tag, a link or a picture.

#include <QString>
#include <optional>

namespace kestrova {

enum class NotificationUrgency { kLow = 0, kNormal = 1, kCritical = 2 };

struct DesktopNotification {
    QString summary;
    QString body;
    NotificationUrgency urgency = NotificationUrgency::kNormal;
};

// The body as a markup-reading server must be given it.
QString EscapedForMarkup(const QString& plain);

// Sends it; nullopt when sent, else what kept it from the desktop (no session
// bus, no notification server, an error from the server). Waits at most
// `timeoutMs` for each answer.
std::optional<QString> SendDesktopNotification(const DesktopNotification& notification,
                                               int timeoutMs = 5000);

}  // namespace kestrova
