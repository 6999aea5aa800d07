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

}  // namespace kestrova
