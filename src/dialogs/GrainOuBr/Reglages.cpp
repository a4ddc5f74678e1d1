#include "Reglages.h"

#include "Generateur.h"
#include "PseudoAlea.h"
#include "Taches.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace velmora::grainoubr {

namespace {
constexpr Reel PiSur255 = 0.012319971190548208L;
} // namespace

int32_t Amplitude(Reel m, int32_t niveau) {
    const Reel s = std::sin(m * PiSur255);
    return int32_t(Round(s * s * niveau));
}

void AjouterBruit(bool taches, const TPtImg *copie, TPtImg *hote, int32_t largeur,
                  int32_t hauteur, const Reglages &r, TamponsTaches *tampons) {
    if (taches)
        MethodeTaches(copie, hote, largeur, hauteur, r, tampons, true);
    else
        MethodePseudoAlea(copie, hote, std::size_t(int64_t(largeur) * hauteur), largeur, r);
}

namespace {

using reglages::Genre;

// The controls' own ranges and starting positions (FormShow's defaults).
const reglages::Champ champs[] = {
    {"methode", Genre::Choix, "méthode : taches aléatoires ou pseudo-aléatoire", 0, 0, "taches",
     "taches|pseudo-aleatoire"},
    {"niveau", Genre::Entier, "niveau du bruit (255 : le plus fort)", 0, 255, "0"},
    {"teinte", Genre::Entier, "part de bruit coloré, en dixièmes (0 : grain gris)", 0, 10, "5"},
    {"densite", Genre::Entier, "densité des taches : N/(10 - densite) tirages pour N pixels", 0, 9,
     "7"},
    {"ordre1", Genre::Entier, "poids K(n-1) du filtre pseudo-aléatoire, en demis", 0, 10, "2"},
    {"ordre2", Genre::Entier, "poids K(n-2) du filtre pseudo-aléatoire, en demis", 0, 10, "2"},
    {"graine", Genre::Entier,
     "état du générateur au départ des tirages ; -1 : le générateur de la bibliothèque tel qu'il "
     "en est",
     SansGraine, 4294967295.0L, "-1"},
};

} // namespace

const std::span<const reglages::Champ> Champs = champs;

Reglages DeEnregistrement(const reglages::Enregistrement &r) {
    Reglages g;
    g.DefinirNiveau(int32_t(r.Entier("niveau")));
    g.DefinirTxCl(int32_t(r.Entier("teinte")));
    g.DefinirDstPt(int32_t(r.Entier("densite")));
    g.DefinirOrd1(int32_t(r.Entier("ordre1")));
    g.DefinirOrd2(int32_t(r.Entier("ordre2")));
    return g;
}

void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur) {
    const Reglages g = DeEnregistrement(r);
    const std::size_t n = std::size_t(int64_t(largeur) * hauteur);
    // The dialog reads its working copy and writes the host's array; so here,
    // the copy also putting the pixels back should the computation fail.
    const std::vector<TPtImg> copie(pixels, pixels + n);
    const int64_t graine = r.Entier("graine");
    const uint32_t courant = GraineAlea;
    if (graine != SansGraine) GraineAlea = uint32_t(graine);
    try {
        AjouterBruit(Taches(r), copie.data(), pixels, largeur, hauteur, g);
    } catch (...) {
        std::copy(copie.begin(), copie.end(), pixels);
        GraineAlea = courant;
        throw;
    }
    if (graine != SansGraine) GraineAlea = courant;
}

} // namespace velmora::grainoubr
