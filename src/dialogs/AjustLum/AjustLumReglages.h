// Operation 4's settings as data: a .plu file, or the curve inline.
#pragma once

#include "AjustLum.h"
#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <span>

namespace velmora::ajustlum {

extern const std::span<const reglages::Champ> Champs;

// The dialog's rule for these settings, over the pixels in place. Throws
// reglages::ErreurReglage before any pixel is written.
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::ajustlum
