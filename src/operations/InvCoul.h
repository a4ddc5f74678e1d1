// Operation 1: the negative of the image, in place.
#pragma once

#include <velmora/plugin.h>

namespace velmora {

// Every pixel of the counted array (its own count) becomes its negative.
void InverserCouleurs(TPtImg *pixels);

} // namespace velmora
