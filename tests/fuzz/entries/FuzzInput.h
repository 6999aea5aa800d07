#pragma once
// Reading a fuzz input: a few fixed parameter bytes in front, then texts
// separated by kPartSeparator, and the rule check that ends a run.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace kestrova::fuzz {

// Chosen so that no sample page holds it, and short enough for the fuzzer to
// find it through its comparison hooks.
inline constexpr std::string_view kPartSeparator = "\n<!--next part-->\n";

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}

    // Little-endian signed 16-bit parameter; 0 once the input is used up.
    int Int16();
    std::uint8_t Byte();
    // Everything not read as a parameter.
    std::string_view Rest() const { return bytes_.substr(used_); }
    // The rest cut at every separator; always at least one (maybe empty) part.
    std::vector<std::string> Parts() const;

  private:
    std::string_view bytes_;
    std::size_t used_ = 0;
};

std::vector<std::string> SplitParts(std::string_view bytes);

// A body as the query turns it into text: the bytes up to the first zero byte.
Text AsPageText(std::string_view body);

// A rule of the program does not hold: report it and end the process the way
// a crash does, so that the fuzzer keeps the input.
[[noreturn]] void FuzzFail(const std::string& what);
inline void FuzzCheck(bool holds, const char* what) {
    if (!holds) {
        FuzzFail(what);
    }
}

}  // namespace kestrova::fuzz
