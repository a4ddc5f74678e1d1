// Operation 1: the negative of the image, in place.
#pragma once

#include <velmora/plugin.h>

namespace velmora {

// Every pixel of the counted array (its own count, not largeur x hauteur)
// becomes its negative; then the host is told (changed, ended).
void InverserCouleurs(TPtImg *pixels, const TDimImg &dim);

} // namespace velmora
