#include "PseudoAlea.h"

#include "PseudoAleaEntier.h"
#include "PseudoAleaReel.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::grainoubr {

void MethodePseudoAlea(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                       const Reglages &r) {
    if (n == 0 || largeur <= 0) return;
    // amp and near(c × A / m) depend on the pixel's sum s = R + G + B and the channel
    // value c only: computed once by the extended rule, for the c a sum allows
    // (s - 510 <= c <= s) and, in an image with fewer pixels than the table has
    // entries (a preview), for the sums it holds only.
    std::vector<int32_t> amp(766);
    // One entry more: the vector path reads each one as 32 bits.
    std::vector<int16_t> ampCanal(766 * 256 + 1);
    std::vector<bool> tenue;
    if (n < 766 * 256) {
        tenue.assign(766, false);
        for (std::size_t i = 0; i < n; ++i) tenue[copie[i].Rouge + copie[i].Vert + copie[i].Bleu] = true;
    }
    int32_t ampMax = 0;  // of every entry: the integer filter's bound
    for (int s = 0; s < 766; ++s) {
        Reel m = Reel(s) / 3;
        if (m == 0) m = 1;
        amp[s] = Amplitude(m, r.Niveau);
        ampMax = std::max(ampMax, amp[s]);
        if (!tenue.empty() && !tenue[std::size_t(s)]) continue;
        for (int c = std::max(0, s - 510); c <= std::min(255, s); ++c) {
            ampCanal[s * 256 + c] = int16_t(Round(Reel(c * amp[s]) / m));
            ampMax = std::max<int32_t>(ampMax, ampCanal[s * 256 + c]);
        }
    }
    // Halves of small integers as weights and a colour share of 0, 1/2 or 1:
    // integers throughout.
    const auto demiEntier = [](Reel k) { return k >= 0 && k <= 32 && 2 * k == std::floor(2 * k); };
    if (!r.Reference && demiEntier(r.K1) && demiEntier(r.K2) &&
        ((r.t == 0 && r.UnMoinsT == 1) || (r.t == 0.5L && r.UnMoinsT == 0.5L) || (r.t == 1 && r.UnMoinsT == 0))) {
        if (PseudoAleaEntier(copie, hote, n, largeur, int32_t(2 * r.K1), int32_t(2 * r.K2),
                             int32_t(2 * r.UnMoinsT), int32_t(2 * r.t), amp, ampCanal, ampMax))
            return;
    }
    PseudoAleaReel(copie, hote, n, largeur, r, amp, ampCanal);
}

} // namespace velmora::grainoubr
