// Operation 3's settings as data: a .pfl file, or the four curves inline.
#pragma once

#include "ProfilGamma.h"
#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <array>
#include <span>

namespace velmora::profilgamma {

extern const std::span<const reglages::Champ> Champs;

// The four curves in the order of the file's blocks.
inline std::array<TProfil *, 4> CourbesDe(Profils &p) {
    return {&p.ProfToutes, &p.ProfRouge, &p.ProfVert, &p.ProfBleu};
}
inline std::array<const TProfil *, 4> CourbesDe(const Profils &p) {
    return {&p.ProfToutes, &p.ProfRouge, &p.ProfVert, &p.ProfBleu};
}

// The dialog's rule for these settings, over the pixels in place. Throws
// reglages::ErreurReglage before any pixel is written.
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::profilgamma
