#pragma once
// Every picture the generator draws, grouped as the program uses them.

#include <vector>

#include "tools/assetgen/Drawing.h"

namespace kestrova::assetgen {

// Good, neutral and bad rating marks (the ratings-given counters and the rating rows).
std::vector<AssetFile> RatingIcons();
// The tick and cross beside the two verdicts.
std::vector<AssetFile> VerdictPictures();
// The business-licence mark.
AssetFile LicenceIcon();
// The main window's icon: eight images in one file.
AssetFile WindowIcon();
// The window icon as the desktop's icon theme wants it: one PNG per size,
// named by the theme's folder layout (hicolor/NxN/apps/kestrova.png).
std::vector<AssetFile> DesktopIcons();
// Pictures the sample marketplace serves for its invented members.
std::vector<AssetFile> SamplePictures();

}  // namespace kestrova::assetgen
