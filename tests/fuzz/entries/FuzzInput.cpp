#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>

#include "text/Convert.h"

namespace kestrova::fuzz {

int FuzzInput::Int16() {
    const int low = Byte();
    const int high = Byte();
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

std::uint8_t FuzzInput::Byte() {
    if (used_ >= bytes_.size()) {
        return 0;
    }
    return static_cast<std::uint8_t>(bytes_[used_++]);
}

std::vector<std::string> FuzzInput::Parts() const {
    return SplitParts(Rest());
}

std::vector<std::string> SplitParts(std::string_view bytes) {
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t at = bytes.find(kPartSeparator);
        if (at == std::string_view::npos) {
            parts.emplace_back(bytes);
            return parts;
        }
        parts.emplace_back(bytes.substr(0, at));
        bytes.remove_prefix(at + kPartSeparator.size());
    }
}

Text AsPageText(std::string_view body) {
    return ToText(ByteBuffer(body.begin(), body.end()));
}

void FuzzFail(const std::string& what) {
    std::fprintf(stderr, "kestrova fuzz: rule broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace kestrova::fuzz
