#pragma once
// What a desktop notification says of a watched member that changed: the
// account in the summary; in the body the verdict changes first, then the
// figures a trader looks at first, each "caption old → new"; critical when a
// verdict got worse, a bad rating appeared or the account was closed.

#include <string>

#include "form/FieldStore.h"

namespace kestrova {

struct ChangeNotice {
    std::string summary;  // UTF-8, plain text
    std::string body;     // UTF-8, plain text, lines separated by LF
    bool critical = false;
};

ChangeNotice NoticeOf(const std::string& account, const FieldStore& before,
                      const FieldStore& after);

}  // namespace kestrova
