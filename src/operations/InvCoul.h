// Operation 1: the negative of the image, in place.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>

namespace velmora {

// Every pixel of the counted array (its own count) becomes its negative.
void InverserCouleurs(TPtImg *pixels);
// The same over n pixels of a plain buffer.
void InverserPixels(TPtImg *pixels, std::size_t n);

} // namespace velmora
