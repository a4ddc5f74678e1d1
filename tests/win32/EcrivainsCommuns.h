// What the two Linux writers of expected results share: the entry points they
// call, the callback that records each notice, and their input images.
#pragma once

#include <velmora/plugin.h>

#include <QImage>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace attendus {

using FnAdrRetour = void (*)(void *, void *);
using FnXchgData = void (*)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t,
                            uint32_t, uint32_t, TPtImg *, TPtImg *, uint32_t, uint32_t);

// The notices received, arguments 2 to 9, argument 8 reduced to its low byte.
inline std::vector<std::array<int32_t, 8>> appels;

inline void Retour(void *, int32_t l, int32_t h, int32_t r1, int32_t r2, int32_t zone,
                   int32_t zero, int32_t modifiee, int32_t fin) {
    appels.push_back({l, h, r1, r2, zone, zero, modifiee & 0xFF, fin});
}

// Deterministic bytes, every value occurring in large images.
inline std::vector<uint8_t> Aleatoire(std::size_t octets, uint32_t graine) {
    std::vector<uint8_t> v(octets);
    uint32_t x = graine * 2654435761u + 12345u;
    for (auto &o : v) {
        x = x * 1664525u + 1013904223u;
        o = uint8_t(x >> 24);
    }
    return v;
}

// A photograph's pixels as the plug-in takes them: blue, green, red.
inline std::vector<uint8_t> Photo(const QImage &image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> v;
    v.reserve(std::size_t(rgb.width()) * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t *ligne = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            v.insert(v.end(), {ligne[3 * x + 2], ligne[3 * x + 1], ligne[3 * x]});
    }
    return v;
}

} // namespace attendus
