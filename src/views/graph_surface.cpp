#include "views/graph_surface.h"

#include <algorithm>
#include <cmath>

namespace views {

int twipsToPixels(double twips) {
    const double pixels = std::floor(twips / kTwipsPerPixel + 0.5);
    return pixels < 1 ? 1 : static_cast<int>(std::min(pixels, 100000.0));
}

} // namespace views
