#pragma once
// Values are kept compressed with zstd wherever that makes them smaller; a
// value that would not shrink (a picture, a short text) is kept as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// How a value's bytes are kept in the file; the numbers are the file's own.
enum class Packing : int { kAsIs = 0, kZstd = 1 };

struct PackedValue {
    Packing packing = Packing::kAsIs;
    std::string bytes;  // empty with kAsIs: the caller keeps the value itself
};

PackedValue Pack(std::string_view bytes);

// The value of `size` bytes back; nullopt for bytes that do not unpack to
// exactly that (a damaged file).
std::optional<std::string> Unpack(Packing packing, std::string_view stored, std::size_t size);

}  // namespace kestrova
