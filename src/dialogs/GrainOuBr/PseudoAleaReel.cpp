#include "PseudoAleaReel.h"

#include "Anneau.h"
#include "Arrondis.h"
#include "Generateur.h"
#include "PseudoAleaAvx.h"

#include <algorithm>

namespace velmora::grainoubr {

void PseudoAleaReel(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                    const Reglages &r, const std::vector<int32_t> &amp,
                    const std::vector<int16_t> &ampCanal) {
    const Reel S = 2 * (r.K1 + r.K2) + 1;
    const double invS = 1.0 / double(S), k1S = double(r.K1) * invS, k2S = double(r.K2) * invS;
    const double uS = double(r.UnMoinsT) * invS, tS = double(r.t) * invS;
    // With t at 0, 1/2 or 1 every term is a multiple of 1/2, exact in both
    // precisions: the quotient by the integer S is then a half exactly or lies at
    // least 1/42 from one, so a value the fast path cannot settle is a true half.
    const bool demisExacts = r.t == 0 || r.t == 0.5L || r.t == 1;

    // The filter is sequential along the scan, but each pixel's draws and its fresh
    // noise are not: they are made a block ahead, on another core when there is one,
    // while the filter runs. A pixel's 4 draws start 4 i steps after the first state.
    auto produire = [&](std::size_t d, std::size_t f, Bruit *sortie, uint32_t g) {
        for (std::size_t i = d; i < f; ++i, ++sortie) {
            const TPtImg px = copie[i];
            const int32_t s = px.Rouge + px.Vert + px.Bleu;
            const int32_t xl = XDe(Sauts[1](g), amp[s]);
            const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
            sortie->xl = int16_t(xl);
            for (int k = 0; k < 3; ++k) {
                const int32_t xc = XDe(Sauts[2 + k](g), ampCanal[s * 256 + canaux[k]]);
                sortie->xc[k] = int16_t(xc);
                sortie->a[k] = xl * uS + xc * tS;
            }
            g = Sauts[4](g);
        }
    };

    // The filtered values of the two rows above, by column, and the last two along
    // the scan; carried from the end of a row into the next one. Integers, held
    // as doubles for the fast path (exactly).
    std::vector<Colonne> lignes(std::size_t(largeur), Colonne{});
    alignas(32) double prec1[4] = {0, 0, 0, 0}, prec2[4] = {0, 0, 0, 0};
    int32_t col = 0;
    // Near a half (often an exact one: q is a multiple of 1/(10 S)) the answer is vd
    // or its neighbour across q: the rule decides, p1 and p2 being the channel's
    // previous values along the scan.
    auto trancher = [&](const Bruit *bruit, const Colonne &ligne, int k, double q, double vd,
                        double p1, double p2) {
        const Reel x = (((Reel(bruit->xl) * r.UnMoinsT + Reel(bruit->xc[k]) * r.t) +
                         Reel(ligne.r1[k] + p1) * r.K1) +
                        Reel(ligne.r2[k] + p2) * r.K2) /
                       S;
        if (r.Reference) return double(Round(x));
        const double autre = vd > q ? vd - 1 : vd + 1;
        const Reel demi = Reel(std::min(vd, autre)) + 0.5L;
        if (x > demi) return std::max(vd, autre);
        if (x < demi) return std::min(vd, autre);
        return int64_t(vd) % 2 == 0 ? vd : autre;
    };
    auto filtrer = [&](std::size_t d, std::size_t f, const Bruit *bruit) {
#ifdef VELMORA_FILTRE_AVX
        if (!r.Reference && AvecAvx())
            return FiltrerAvx(copie, hote, d, f, bruit, lignes.data(), largeur, col, prec1, prec2,
                              k1S, k2S, demisExacts, trancher);
#endif
        for (std::size_t i = d; i < f; ++i, ++bruit) {
            const TPtImg px = copie[i];
            const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
            Colonne &ligne = lignes[std::size_t(col)];
            int32_t v[3];
            for (int k = 0; k < 3; ++k) {
                // Only the last value along the scan waits for the pixel before:
                // everything else is summed first.
                const double base = (bruit->a[k] + (ligne.r2[k] + prec2[k]) * k2S) + ligne.r1[k] * k1S;
                const double q = base + prec1[k] * k1S;
                double vd;
                const bool sur = ArrondiSur(q, vd);
                if (r.Reference || (!sur && !demisExacts)) {
                    vd = trancher(bruit, ligne, k, q, vd, prec1[k], prec2[k]);
                } else if (!sur) {
                    // An exact half, in both precisions: the even neighbour.
                    const double autre = vd > q ? vd - 1 : vd + 1;
                    if (int64_t(vd) % 2 != 0) vd = autre;
                }
                prec2[k] = prec1[k];
                prec1[k] = vd;
                ligne.r2[k] = ligne.r1[k];
                ligne.r1[k] = vd;
                v[k] = canaux[k] + int32_t(vd);
            }
            hote[i] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
            if (++col == largeur) col = 0;
        }
    };

    BruitEnAvance<Bruit, 4096, 8>(n, produire, filtrer);  // a ring of 1 MiB
}

} // namespace velmora::grainoubr
