#include "assets/Assets.h"

#include "assets/EmbeddedFiles.h"

namespace kestrova::assets {
namespace {

constexpr std::string_view kSampleFolder = "sample/";

}  // namespace

std::span<const std::uint8_t> GoodRatingIcon() {
    return embedded::rating_good_jpg();
}
std::span<const std::uint8_t> NeutralRatingIcon() {
    return embedded::rating_neutral_gif();
}
std::span<const std::uint8_t> BadRatingIcon() {
    return embedded::rating_bad_gif();
}
std::span<const std::uint8_t> TickPicture() {
    return embedded::verdict_tick_jpg();
}
std::span<const std::uint8_t> CrossPicture() {
    return embedded::verdict_cross_jpg();
}
std::span<const std::uint8_t> LicenceIcon() {
    return embedded::licence_jpg();
}
std::span<const std::uint8_t> WindowIcon() {
    return embedded::window_ico();
}
std::span<const std::uint8_t> RegionTablePayload() {
    return embedded::region_table_txt();
}

std::span<const std::uint8_t> SamplePicture(std::string_view name) {
    if (name.empty())
        return {};
    for (const embedded::EmbeddedFile& file : embedded::kFiles) {
        if (file.name.starts_with(kSampleFolder) &&
            file.name.substr(kSampleFolder.size()) == name) {
            return file.bytes();
        }
    }
    return {};
}

std::vector<std::string_view> SamplePictureNames() {
    std::vector<std::string_view> names;
    for (const embedded::EmbeddedFile& file : embedded::kFiles) {
        if (file.name.starts_with(kSampleFolder))
            names.push_back(file.name.substr(kSampleFolder.size()));
    }
    return names;
}

}  // namespace kestrova::assets
