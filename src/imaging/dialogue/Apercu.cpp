#include "Apercu.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora {

GeometrieApercu CalculerGeometrie(int32_t largeur, int32_t hauteur) {
    largeur = std::max(largeur, 0);
    hauteur = std::max(hauteur, 0);
    GeometrieApercu g;
    if (largeur > CoteApercu || hauteur > CoteApercu)
        g.Echelle = Reel(std::max(largeur, hauteur)) / CoteApercu;
    else
        g.Echelle = 1;
    g.Largeur = int32_t(Round(largeur / g.Echelle));
    g.Hauteur = int32_t(Round(hauteur / g.Echelle));
    g.Gauche = Div(CoteApercu - g.Largeur, 2) + 1;
    g.Haut = Div(CoteApercu - g.Hauteur, 2) + 1;
    return g;
}

int64_t SourceApercu(const GeometrieApercu &g, int32_t largeur, int32_t hauteur, int32_t x,
                     int32_t y) {
    // Round(n / E) - 1 <= n / E - 1/2, so E x (tw - 1) stays below n: the clamps
    // never change a result, they only guard against a wrong geometry.
    const int64_t ligne = std::min<int64_t>(Trunc(g.Echelle * y), int64_t(hauteur) - 1);
    const int64_t colonne = std::min<int64_t>(Trunc(g.Echelle * x), int64_t(largeur) - 1);
    return ligne * int64_t(largeur) + colonne;
}

TPtsImg ConstruireApercu(const TPtsImg &copie, int32_t largeur, int32_t hauteur,
                         const GeometrieApercu &g) {
    if (g.Largeur <= 0 || g.Hauteur <= 0) return {};
    if (largeur <= 0 || hauteur <= 0 || int64_t(copie.size()) != int64_t(largeur) * hauteur)
        return {};
    TPtsImg apercu = TPtsImg::Creer(g.Largeur * g.Hauteur);
    const TPtImg *src = copie.data();
    TPtImg *dst = apercu.data();
    // Columns are the same for every row: computed once.
    std::vector<int64_t> colonnes(std::size_t(g.Largeur));
    for (int32_t x = 0; x < g.Largeur; ++x) colonnes[x] = SourceApercu(g, largeur, hauteur, x, 0);
    for (int32_t y = 0; y < g.Hauteur; ++y) {
        const int64_t debut = SourceApercu(g, largeur, hauteur, 0, y) - colonnes[0];
        TPtImg *ligne = dst + std::size_t(y) * g.Largeur;
        for (int32_t x = 0; x < g.Largeur; ++x) ligne[x] = src[debut + colonnes[x]];
    }
    return apercu;
}

} // namespace velmora
