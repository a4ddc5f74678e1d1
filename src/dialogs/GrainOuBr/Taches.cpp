#include "Taches.h"

#include "ContexteTaches.h"
#include "Generateur.h"
#include "TachesAvx512.h"
#include "imaging/BouclePixels.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace velmora::grainoubr {

void AjouteTache(const TPtImg *copie, TPtImg *hote, int32_t e, int32_t largeur,
                 const Reglages &r) {
    // Spot after spot with the same settings: their tables are made once.
    thread_local std::optional<std::pair<Reglages, ContexteTaches>> dernier;
    if (!dernier || !(dernier->first == r)) dernier.emplace(r, ContexteTaches(r));
    // The nine places in writing order: on an image one or two pixels wide several
    // of them are one pixel, where the last write stands.
    for (int ordre = 0; ordre < 9; ++ordre) {
        const int64_t p = int64_t(e) + ordre / 3 - 1 + int64_t(ordre % 3 - 1) * largeur;
        hote[p] = Place(copie, p, e, ordre, GraineAlea, dernier->second);
    }
    GraineAlea = Sauts[TiragesTache](GraineAlea);
}

void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r, TamponsTaches *tampons) {
    const ContexteTaches k(r);
    const int64_t n = int64_t(largeur) * hauteur;
    const int64_t bas = 2 * int64_t(largeur), haut = n - 2 * int64_t(largeur);
    const int64_t tirages = n / (r.D > 0 ? r.D : 1) + 1;

    // A pixel ends with the value of the last spot that covers it, and that value
    // depends on the spot's centre, its generator state and the pixel's place in
    // it alone. So the spots first only mark each pixel with the last of them
    // that covers it (its place, and the state at the centre: a few stores a spot), then every
    // covered pixel is computed once, in a plain pass over the image that the
    // cores share: about a third of the work at the default density, the same bytes.
    // The positions depend on the generator alone: they are drawn a batch at a time,
    // each straight into its band of the image, each band keeping the drawing order, so
    // that the marks of a band stay in a core's cache and the bands share out among
    // the cores. A spot across two bands goes into both, each marking its own pixels.
    // A band is a power of two of pixels, about 16 rows, so that a spot (2 largeur + 3
    // pixels from first to last) spans at most two of them, and few span two.
    int decalage = 0;
    while ((int64_t(1) << decalage) < 16 * int64_t(largeur) + 3) ++decalage;
    const int64_t pixelsBande = int64_t(1) << decalage;
    // One band even for an image without pixels: its draws still move the generator.
    const int64_t nbBandes = std::max<int64_t>(1, (n + pixelsBande - 1) >> decalage);
    // As few batches as memory allows: each one passes over every band again.
    const int64_t parLot = std::clamp<int64_t>(tirages, 4096, int64_t(1) << 23);

    uint32_t g = GraineAlea;
    TamponsTaches propres;
    TamponsTaches &t = tampons ? *tampons : propres;
    if (t.place.size() != std::size_t(n)) {
        t.place = {};
        t.etat.reset();
        t.tailleEtat = 0;
        t.place.assign(std::size_t(n), 0);
    } else {
        PourTranches(std::size_t(n), [&](std::size_t d, std::size_t f) {
            std::fill(t.place.begin() + std::ptrdiff_t(d), t.place.begin() + std::ptrdiff_t(f), uint8_t(0));
        });
    }
    if (t.tailleEtat != std::size_t(n)) {
        t.etat.reset(new uint32_t[std::size_t(n)]);
        t.tailleEtat = std::size_t(n);
    }
    std::vector<uint8_t> &place = t.place;
    uint32_t *const etat = t.etat.get();
    if (t.bande.size() != std::size_t(nbBandes)) t.bande.assign(std::size_t(nbBandes), {});
    const int64_t attendu = std::min(tirages, parLot) / nbBandes + 1;
    auto bandes = [&](int64_t e) {
        return std::pair{(e - 1 - int64_t(largeur)) >> decalage, (e + 1 + int64_t(largeur)) >> decalage};
    };
    for (int64_t debutLot = 0; debutLot < tirages; debutLot += parLot) {
        for (auto &b : t.bande) {
            b.clear();
            // A spot in two bands counts in both: a little above the mean share.
            b.reserve(std::size_t(attendu + attendu / 8 + 64));
        }
        // Each drawn position straight into its band (or two): one pass, no sort.
        for (int64_t i = debutLot; i < std::min(tirages, debutLot + parLot); ++i) {
            // The state after a spot's draws is computed beside the position's, not
            // after it: the generator's chain is the loop's only wait.
            const uint32_t suivant = Sauts[1 + TiragesTache](g);
            g = Sauts[1](g);
            const int64_t e = int64_t((uint64_t(g) * uint32_t(n)) >> 32);
            if (bas < e && e < haut) {
                const auto [b1, b2] = bandes(e);
                t.bande[std::size_t(b1)].push_back(g);
                if (b2 != b1) t.bande[std::size_t(b2)].push_back(g);
                g = suivant;
            }
        }
        auto marquer = [&](int64_t b0, int64_t b1) {
            // In locals: the byte stores below may alias anything the lambda reaches
            // by reference, which would be read again after each of them.
            uint8_t *const marques = t.place.data();
            uint32_t *const etats = t.etat.get();
            const int64_t larg = largeur, total = n, tailleBande = pixelsBande;
            const int dec = decalage;
            for (int64_t bande = b0; bande < b1; ++bande) {
                const int64_t debut = bande << dec, fin = std::min(total, debut + tailleBande);
                const std::vector<uint32_t> &spots = t.bande[std::size_t(bande)];
                const uint32_t *const premierSpot = spots.data(), *const dernierSpot = premierSpot + spots.size();
                for (const uint32_t *s = premierSpot; s != dernierSpot; ++s) {
                    const struct {
                        int64_t e;
                        uint32_t g;
                    } p{int64_t((uint64_t(*s) * uint32_t(total)) >> 32), *s};
                    const int64_t premier = p.e - 1 - larg;
                    if (larg >= 3 && premier >= debut && premier + 2 * larg + 2 < fin) {
                        // Nine distinct pixels, all in the band: row by row.
                        for (int dy = 0; dy < 3; ++dy) {
                            const std::size_t q = std::size_t(premier + dy * larg);
                            marques[q] = uint8_t(1 + dy);
                            marques[q + 1] = uint8_t(4 + dy);
                            marques[q + 2] = uint8_t(7 + dy);
                        }
                        etats[p.e] = p.g;
                        continue;
                    }
                    // In writing order: where places meet on a narrow image, the last stands.
                    for (int o = 0; o < 9; ++o) {
                        const int64_t q = p.e + o / 3 - 1 + (o % 3 - 1) * larg;
                        if (q < debut || q >= fin) continue;
                        marques[q] = uint8_t(1 + o);
                    }
                    if (debut <= p.e && p.e < fin) etats[p.e] = p.g;
                }
            }
        };
        if (std::min(tirages - debutLot, parLot) < 20000)
            marquer(0, nbBandes);
        else
            PourTranches(std::size_t(nbBandes), [&](std::size_t d, std::size_t f) {
                marquer(int64_t(d), int64_t(f));
            }, 2);
    }
    // Every covered pixel from its mark; the others keep what hote holds.
    auto calculer = [&](std::size_t d, std::size_t f) {
        for (std::size_t q = d; q < f; ++q) {
            const int o = place[q] - 1;
            if (o < 0) continue;
            if (!k.reference && (o & 1) == 0 && o != 4) {
                // A corner gives back the pixel (see ContexteTaches).
                hote[q] = copie[q];
                continue;
            }
            const int64_t e = int64_t(q) - (o / 3 - 1) - int64_t(o % 3 - 1) * largeur;
            hote[q] = Place(copie, int64_t(q), e, o, etat[e], k);
        }
    };
    PourTranches(std::size_t(n), [&](std::size_t d, std::size_t f) {
#ifdef VELMORA_VBMI
        // Byte offsets of the centres as 32-bit integers.
        if (!k.reference && vbmi::AvecVbmi() && n < (int64_t(1) << 29))
            d = Places16(copie, hote, d, f, largeur, place.data(), etat, k,
                         [&](std::size_t q) { calculer(q, q + 16); });
#endif
        calculer(d, f);
    });
    GraineAlea = g;
}

} // namespace velmora::grainoubr
