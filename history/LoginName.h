#pragma once
// Who made an entry in the history: the user's login name.

#include <string>

namespace kestrova {

// The name of the user this program runs as (the password database's, else
// LOGNAME or USER), or "uid N" where none is known.
std::string LoginName();

// This machine's name, or "" where it has none.
std::string HostName();

}  // namespace kestrova
