// The ring of noise blocks of the pseudo-random method: each pixel's draws and
// fresh noise made a block ahead, on another core when there is one, while the
// filter, sequential along the scan, consumes them. Set up here once for both
// filters (integers and doubles): the ring, the generator's state at each
// block and after the last one.
#pragma once

#include "Generateur.h"
#include "imaging/Fpu.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace velmora::grainoubr {

// Blocks made by produire(b) and consumed in order by filtrer(b), through a ring
// of `anneau` slots, each then finished by rendre(b). With two cores or more the
// making runs on another thread, at most `anneau` blocks ahead; each side sleeps
// while the other is behind. A filtered block is finished by whichever side has
// time: the filter's, when the next block is not made yet (it would wait), else
// the maker's, before it makes the block that takes the slot (or at the end).
template <class Produire, class Filtrer, class Rendre>
void EnAvance(std::size_t nbBlocs, std::size_t anneau, Produire &&produire, Filtrer &&filtrer,
              Rendre &&rendre) {
    auto enTour = [&] {
        for (std::size_t b = 0; b < nbBlocs; ++b) {
            produire(b);
            filtrer(b);
            rendre(b);
        }
    };
    if (nbBlocs < 4 || std::thread::hardware_concurrency() < 2) {
        enTour();
        return;
    }
    std::atomic<std::size_t> produits{0}, filtres{0};
    // By slot: whether its block is finished. Each side reads what the other
    // wrote before the count it waited for.
    std::vector<char> rendu(anneau, 0);
    const fpu::Environnement environnement = fpu::Lire();
    std::jthread producteur;
    try {
        producteur = std::jthread([&] {
            fpu::Ecrire(environnement);
            auto finir = [&](std::size_t b) {
                for (std::size_t vu = filtres.load(); vu <= b; vu = filtres.load()) filtres.wait(vu);
                if (!rendu[b % anneau]) rendre(b);
            };
            for (std::size_t b = 0; b < nbBlocs; ++b) {
                if (b >= anneau) finir(b - anneau);
                rendu[b % anneau] = 0;
                produire(b);
                produits.store(b + 1);
                produits.notify_one();
            }
            for (std::size_t b = nbBlocs - std::min(anneau, nbBlocs); b < nbBlocs; ++b) finir(b);
        });
    } catch (...) {
        // No thread to be had (a process or address-space limit): nothing is
        // made yet, so the blocks are made and filtered in turn here.
        enTour();
        return;
    }
    for (std::size_t b = 0; b < nbBlocs; ++b) {
        for (std::size_t vu = produits.load(); vu <= b; vu = produits.load()) produits.wait(vu);
        filtrer(b);
        if (b + 1 == nbBlocs || produits.load() <= b + 1) {
            rendre(b);
            rendu[b % anneau] = 1;
        }
        filtres.store(b + 1);
        filtres.notify_one();
    }
}

// Each pixel's noise record made ahead of the filter that consumes it: pixels
// [0, n) in blocks of Bloc through a ring of Blocs slots (EnAvance).
// produire(d, f, sortie, g) writes the records of pixels d..f-1 from g, the
// generator's state at pixel d (4 draws a pixel from the current one);
// filtrer(d, f, bruit) reads them in order, and may leave in them what
// rendre(d, f, bruit) then reads. The generator is left past the n pixels' draws.
template <class Bruit, std::size_t Bloc, std::size_t Blocs, class Produire, class Filtrer, class Rendre>
void BruitEnAvance(std::size_t n, Produire &&produire, Filtrer &&filtrer, Rendre &&rendre) {
    const std::size_t nbBlocs = (n + Bloc - 1) / Bloc;
    // No more slots than blocks, and a lone block no longer than the image.
    std::vector<Bruit> anneau(nbBlocs == 1 ? n : std::min(Blocs, nbBlocs) * Bloc);
    const uint32_t g0 = GraineAlea;
    const auto bloc = [&](std::size_t b) { return anneau.data() + (b % Blocs) * Bloc; };
    EnAvance(
        nbBlocs, Blocs,
        [&](std::size_t b) {
            const std::size_t d = b * Bloc;
            produire(d, std::min(n, d + Bloc), bloc(b), SautDe(4 * uint64_t(d))(g0));
        },
        [&](std::size_t b) {
            const std::size_t d = b * Bloc;
            filtrer(d, std::min(n, d + Bloc), bloc(b));
        },
        [&](std::size_t b) {
            const std::size_t d = b * Bloc;
            rendre(d, std::min(n, d + Bloc), static_cast<const Bruit *>(bloc(b)));
        });
    GraineAlea = SautDe(4 * uint64_t(n))(g0);
}

template <class Bruit, std::size_t Bloc, std::size_t Blocs, class Produire, class Filtrer>
void BruitEnAvance(std::size_t n, Produire &&produire, Filtrer &&filtrer) {
    BruitEnAvance<Bruit, Bloc, Blocs>(n, produire, filtrer, [](std::size_t, std::size_t, const Bruit *) {});
}

} // namespace velmora::grainoubr
