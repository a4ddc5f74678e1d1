#include "AjustImgReglages.h"

#include "AjustImg.h"
#include "imaging/BouclePixels.h"

namespace velmora::ajustimg {
namespace {

using reglages::Genre;

// The sliders' own ranges and starting positions.
const reglages::Champ champs[] = {
    {"gamma", Genre::Entier, "gamma : 10^(position / 50), de 0,1 à 10", -50, 50, "0"},
    {"contraste", Genre::Entier, "contraste en %", 0, 100, "50"},
    {"luminosite", Genre::Entier, "luminosité en %", 0, 100, "50"},
    {"saturation", Genre::Entier, "saturation en %", -100, 100, "0"},
};

} // namespace

const std::span<const reglages::Champ> Champs = champs;

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    // The tables as the dialog's change handlers build them.
    ajustimg::Reglages t;
    t.ValeurGamma = ValeurGamma(int32_t(r.Entier("gamma")));
    t.Contraste = int32_t(r.Entier("contraste"));
    t.Luminosite = int32_t(r.Entier("luminosite"));
    t.ValeurSaturation = Reel(r.Entier("saturation"));
    t.CalculerGamma();
    t.CalculerContraste();
    t.CalculerLum();
    t.ReconstruireLGC();
    RegleAjustCoul regle;
    regle.Definir(t.TableLGC, t.Facteur());
    const std::size_t n = std::size_t(int64_t(largeur) * hauteur);
    PourTranches(n, [&](std::size_t d, std::size_t f) { regle.Traiter(pixels + d, pixels + d, f - d); });
}

} // namespace velmora::ajustimg
