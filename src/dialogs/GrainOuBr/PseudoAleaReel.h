// The pseudo-random filter in doubles, for any settings: the fast path rounds
// what lies clearly off a half, the extended rule settles the rest.
#pragma once

#include "Reglages.h"

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::grainoubr {

// The pseudo-random method's fresh noise of a pixel, (Xl (1 − t) + Xc t) / S by
// channel R, G, B (the fourth 0), and its draws, for the extended rule.
struct Bruit {
    double a[4];
    int16_t xl, xc[3];
};

// The filtered values of the two rows above one column, by channel (the fourth 0).
struct Colonne {
    double r1[4] = {0, 0, 0, 0}, r2[4] = {0, 0, 0, 0};
};

// amp by pixel sum s = R + G + B, near(c × A / m) at s × 256 + c.
void PseudoAleaReel(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                    const Reglages &r, const std::vector<int32_t> &amp,
                    const std::vector<int16_t> &ampCanal);

} // namespace velmora::grainoubr
