#pragma once
// Anything that keeps the history from being read or written: a damaged,
// locked, unwritable or newer file, a full disk. The message names the file
// and says what is wrong in words a user can act on.

#include <stdexcept>
#include <string>

namespace kestrova {

class HistoryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The same save may well succeed a little later: a lookup is kept and saved
// then, not lost.
class HistoryUnavailable : public HistoryError {
  public:
    using HistoryError::HistoryError;
};

// Another program held the file's lock (or the server's rows) for longer than
// this one waits.
class HistoryLocked : public HistoryUnavailable {
  public:
    using HistoryUnavailable::HistoryUnavailable;
};

// The database server cannot be reached, refused the connection or the login,
// or went away while it was being written.
class HistoryOutOfReach : public HistoryUnavailable {
  public:
    using HistoryUnavailable::HistoryUnavailable;
};

}  // namespace kestrova
