#include "Taches.h"

#include "ContexteTaches.h"
#include "Generateur.h"
#include "TachesAvx2.h"
#include "TachesAvx512.h"
#include "imaging/BouclePixels.h"
#include "imaging/GrandesPages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <thread>
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

namespace {

// The generator's state after `nombre` drawn positions from g: one draw for a
// position left out, a spot's more for one kept (a state in [premierGarde,
// premierGarde + gardes)).
uint32_t SauterTirages(uint32_t g, int64_t nombre, uint32_t premierGarde, uint32_t gardes) {
#ifdef VELMORA_VBMI
    if (vbmi::AvecVbmi()) g = SauterTirages16(g, nombre, premierGarde, gardes);
#endif
    // Eight positions at a time as if all were kept; the first one left out,
    // if any, is where the next eight start from.
    constexpr int Voies = 8;
    constexpr auto voies = [] {
        std::array<Saut, Voies> v{};
        for (int j = 0; j < Voies; ++j) v[std::size_t(j)] = SautDe(1 + uint64_t(1 + TiragesTache) * uint64_t(j));
        return v;
    }();
    const Saut huit = SautDe(uint64_t(1 + TiragesTache) * Voies);
    while (nombre >= Voies) {
        unsigned laisses = 0;
        for (int j = 0; j < Voies; ++j)
            laisses |= unsigned(voies[std::size_t(j)](g) - premierGarde >= gardes) << j;
        if (laisses == 0) {
            g = huit(g);
            nombre -= Voies;
        } else {
            const int j = std::countr_zero(laisses);
            g = voies[std::size_t(j)](g);
            nombre -= j + 1;
        }
    }
    for (; nombre > 0; --nombre) {
        const uint32_t position = Sauts[1](g);
        g = position - premierGarde < gardes ? Sauts[TiragesTache](position) : position;
    }
    return g;
}

} // namespace

void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r, TamponsTaches *tampons, bool recopier) {
    const ContexteTaches k(r);
    const int64_t n = int64_t(largeur) * hauteur, L = largeur;
    const int64_t bas = 2 * L, haut = n - 2 * L;
    const int64_t tirages = n / (r.D > 0 ? r.D : 1) + 1;

    // A pixel ends with the value of the last spot that covers it, and that value
    // depends on the spot's centre, its generator state and the pixel's place in
    // it alone. So the spots first only mark each pixel with the last of them
    // that covers it (its place, and the state at the centre: a few stores a spot), then every
    // covered pixel is computed once: about a third of the work at the default
    // density, the same bytes.
    // The positions depend on the generator alone: they are drawn first, each
    // straight into its band of the image, each band keeping the drawing order.
    // Then each core takes a run of bands and, band after band, marks it in
    // buffers of a band's size (they stay in its cache) and computes it, the
    // pixels no spot covers put back from copie on the way when asked. A spot
    // across two bands goes into both, each marking its own pixels.
    // A band is a power of two of pixels, about 16 rows, so that a spot (2 largeur + 3
    // pixels from first to last) spans at most two of them, and few span two.
    int decalage = 0;
    while ((int64_t(1) << decalage) < 16 * L + 3) ++decalage;
    const int64_t pixelsBande = int64_t(1) << decalage;
    // One band even for an image without pixels: its draws still move the generator.
    const int64_t nbBandes = std::max<int64_t>(1, (n + pixelsBande - 1) >> decalage);
    // The draws in runs, one a core for a large image, each drawn apart into
    // its own lists: a run's first state comes from a fast walk over the draws
    // before it, which only looks for the positions left out (a kept one takes
    // a spot's draws too), made on the run's core while the first run is drawn.
    const int64_t series =
        tirages < (int64_t(1) << 16) ? 1
                                     : std::min<int64_t>(16, std::max(1u, std::thread::hardware_concurrency()));
    auto debutSerie = [&](int64_t s) { return tirages * s / series; };
    // The spots of a band in a run, those across its borders counted: its mean
    // share, and room beyond it that chance does not reach (a band whose spots
    // do not fit keeps the rest aside, in order).
    const int64_t parSerie = (tirages + series - 1) / series;
    const int64_t moyenne = parSerie * std::min(n, pixelsBande + 2 * L + 2) / std::max<int64_t>(1, n) + 1;
    const int64_t placeCalculee = std::min(parSerie, moyenne + 8 * int64_t(std::sqrt(double(moyenne))) + 64);
    const int64_t parBande = tampons && tampons->placeParListe > 0
                                 ? int64_t(std::min<uint64_t>(uint64_t(placeCalculee), tampons->placeParListe))
                                 : placeCalculee;
    const int64_t listes = series * nbBandes;  // run s, band b at s x nbBandes + b

    // A position is kept when bas < e < haut, e = (state x N) >> 32: when the
    // state lies in [premierGarde, premierGarde + gardes) (none for gardes 0).
    auto plafond = [&](int64_t k) { return k <= 0 ? 0 : ((uint64_t(k) << 32) + uint64_t(n) - 1) / uint64_t(n); };
    const uint64_t seuilBas = n > 0 ? plafond(bas + 1) : 0, seuilHaut = n > 0 ? plafond(haut) : 0;
    const uint32_t premierGarde = seuilHaut > seuilBas ? uint32_t(seuilBas) : 0;
    const uint32_t gardes = seuilHaut > seuilBas ? uint32_t(seuilHaut - seuilBas) : 0;

    if (r.Niveau == 0 && recopier) {
        // Level 0: every amplitude is 0, so is every offset, and a spot gives each
        // pixel it covers its own value: the whole image is copie's. Only the
        // generator moves (the dialog selecting the spots again on its opening).
        if (n > 0)
            PourTranches(std::size_t(n), [&](std::size_t d, std::size_t f) {
                std::memcpy(hote + d, copie + d, (f - d) * sizeof(TPtImg));
            });
        GraineAlea = SauterTirages(GraineAlea, tirages, premierGarde, gardes);
        return;
    }

    TamponsTaches propres;
    TamponsTaches &t = tampons ? *tampons : propres;
    const std::size_t taille = std::size_t(listes * parBande);
    if (t.tailleBandes < taille) {
        t.bandes.reset();  // the old block given back first
        t.tailleBandes = 0;
        t.bandes.reset(new uint32_t[taille]);
        // Before the first touch: tens of megabytes at the default density.
        GrandesPages(t.bandes.get(), taille * sizeof(uint32_t));
        t.tailleBandes = taille;
    }
    t.compte.assign(std::size_t(listes), 0);
    if (t.debordement.size() < std::size_t(listes)) t.debordement.resize(std::size_t(listes));
    for (auto &d : t.debordement) d.clear();

    const uint32_t g0 = GraineAlea;
    std::vector<uint32_t> fins(std::size_t(series), g0);
    auto tirer = [&](std::size_t s0, std::size_t s1) {
        for (std::size_t s = s0; s < s1; ++s) {
            const int64_t debut = debutSerie(int64_t(s)), fin = debutSerie(int64_t(s) + 1);
            uint32_t g = SauterTirages(g0, debut, premierGarde, gardes);
            // In locals: the stores below may alias anything reached by reference.
            uint32_t *const bandes = t.bandes.get() + int64_t(s) * nbBandes * parBande;
            uint32_t *const compte = t.compte.data() + int64_t(s) * nbBandes;
            std::vector<uint32_t> *const reste = t.debordement.data() + int64_t(s) * nbBandes;
            const uint32_t nPixels = uint32_t(n);
            const int dec = decalage;
            const int64_t parB = parBande;
            auto ranger = [&](int64_t b, uint32_t etat) {
                const uint32_t c = compte[b]++;
                if (c < parB) {
                    uint32_t *const place = bandes + b * parB + c;
                    *place = etat;
                    // The list's next line asked for now, long before its first
                    // state: the lists are too many streams for the processor's
                    // own prefetching, and a new line otherwise waits for memory
                    // with the stores queued behind it (a seventh of the drawing's
                    // time). An address past the block is harmless to a prefetch.
                    __builtin_prefetch(reinterpret_cast<const void *>(reinterpret_cast<uintptr_t>(place) + 64), 1);
                } else {
                    reste[b].push_back(etat);
                }
            };
            for (int64_t i = debut; i < fin; ++i) {
                // The state after a spot's draws is computed beside the position's, not
                // after it: the generator's chain is the loop's only wait.
                const uint32_t suivant = Sauts[1 + TiragesTache](g);
                g = Sauts[1](g);
                const int64_t e = int64_t((uint64_t(g) * nPixels) >> 32);
                if (bas < e && e < haut) {
                    const int64_t b1 = (e - 1 - L) >> dec, b2 = (e + 1 + L) >> dec;
                    ranger(b1, g);
                    if (b2 != b1) ranger(b2, g);
                    g = suivant;
                }
            }
            fins[s] = g;
        }
    };
    if (series == 1)
        tirer(0, 1);
    else
        PourTranches(std::size_t(series), tirer, 2);
    const uint32_t g = fins.back();

    // A band's buffers: its marks, and the states at the centres of the spots
    // over it (up to largeur + 1 pixels beyond either end).
    const std::size_t pixelsLocaux = std::size_t(std::min(n, pixelsBande));
    const std::size_t centresLocaux = pixelsLocaux + std::size_t(2 * L + 2);
    if (t.coeurs.size() < 16) t.coeurs.resize(16);  // at most a slice a core, 16 at most
    std::atomic<std::size_t> prochain{0};
    auto traiter = [&](std::size_t b0, std::size_t b1) {
        TamponsTaches::Bande &local = t.coeurs[prochain++];
        if (local.taille < centresLocaux) {
            local.place.reset();
            local.etat.reset();
            local.amplitude.reset();
            local.taille = 0;
            local.place.reset(new uint8_t[centresLocaux]);
            local.etat.reset(new uint32_t[centresLocaux]);
            local.amplitude.reset(new uint8_t[centresLocaux + 3]());  // read 4 bytes at a time
            local.taille = centresLocaux;
        }
        // In locals: the byte stores below may alias anything the lambda reaches
        // by reference, which would be read again after each of them.
        uint8_t *const marques = local.place.get();
        uint8_t *const amplitudes = local.amplitude.get();
        uint32_t *const etats = local.etat.get();
        const uint32_t *const bandes = t.bandes.get();
        const int64_t larg = L, total = n, tailleBande = pixelsBande, parB = parBande;
        const int dec = decalage;
        const bool copier = recopier;
        for (std::size_t bande = b0; bande < b1; ++bande) {
            const int64_t debut = int64_t(bande) << dec, fin = std::min(total, debut + tailleBande);
            // etats[e - origine] for a centre e.
            const int64_t origine = debut - 1 - larg;
            std::memset(marques, 0, std::size_t(fin - debut));
            auto marquer = [&](const uint32_t *premierSpot, const uint32_t *dernierSpot) {
                for (const uint32_t *s = premierSpot; s != dernierSpot; ++s) {
                    const int64_t e = int64_t((uint64_t(*s) * uint32_t(total)) >> 32);
                    const int64_t premier = e - 1 - larg;
                    if (larg >= 3 && premier >= debut && premier + 2 * larg + 2 < fin) {
                        // Nine distinct pixels, all in the band: row by row.
                        for (int dy = 0; dy < 3; ++dy) {
                            const std::size_t q = std::size_t(premier + dy * larg - debut);
                            // The first two as one 16-bit store (their bytes in
                            // memory order on any byte order).
                            const uint8_t deux[2] = {uint8_t(1 + dy), uint8_t(4 + dy)};
                            std::memcpy(marques + q, deux, 2);
                            marques[q + 2] = uint8_t(7 + dy);
                        }
                    } else {
                        // In writing order: where places meet on a narrow image, the last stands.
                        for (int o = 0; o < 9; ++o) {
                            const int64_t q = e + o / 3 - 1 + (o % 3 - 1) * larg;
                            if (q < debut || q >= fin) continue;
                            marques[q - debut] = uint8_t(1 + o);
                        }
                    }
                    etats[e - origine] = *s;
                }
            };
            // Run after run: the drawing order.
            for (int64_t serie = 0; serie < series; ++serie) {
                const int64_t liste = serie * nbBandes + int64_t(bande);
                const int64_t nombre = t.compte[std::size_t(liste)];
                const uint32_t *const spots = bandes + liste * parB;
                marquer(spots, spots + std::min(nombre, parB));
                if (nombre > parB) {
                    const std::vector<uint32_t> &reste = t.debordement[std::size_t(liste)];
                    marquer(reste.data(), reste.data() + reste.size());
                }
            }
            // Every covered pixel from its mark; the others keep what hote holds,
            // or take copie's.
            auto calculer = [&](std::size_t d, std::size_t f) {
                for (std::size_t q = d; q < f; ++q) {
                    const int o = marques[q - std::size_t(debut)] - 1;
                    if (o < 0) {
                        if (copier) hote[q] = copie[q];
                        continue;
                    }
                    if (!k.reference && (o & 1) == 0 && o != 4) {
                        // A corner gives back the pixel (see ContexteTaches).
                        hote[q] = copie[q];
                        continue;
                    }
                    const int64_t e = int64_t(q) - (o / 3 - 1) - int64_t(o % 3 - 1) * larg;
                    hote[q] = Place(copie, int64_t(q), e, o, etats[e - origine], k);
                }
            };
            std::size_t q = std::size_t(debut);
            // Offsets of the centres as 32-bit integers.
            [[maybe_unused]] bool vecteurs = !k.reference && k.ampEnOctets && total < (int64_t(1) << 31);
            // Every possible centre's amplitude, one byte each: a gather of one
            // byte a pixel then, instead of the centre's pixel and its amplitude.
            [[maybe_unused]] const int64_t c0 = std::max<int64_t>(0, origine),
                                           c1 = std::min<int64_t>(total, origine + int64_t(centresLocaux));
#ifdef VELMORA_VBMI
            if (vecteurs && vbmi::AvecVbmi()) {
                Amplitudes64(copie + c0, std::size_t(c1 - c0), amplitudes + (c0 - origine), k.ampOctet);
                q = Places16(copie, hote, q, std::size_t(fin), largeur, marques, etats, amplitudes, origine,
                             copier, k, [&](std::size_t p) { calculer(p, p + 16); });
                vecteurs = false;  // nothing left for the 32-byte path
            }
#endif
#ifdef VELMORA_AVX2
            if (vecteurs && avx2::AvecAvx2()) {
                Amplitudes32(copie + c0, std::size_t(c1 - c0), amplitudes + (c0 - origine), k.ampOctet);
                q = Places8(copie, hote, q, std::size_t(fin), largeur, marques, etats, amplitudes, origine,
                            copier, k, [&](std::size_t p) { calculer(p, p + 8); });
            }
#endif
            calculer(q, std::size_t(fin));
        }
    };
    if (n < int64_t(SeuilParallele) && tirages < 20000)
        traiter(0, std::size_t(nbBandes));
    else
        PourTranches(std::size_t(nbBandes), traiter, 2);
    GraineAlea = g;
}

} // namespace velmora::grainoubr
