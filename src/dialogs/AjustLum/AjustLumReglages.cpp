#include "AjustLumReglages.h"

#include "imaging/BouclePixels.h"
#include "imaging/ReglagesProfils.h"

#include <cstdint>
#include <memory>

namespace velmora::ajustlum {
namespace {

using reglages::Genre;

const reglages::Champ champs[] = {
    {reglagesprofils::NomProfil, Genre::Fichier,
     "fichier de profil de luminosité (.plu) chargé comme par « Charger » ; aucun : la courbe de départ",
     0, 0, "", nullptr, ExtensionPlu},
    {reglagesprofils::NomCourbes, Genre::Entiers,
     "la courbe elle-même, les entiers d'un .plu : entrées -3 à 258",
     INT32_MIN, INT32_MAX, "", nullptr, nullptr, TProfil::Entrees},
};

} // namespace

// Constant-initialised: the dialogs, made at load, copy it.
constinit const std::span<const reglages::Champ> Champs = champs;

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    // The dialog's curve at its opening, then what its "Charger" reads.
    TProfil profLum = TProfil::Identite();
    TProfil *const courbes[] = {&profLum};
    reglagesprofils::LireCourbes(r, courbes, [&](const std::filesystem::path &c) -> std::size_t {
        ChargerPlu(c, profLum);
        return 1;
    });
    const auto regle = std::make_unique<RegleLum>(profLum);  // 64 KB: not on the stack
    const std::size_t n = std::size_t(int64_t(largeur) * hauteur);
    PourTranches(n, [&](std::size_t d, std::size_t f) { regle->Traiter(pixels + d, pixels + d, f - d); });
}

} // namespace velmora::ajustlum
