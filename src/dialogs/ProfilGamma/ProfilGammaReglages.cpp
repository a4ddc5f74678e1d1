#include "ProfilGammaReglages.h"

#include "imaging/BouclePixels.h"
#include "imaging/ReglagesProfils.h"

#include <cstdint>

namespace velmora::profilgamma {
namespace {

using reglages::Genre;

const reglages::Champ champs[] = {
    {reglagesprofils::NomProfil, Genre::Fichier,
     "fichier de profils Gamma (.pfl) chargé comme par « Charger » ; aucun : les courbes de départ",
     0, 0, "", nullptr, ExtensionPfl},
    {reglagesprofils::NomCourbes, Genre::Entiers,
     "les quatre courbes elles-mêmes, les entiers d'un .pfl : Toutes, Rouge, Vert, Bleu, "
     "entrées -3 à 258 de chacune",
     INT32_MIN, INT32_MAX, "", nullptr, nullptr, 4 * TProfil::Entrees},
};

} // namespace

// Constant-initialised: the dialogs, made at load, copy it.
constinit const std::span<const reglages::Champ> Champs = champs;

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    // The dialog's curves at its opening, then what its "Charger" reads.
    Profils p;
    reglagesprofils::LireCourbes(r, CourbesDe(p),
                                 [&](const std::filesystem::path &c) { return ChargerPfl(c, p); });
    const RegleGamma regle(p);
    const std::size_t n = std::size_t(int64_t(largeur) * hauteur);
    PourTranches(n, [&](std::size_t d, std::size_t f) { regle.Traiter(pixels + d, pixels + d, f - d); });
}

} // namespace velmora::profilgamma
