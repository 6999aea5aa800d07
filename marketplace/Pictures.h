#pragma once
// Which of the generated sample pictures an address stands for.

#include <string>

namespace kestrova::marketplace {

// The picture name (as the assets know it) behind a picture host and path, or
// empty when the address is none of the member pictures.
std::string PictureNameFor(const std::string& host, const std::string& path);

// "image/jpeg", "image/gif" or "image/png" by the name's extension.
std::string PictureContentType(const std::string& name);

}  // namespace kestrova::marketplace
