#include "InvCoul.h"

#include "imaging/BouclePixels.h"
#include <velmora/memoire.h>

#include <algorithm>
#include <cstring>

namespace velmora {

void InverserCouleurs(TPtImg *pixels) {
    const TPtsImg ref = TPtsImg::Referencer(pixels);
    // A negative count (a header the host wrote wrongly) is an empty array.
    InverserPixels(ref.data(), std::size_t(std::max<int32_t>(ref.size(), 0)));
}

void InverserPixels(TPtImg *pixels, std::size_t nPixels) {
    // Bytes, not pixels: 255 - b is the same rule for every channel, and a
    // flat byte loop lets the compiler vectorise it.
    auto *octets = reinterpret_cast<uint8_t *>(pixels);
    const std::size_t n = nPixels * 3;
    PourTranches(n, [octets](std::size_t debut, std::size_t fin) {
        // Blocks of a fixed length through a local pointer: the form the
        // optimiser turns into vector code.
        uint8_t *o = octets + debut, *const bout = octets + fin;
        for (; bout - o >= 64; o += 64)
            for (int k = 0; k < 64; ++k) o[k] = uint8_t(255 - o[k]);
        for (; o < bout; ++o) *o = uint8_t(255 - *o);
    });
}

} // namespace velmora
