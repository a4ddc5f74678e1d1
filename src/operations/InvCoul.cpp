#include "InvCoul.h"

#include "imaging/BouclePixels.h"
#include <velmora/memoire.h>

#include <cstring>

namespace velmora {

void InverserCouleurs(TPtImg *pixels) {
    const TPtsImg ref = TPtsImg::Referencer(pixels);
    // Bytes, not pixels: 255 - b is the same rule for every channel, and a
    // flat byte loop lets the compiler vectorise it.
    auto *octets = reinterpret_cast<uint8_t *>(ref.data());
    PourTranches(std::size_t(ref.size()) * 3, [octets](std::size_t debut, std::size_t fin) {
        // Blocks of a fixed length through a local pointer: the form the
        // optimiser turns into vector code.
        uint8_t *o = octets + debut, *const bout = octets + fin;
        for (; bout - o >= 64; o += 64)
            for (int k = 0; k < 64; ++k) o[k] = uint8_t(255 - o[k]);
        for (; o < bout; ++o) *o = uint8_t(255 - *o);
    });
}

} // namespace velmora
