// What the two curve targets share: the test image, the edit an input asks for,
// and the checks after it.
#pragma once

#include "imaging/EditeurProfil.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace velmora::fuzz {

// Every level in every channel, each channel in another order.
inline const TPtImg *ImageEssai() {
    static TPtImg image[256];
    static const bool faite = [] {
        for (int i = 0; i < 256; ++i)
            image[i] = {uint8_t(i), uint8_t(255 - i), uint8_t((i * 37) & 255)};
        return true;
    }();
    (void)faite;
    return image;
}

// An edit, read from the bytes the loader leaves unread after the blocks
// (curve, then X and Y as signed 16-bit, so they may lie far off the graph);
// without them, the first two bytes of the file on the first curve.
struct Edition {
    int courbe = 0;
    int32_t x = 0, y = 0;
};

inline Edition LireEdition(const uint8_t *d, std::size_t n, std::size_t finBlocs) {
    Edition e;
    if (n >= finBlocs + 5) {
        const uint8_t *a = d + finBlocs;
        e.courbe = a[0];
        e.x = int16_t(uint16_t(a[1] | a[2] << 8));
        e.y = int16_t(uint16_t(a[3] | a[4] << 8));
    } else {
        e.x = n > 0 ? d[0] : 0;
        e.y = n > 1 ? d[1] : 0;
    }
    return e;
}

// The edit, checked against the same edit at the point brought onto the graph.
inline void Modifier(TProfil &p, const Edition &e, Noyau noyau) {
    TProfil serre = p;
    ModifProfil(p, e.x, e.y, noyau);
    ModifProfil(serre, SerrerGraphe(e.x), SerrerGraphe(e.y), noyau);
    if (!(serre == p)) std::abort();
}

} // namespace velmora::fuzz
