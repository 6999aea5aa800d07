#include "history/store/Compression.h"

#include <zstd.h>

namespace kestrova {
namespace {

// Below this a zstd frame's own header eats whatever it could save.
constexpr std::size_t kWorthTrying = 48;
// The default level for what a lookup brings; the fastest one for the few
// large pages, so that a page at the size cap costs a fraction of a second.
constexpr int kLevel = 3;
constexpr int kLargeLevel = 1;
constexpr std::size_t kLarge = 1u << 20;
// No value a lookup holds comes near this (a page or picture is cut at
// 32 MiB); a file that claims more is damaged, and is not let choose an
// allocation.
constexpr std::size_t kLargestValue = 256u << 20;

}  // namespace

PackedValue Pack(std::string_view bytes) {
    PackedValue packed;
    if (bytes.size() < kWorthTrying) {
        return packed;
    }
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    const std::size_t size = ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(),
                                           bytes.size() > kLarge ? kLargeLevel : kLevel);
    // Kept packed only where that saves at least a sixteenth.
    if (ZSTD_isError(size) || size > bytes.size() - bytes.size() / 16) {
        return packed;
    }
    out.resize(size);
    out.shrink_to_fit();
    packed.packing = Packing::kZstd;
    packed.bytes = std::move(out);
    return packed;
}

std::optional<std::string> Unpack(Packing packing, std::string_view stored, std::size_t size) {
    if (packing == Packing::kAsIs) {
        return stored.size() == size ? std::optional<std::string>(stored) : std::nullopt;
    }
    if (packing != Packing::kZstd || size > kLargestValue) {
        return std::nullopt;
    }
    // The frame states its size; a damaged file must not choose the allocation.
    const unsigned long long framed = ZSTD_getFrameContentSize(stored.data(), stored.size());
    if (framed != size) {
        return std::nullopt;
    }
    std::string value(size, '\0');
    const std::size_t got =
        ZSTD_decompress(value.data(), value.size(), stored.data(), stored.size());
    if (ZSTD_isError(got) || got != size) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kestrova
