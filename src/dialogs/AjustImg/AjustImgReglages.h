// Operation 2's settings as data: the four sliders' positions.
#pragma once

#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <span>

namespace velmora::ajustimg {

extern const std::span<const reglages::Champ> Champs;

// The dialog's rule for these positions, over the pixels in place.
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::ajustimg
