# cmake -DINPUT=<file> -DOUTPUT=<cpp> -DSYMBOL=<identifier> -P EmbedFile.cmake
#
# Writes a C++ source that defines kestrova::assets::embedded::SYMBOL(), which
# returns the bytes of INPUT.
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedFile.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  set(body "std::span<const std::uint8_t> ${SYMBOL}() { return {}; }")
else()
  # 16 bytes a line, each as 0xNN.
  string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(body "namespace {\nconstexpr std::uint8_t kBytes[] = {\n${bytes}\n};\n}  // namespace\n\nstd::span<const std::uint8_t> ${SYMBOL}() { return kBytes; }")
endif()

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp" "// Generated at build time from ${input_name}; do not edit.
#include <cstdint>
#include <span>

namespace kestrova::assets::embedded {

${body}

}  // namespace kestrova::assets::embedded
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
