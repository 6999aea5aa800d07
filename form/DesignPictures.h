#pragma once
// Pictures that belong to the window's design rather than to a query: the three
// rating icons beside the given-ratings counters. Their bytes are embedded
// assets that form/ does not depend on, so whoever builds a window hands them in
// here; the query's reset never touches them.

#include "form/Window.h"
#include "text/Text.h"

namespace kestrova {

struct DesignPictures {
    ByteBuffer goodRating;
    ByteBuffer neutralRating;
    ByteBuffer badRating;
};

// Writes the icons into 图片框4, 图片框2 and 图片框3.
void WriteDesignPictures(Window& window, const DesignPictures& pictures);

}  // namespace kestrova
