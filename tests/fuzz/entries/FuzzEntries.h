#pragma once
// The fuzz targets' entry functions. Each takes one input and returns 0; a
// fault it finds ends the process (a sanitizer report, an uncaught fault, or
// a broken rule reported through FuzzFail). libFuzzer drives them in the fuzz
// build; the replay test feeds them the kept crash inputs in the normal build.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrova::fuzz {

using FuzzEntry = int (*)(const std::uint8_t* data, std::size_t size);

struct FuzzTarget {
    const char* name;  // also the folder name of its corpus and regressions
    FuzzEntry entry;
};

int FuzzTextSearch(const std::uint8_t* data, std::size_t size);
int FuzzTextConvert(const std::uint8_t* data, std::size_t size);
int FuzzMarkerCut(const std::uint8_t* data, std::size_t size);
int FuzzProfileFields(const std::uint8_t* data, std::size_t size);
int FuzzPersonalSpace(const std::uint8_t* data, std::size_t size);
int FuzzShopPage(const std::uint8_t* data, std::size_t size);
int FuzzRatingList(const std::uint8_t* data, std::size_t size);
int FuzzRatingExtras(const std::uint8_t* data, std::size_t size);
int FuzzRatingSummaries(const std::uint8_t* data, std::size_t size);
int FuzzQuery(const std::uint8_t* data, std::size_t size);
int FuzzRegexSystem(const std::uint8_t* data, std::size_t size);
int FuzzRegexAny(const std::uint8_t* data, std::size_t size);
int FuzzUrlCodec(const std::uint8_t* data, std::size_t size);
int FuzzCookiesHeaders(const std::uint8_t* data, std::size_t size);
int FuzzWireResponse(const std::uint8_t* data, std::size_t size);
int FuzzRegionName(const std::uint8_t* data, std::size_t size);
int FuzzPicture(const std::uint8_t* data, std::size_t size);
int FuzzBitmapIcon(const std::uint8_t* data, std::size_t size);

// Every target, in the order scripts/fuzz.sh runs them.
std::span<const FuzzTarget> FuzzTargets();

}  // namespace kestrova::fuzz
