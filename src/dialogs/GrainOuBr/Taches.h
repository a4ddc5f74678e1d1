// The spot method: 3 x 3 spots of noise at drawn positions, the last spot over
// a pixel giving its value.
#pragma once

#include "Reglages.h"

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmora::grainoubr {

// The spot method's working buffers. Their owner keeps them from one
// computation to the next on the same image (a slider release after another):
// fresh ones each time cost their first-touch page faults, as much as the
// marking itself.
struct TamponsTaches {
    // The spots by run of draws and band of the image, each list in drawing
    // order: the generator state that drew the position, which gives the
    // position again. List l's first parBande at l x parBande, on large pages;
    // the few a list may hold beyond them (far above its mean share) in
    // debordement[l]; compte[l] counts both.
    std::unique_ptr<uint32_t[]> bandes;
    std::size_t tailleBandes = 0;
    std::vector<uint32_t> compte;
    std::vector<std::vector<uint32_t>> debordement;
    // When not 0, the room of a list on the pages if smaller than the one the
    // image gets: chance alone almost never fills a list, so the tests give a
    // small one to send spots to debordement.
    std::size_t placeParListe = 0;
    // A band's marks and states, one pair per core at work, in its cache:
    // place, 0 for a pixel no spot covers, else 1 + its place in the last spot;
    // etat, at a spot's centre: the generator state before the draws of the last
    // spot there. A pixel's mark gives the centre of the last spot over it, and
    // the last spot at that centre is that one (a later one there would cover
    // the pixel again, at the same place): one store a spot instead of nine.
    // amplitude: for the vector path, each centre's amplitude, one byte each.
    struct Bande {
        std::unique_ptr<uint8_t[]> place;
        std::unique_ptr<uint32_t[]> etat;
        std::unique_ptr<uint8_t[]> amplitude;
        std::size_t taille = 0;
    };
    std::vector<Bande> coeurs;
};

// Spot method over largeur x hauteur pixels: (N div D) + 1 drawn positions, a
// 3 x 3 spot at each one strictly between the first two and the last two rows.
// Reads copie only, writes the covered pixels of hote; with recopier, the others
// too, from copie (the unprocessed image put back in the same pass). Works in
// `tampons` when given (kept for the next call), else in buffers of its own.
void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r, TamponsTaches *tampons = nullptr, bool recopier = false);

// One spot centred on pixel e (2 largeur < e < N - 2 largeur): 28 draws.
void AjouteTache(const TPtImg *copie, TPtImg *hote, int32_t e, int32_t largeur,
                 const Reglages &r);

} // namespace velmora::grainoubr
