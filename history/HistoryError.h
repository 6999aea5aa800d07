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

// Another program held the file's lock for longer than this one waits: the
// same save may well succeed a little later.
class HistoryLocked : public HistoryError {
  public:
    using HistoryError::HistoryError;
};

}  // namespace kestrova
