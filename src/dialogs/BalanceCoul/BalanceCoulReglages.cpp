#include "BalanceCoulReglages.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velmora::balancecoul {
namespace {

using reglages::ErreurReglage;
using reglages::Genre;

const reglages::Champ champs[] = {
    {"temperature", Genre::Entier, "teinte d'équilibrage en kelvins, par pas de 100", 3000, 10000,
     "6700"},
    {"lumref", Genre::Choix, "luminosité de référence : (R + V + B) / 3 ou Max (R, V, B)", 0, 0,
     "moyenne", "moyenne|maxi"},
    {"saturation", Genre::Choix, "saturation des couleurs", 0, 0, "non-autorisee",
     "non-autorisee|autorisee"},
    {"zone-claire", Genre::Rectangle, "zone claire de référence (x,y,largeur,hauteur)"},
    {"zone-sombre", Genre::Rectangle,
     "zone sombre de référence : avec elle, la méthode à deux zones"},
    {"temperature-sombre", Genre::Entier,
     "teinte de la zone sombre en kelvins (0 : celle de « temperature »)", 0, 10000, "0"},
};

std::string TexteRectangle(const std::array<int32_t, 4> &r) {
    return std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," +
           std::to_string(r[3]);
}

} // namespace

const std::span<const reglages::Champ> Champs = champs;

std::vector<TPtImg> Decouper(const TPtImg *pixels, int32_t largeur, int32_t hauteur,
                             const std::array<int32_t, 4> &z, const char *nom) {
    if (z[0] < 0 || z[1] < 0 || z[2] < 1 || z[3] < 1 || int64_t(z[0]) + z[2] > largeur ||
        int64_t(z[1]) + z[3] > hauteur)
        throw ErreurReglage("zone hors de l'image : " +
                            (nom ? "« " + std::string(nom) + " » = " : std::string()) +
                            TexteRectangle(z) + " (image de " + std::to_string(largeur) +
                            " × " + std::to_string(hauteur) + ")");
    std::vector<TPtImg> zone(std::size_t(z[2]) * std::size_t(z[3]));
    for (int32_t j = 0; j < z[3]; ++j)
        std::copy_n(pixels + std::size_t(int64_t(z[1] + j) * largeur + z[0]), z[2],
                    zone.data() + std::size_t(j) * std::size_t(z[2]));
    return zone;
}

int32_t PositionTemperature(int64_t kelvin, const char *nom) {
    if (kelvin < 3000 || kelvin > 10000 || kelvin % 100 != 0)
        throw ErreurReglage("valeur invalide pour « " + std::string(nom) + " » : « " +
                            std::to_string(kelvin) +
                            " » (attendu : un multiple de 100 de 3000 à 10000)");
    return int32_t((kelvin - 3000) / 100);
}

reglages::Enregistrement Enregistrer(const Zone &claire, const std::optional<Zone> &sombre,
                                     LumRef lumRef, bool saturationAutorisee) {
    reglages::Enregistrement r(Champs);
    r["temperature"].Entier = TTempCoul[claire.Position].Temperature;
    r["lumref"].Entier = int64_t(lumRef);
    r["saturation"].Entier = saturationAutorisee ? 1 : 0;
    r["zone-claire"].Coords = claire.Rectangle;
    r["zone-claire"].Vide = false;
    if (sombre) {
        r["zone-sombre"].Coords = sombre->Rectangle;
        r["zone-sombre"].Vide = false;
        if (sombre->Position != claire.Position)
            r["temperature-sombre"].Entier = TTempCoul[sombre->Position].Temperature;
    }
    return r;
}

void VerifierReglages(const reglages::Enregistrement &r) {
    PositionTemperature(r.Entier("temperature"), "temperature");
    if (r.Entier("temperature-sombre") != 0) {
        PositionTemperature(r.Entier("temperature-sombre"), "temperature-sombre");
        if (r["zone-sombre"].Vide)
            throw ErreurReglage("« temperature-sombre » sans « zone-sombre »");
    }
}

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    // Every check before the first pixel is written.
    VerifierReglages(r);
    const int32_t position = PositionTemperature(r.Entier("temperature"), "temperature");
    // Not a checking matter: a dialog opens on settings without zones.
    if (r["zone-claire"].Vide)
        throw ErreurReglage("réglage manquant : « zone-claire » (la zone claire de référence, "
                            "x,y,largeur,hauteur)");
    const std::size_t n = std::size_t(int64_t(largeur) * hauteur);
    const std::vector<TPtImg> claire = Decouper(pixels, largeur, hauteur, r["zone-claire"].Coords, "zone-claire");
    const TRVB teinte = TeinteDe(position);

    if (r["zone-sombre"].Vide) {
        const auto k = FacteursZone(claire.data(), claire.size(), LumRef(r.Entier("lumref")),
                                    r.Entier("saturation") == 1, teinte);
        if (!k)
            throw ErreurReglage("zone noire : « zone-claire » = " +
                                TexteRectangle(r["zone-claire"].Coords) +
                                " ne donne aucune correction");
        AppliqueZone(pixels, pixels, n, *k);
        return;
    }
    const int64_t ts = r.Entier("temperature-sombre");
    const int32_t positionSombre = ts == 0 ? position : PositionTemperature(ts, "temperature-sombre");
    const std::vector<TPtImg> sombre = Decouper(pixels, largeur, hauteur, r["zone-sombre"].Coords, "zone-sombre");
    const auto mc = MoyenneZone(claire.data(), claire.size(), teinte);
    const auto ms = MoyenneZone(sombre.data(), sombre.size(), TeinteDe(positionSombre));
    if (!mc || !ms || !AppliqueDeuxZones(pixels, pixels, n, *mc, *ms))
        throw ErreurReglage("« zone-claire » et « zone-sombre » de même moyenne dans un canal : "
                            "aucune correction");
}

} // namespace velmora::balancecoul
