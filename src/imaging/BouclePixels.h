// Runs a per-pixel rule over a range, splitting large ranges across the cores.
// Only for rules whose result does not depend on the order of the pixels.
#pragma once

#include "Fpu.h"

#include <algorithm>
#include <cstddef>
#include <exception>
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
    const std::size_t pas = (n + tranches - 1) / tranches;
    auto tranche = [&](std::size_t t) {
        const std::size_t d = std::min(n, t * pas);
        corps(d, std::min(n, d + pas));
    };
    // What a slice throws (an allocation that fails) is carried here and
    // thrown once every slice has ended: no thread outlives the call and
    // nothing ends the process.
    std::vector<std::exception_ptr> erreurs(tranches);
    std::vector<std::jthread> fils;
    fils.reserve(tranches - 1);
    // A new thread starts with the system's floating-point settings, not the caller's.
    const fpu::Environnement environnement = fpu::Lire();
    std::size_t lancees = 1;
    for (; lancees < tranches; ++lancees) {
        try {
            fils.emplace_back([&tranche, &erreurs, t = lancees, environnement] {
                fpu::Ecrire(environnement);
                try {
                    tranche(t);
                } catch (...) {
                    erreurs[t] = std::current_exception();
                }
            });
        } catch (...) {
            // No thread to be had (a process or address-space limit): the
            // slices left run here, so the result is whole all the same.
            break;
        }
    }
    try {
        tranche(0);
        for (std::size_t t = lancees; t < tranches; ++t) tranche(t);
    } catch (...) {
        erreurs[0] = std::current_exception();
    }
    for (std::jthread &f : fils) f.join();
    for (const std::exception_ptr &e : erreurs)
        if (e) std::rethrow_exception(e);
}

// regle(const T& entree) -> T, element by element from src into dst (may alias).
template <class T, class Regle>
void TransformerPixels(const T *src, T *dst, std::size_t n, Regle &&regle) {
    PourTranches(n, [&](std::size_t d, std::size_t f) {
        for (std::size_t i = d; i < f; ++i) dst[i] = regle(src[i]);
    });
}

} // namespace velmora
