// One libFuzzer target: KESTROVA_FUZZ_ENTRY names its entry function.

#include <cstddef>
#include <cstdint>

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kestrova::fuzz::KESTROVA_FUZZ_ENTRY(data, size);
}
