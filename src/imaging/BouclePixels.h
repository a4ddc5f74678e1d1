// Runs a per-pixel rule over a range, splitting large ranges across the cores.
// Only for rules whose result does not depend on the order of the pixels.
#pragma once

#include "Fpu.h"

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace velmora {

// Below this many pixels a second thread costs more than it saves
// (the preview thumbnail always stays on the calling thread).
inline constexpr std::size_t SeuilParallele = std::size_t(1) << 18;

// corps(debut, fin) processes pixels [debut, fin). Items heavier than a pixel
// (bands of rows) give a lower seuil.
template <class Corps>
void PourTranches(std::size_t n, Corps &&corps, std::size_t seuil = SeuilParallele) {
    const std::size_t coeurs = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t tranches =
        n < std::max<std::size_t>(seuil, 2) ? 1 : std::min<std::size_t>({coeurs, 16, n});
    if (tranches <= 1) {
        corps(std::size_t(0), n);
        return;
    }
    std::vector<std::jthread> fils;
    fils.reserve(tranches - 1);
    const std::size_t pas = (n + tranches - 1) / tranches;
    // A new thread starts with the system's floating-point settings, not the caller's.
    const fpu::Environnement environnement = fpu::Lire();
    for (std::size_t t = 1; t < tranches; ++t) {
        const std::size_t d = std::min(n, t * pas), f = std::min(n, d + pas);
        fils.emplace_back([&corps, d, f, environnement] {
            fpu::Ecrire(environnement);
            corps(d, f);
        });
    }
    corps(std::size_t(0), std::min(n, pas));
}

// regle(const T& entree) -> T, element by element from src into dst (may alias).
template <class T, class Regle>
void TransformerPixels(const T *src, T *dst, std::size_t n, Regle &&regle) {
    PourTranches(n, [&](std::size_t d, std::size_t f) {
        for (std::size_t i = d; i < f; ++i) dst[i] = regle(src[i]);
    });
}

} // namespace velmora
