#include "web/CleanAddress.h"

namespace kestrova {
namespace {

bool IsControlOrSpace(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

}  // namespace

std::optional<Text> CleanAddress(TextView address) {
    std::size_t first = 0;
    std::size_t end = address.size();
    while (first < end && static_cast<unsigned char>(address[first]) <= 0x20) {
        ++first;
    }
    while (end > first && static_cast<unsigned char>(address[end - 1]) <= 0x20) {
        --end;
    }
    Text cleaned;
    cleaned.reserve(end - first);
    for (const char ch : address.substr(first, end - first)) {
        if (ch == '\t' || ch == '\r' || ch == '\n') {
            continue;
        }
        if (IsControlOrSpace(static_cast<unsigned char>(ch))) {
            return std::nullopt;
        }
        cleaned += ch;
    }
    return cleaned;
}

}  // namespace kestrova
