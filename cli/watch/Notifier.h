#pragma once
// Desktop notifications from the command line. The command line links no
// toolkit, so each notification is sent by kestrova-notify, the window's
// small sender on the session bus, found beside this program or on PATH and
// run without a shell. Where it is missing or cannot reach a notification
// server, one warning is said on standard error and no more is tried.

#include <optional>
#include <string>

#include "cli/watch/ChangeNotice.h"

namespace kestrova {

class Notifier {
  public:
    Notifier() = default;
    // Sends one notification, unless notifications failed earlier in the run.
    void Send(const ChangeNotice& notice);

  private:
    std::optional<std::string> Sender();

    bool looked_ = false;
    std::optional<std::string> sender_;
    bool off_ = false;
};

// The sender beside `self` (a program's own path), else the first on `path`
// (a PATH value; empty and relative entries are passed over).
std::optional<std::string> FindNotifySender(const std::string& self, const std::string& path);

}  // namespace kestrova
