#include "lookup/RegionTable.h"

#include <optional>

#include "assets/Assets.h"
#include "text/Search.h"
#include "web/UrlCodec.h"

namespace kestrova {
namespace {

const Text kRowStart = ":[";
const Text kRowEnd = "]";
const Text kNameEnd = ",";
// Every row's "]" lies within the 99 bytes behind its "[".
constexpr int kRowWindow = 99;
constexpr int kParentCodeLength = 6;

// The 99 bytes behind the "[" of the code's row; nothing when no row has it.
// An empty code has no row, although ":[" alone would match the first one.
std::optional<Text> RowWindow(TextView table, TextView code) {
    if (code.empty()) {
        return std::nullopt;
    }
    const Text sought = Text(code) + kRowStart;
    const int at = FindText(table, sought);
    if (at < 1) {
        return std::nullopt;
    }
    return MidText(table, at + TextLength(code) + TextLength(kRowStart), kRowWindow);
}

Text RowContent(TextView window) {
    return LeftText(window, FindText(window, kRowEnd) - 1);
}

Text DecodedName(TextView window) {
    return DecodeEscapes(LeftText(window, FindText(window, kNameEnd) - 1));
}

}  // namespace

const Text& RegionTableText() {
    static const Text text = [] {
        const auto payload = assets::RegionTablePayload();
        return Text(payload.begin(), payload.end());
    }();
    return text;
}

Text LookUpRegionName(TextView districtCode) {
    const Text& table = RegionTableText();
    const std::optional<Text> own = RowWindow(table, districtCode);
    if (!own) {
        return {};
    }
    const Text ownName = DecodedName(*own);
    // A top-level row ends in the parent "1": its last six bytes are no code,
    // and no row is found for them.
    const Text parentCode = RightText(RowContent(*own), kParentCodeLength);
    const std::optional<Text> parent = RowWindow(table, parentCode);
    if (!parent) {
        return ownName;
    }
    return DecodedName(*parent) + ownName;
}

}  // namespace kestrova
