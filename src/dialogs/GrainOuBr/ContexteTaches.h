// One spot's rule, pixel by pixel: what a spot needs besides the pixels (its
// tables, made once for the settings), and what a place of a spot writes into
// its pixel. Shared by the spot method's plain and vector paths.
#pragma once

#include "Arrondis.h"
#include "Generateur.h"
#include "Reglages.h"

#include <velmora/plugin.h>

#include <cmath>
#include <cstdint>

namespace velmora::grainoubr {

// What a spot needs besides the pixels.
struct ContexteTaches {
    int32_t amp[256];      // amp of the integer mean of the centre
    uint8_t ampOctet[256];  // the same in bytes, when ampEnOctets (a level up to 255)
    bool ampEnOctets = true;
    uint64_t inverse[256];  // floor(2^32 / m) + 1
    Reel w[3];            // weight by dx² + dy²: centre, sides, corners
    double uw[3], tw[3];   // (1 − t) w and t w in doubles; 0 at the corners (see Place)
    Reel u, t;
    bool reference;

    explicit ContexteTaches(const Reglages &r) : u(r.UnMoinsT), t(r.t), reference(r.Reference) {
        for (int m = 0; m < 256; ++m) {
            amp[m] = Amplitude(Reel(m), r.Niveau);
            ampOctet[m] = uint8_t(amp[m]);
            ampEnOctets = ampEnOctets && amp[m] >= 0 && amp[m] <= 255;
            inverse[m] = (uint64_t(1) << 32) / uint64_t(m == 0 ? 1 : m) + 1;
        }
        for (int d2 = 0; d2 < 3; ++d2) {
            w[d2] = std::cos(std::sqrt(Reel(d2)) / 1.5L) - 0.5875L;
            // A corner: |Xl × (1 − t) + Xc × t| <= 638 (a <= 5 A), times the weight
            // 0.0000172 stays below 0.011, which rounds to 0: the pixel keeps its value.
            uw[d2] = d2 == 2 ? 0 : double(r.UnMoinsT * w[d2]);
            tw[d2] = d2 == 2 ? 0 : double(r.t * w[d2]);
        }
    }

    // near(c × A / m)
    int32_t AmplitudeCanal(int32_t cA, int32_t m) const {
        return QuotientProche(uint32_t(cA), uint32_t(m), inverse[m]);
    }

    // near((Xl × (1 − t) + Xc × t) × w)
    int32_t Decalage(int32_t xl, int32_t xc, int d2) const {
        int32_t v;
        if (!reference && ArrondiSur(xl * uw[d2] + xc * tw[d2], v)) return v;
        return int32_t(Round((Reel(xl) * u + Reel(xc) * t) * w[d2]));
    }
};

// What place `ordre` (0..8, dx outer, dy inner) of the spot at e, whose 28 draws
// start from state g, writes into pixel p = e + dx + dy largeur: depends on
// nothing else, so each pixel can be computed apart from the others.
[[gnu::always_inline]] inline TPtImg Place(const TPtImg *copie, int64_t p, int64_t e, int ordre, uint32_t g,
                    const ContexteTaches &k) {
    const int dx = ordre / 3 - 1, dy = ordre % 3 - 1, d2 = dx * dx + dy * dy;
    const int tirage = 2 + 3 * ordre;
    const TPtImg centre = copie[e];
    const int32_t A = k.amp[(centre.Rouge + centre.Vert + centre.Bleu) / 3];
    const int32_t xl = XDe(Sauts[1](g), A);
    const TPtImg px = copie[p];
    int32_t m = (px.Rouge + px.Vert + px.Bleu) / 3;
    if (m == 0) m = 1;
    const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
    int32_t v[3];
    for (int i = 0; i < 3; ++i) {
        const int32_t xc = XDe(Sauts[tirage + i](g), k.AmplitudeCanal(canaux[i] * A, m));
        v[i] = k.Decalage(xl, xc, d2) + canaux[i];
    }
    return {Borne(v[2]), Borne(v[1]), Borne(v[0])};
}

constexpr int TiragesTache = 28;

} // namespace velmora::grainoubr
