// The pseudo-random method: every pixel's fresh noise filtered recursively along
// the scan with the two values before it and the two rows above. The amplitudes
// are tabled here, then the filter runs in integers when the settings allow it
// (PseudoAleaEntier), else in doubles (PseudoAleaReel).
#pragma once

#include "Reglages.h"

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>

namespace velmora::grainoubr {

// Pseudo-random method: every one of the n pixels, 4 draws each, in order.
void MethodePseudoAlea(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                       const Reglages &r);

} // namespace velmora::grainoubr
