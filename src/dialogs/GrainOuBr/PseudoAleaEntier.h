// The pseudo-random filter in integers, for halves of small integers as weights
// and a colour share of 0, 1/2 or 1.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::grainoubr {

// The filter when every term is a multiple of 1/2 (colour share 0, 1/2 or 1,
// weights K1 and K2 halves of small integers): with N = 2 (Xl (1 - t) + Xc t) +
// 2 K1 (r1 + p1) + 2 K2 (r2 + p2), an integer, the extended rule's value is N / 2S,
// each sum exact and the quotient correctly rounded; it is a half only when N / 2S
// is one. So Round gives near(N / 2S), halves to even, read from a table by N.
// Bounds: |X| <= a div 2 for an amplitude a <= 765, so |N0| = |2 (Xl (1 - t) + Xc t)|
// <= 2 Xmax; each filtered value is Round of a weighted mean (weights 1, K1, K1, K2,
// K2 over S) of N0 / 2 and earlier values, so |v| <= Xmax too, and |N| <= 2 Xmax S.
// The chain from one pixel to the next is a load. Returns false, having done
// nothing, when 2 Xmax S does not fit 16 bits (weights beyond the sliders').
bool PseudoAleaEntier(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                      int32_t m1, int32_t m2, int32_t u2, int32_t t2, const std::vector<int32_t> &amp,
                      const std::vector<int16_t> &ampCanal, int32_t ampMax);

} // namespace velmora::grainoubr
