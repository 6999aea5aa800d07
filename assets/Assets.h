#pragma once
// The files compiled into the program: the window's icons and pictures, the
// region code table and the sample marketplace's pictures. Every span stays
// valid for the life of the program.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kestrova::assets {

// Good rating: JPEG 18 x 19. Neutral rating: GIF 16 x 15. Bad rating: GIF 19 x 14.
std::span<const std::uint8_t> GoodRatingIcon();
std::span<const std::uint8_t> NeutralRatingIcon();
std::span<const std::uint8_t> BadRatingIcon();

// White tick and white cross on a green disc: JPEG 75 x 74 each.
std::span<const std::uint8_t> TickPicture();
std::span<const std::uint8_t> CrossPicture();

// Business-licence mark: JPEG 20 x 22.
std::span<const std::uint8_t> LicenceIcon();

// The main window's icon file: 48 x 48 in 16 colours; 48, 32 and 16 in 256
// colours; 128, 48, 32 and 16 in 32-bit colour.
std::span<const std::uint8_t> WindowIcon();

// The region code table payload: ASCII rows `code:[escaped name,parent]`
// separated by CR LF, ending with "]};".
std::span<const std::uint8_t> RegionTablePayload();

// Pictures for the sample marketplace's invented members, by name (for example
// "avatar_1.jpg"); the empty span for a name that is not one of them.
std::span<const std::uint8_t> SamplePicture(std::string_view name);
// Every name SamplePicture knows, in ascending order.
std::vector<std::string_view> SamplePictureNames();

// A copy of the bytes, for the places that keep a picture of their own.
inline std::vector<std::uint8_t> ToByteBuffer(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

}  // namespace kestrova::assets
