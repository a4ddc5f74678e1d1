// Grain or noise: the library's pseudo-random generator, the amplitude of the
// noise by brightness, the spot method and the recursively filtered
// pseudo-random method, and the label texts. Rules only, no toolkit; the
// dialog is TAjoutGrain.
#pragma once

#include "imaging/Numerique.h"

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::grainoubr {

// The generator's state: 0 when the library is loaded, never seeded, running on
// from one computation and one opening to the next.
extern uint32_t GraineAlea;

// One draw: the state advances (x 134775813 + 1, modulo 2^32), then the high 32
// bits of state x n: a value in 0..n - 1 (0 for n = 0).
inline uint32_t Alea(uint32_t n) {
    GraineAlea = GraineAlea * 134775813u + 1u;
    return uint32_t((uint64_t(GraineAlea) * n) >> 32);
}

// Centred draw: (a div 2) - Alea(a), for a >= 0.
inline int32_t X(int32_t a) { return a / 2 - int32_t(Alea(uint32_t(a))); }

// near(sin²(m × π/255) × niveau).
int32_t Amplitude(Reel m, int32_t niveau);

// The settings as the sliders give them.
struct Reglages {
    int32_t Niveau = 0;  // L, NivBr 0..255
    int32_t D = 3;       // 10 - DstPt
    Reel K1 = 1, K2 = 1;  // Ord1 / 2, Ord2 / 2
    Reel t = 0.5L, UnMoinsT = 0.5L;
    // Every value through the extended rule, without the fast paths (the
    // reference the fast paths are checked against).
    bool Reference = false;

    void DefinirNiveau(int32_t position) { Niveau = position; }
    void DefinirTxCl(int32_t position) {
        t = Reel(position) / 10;
        UnMoinsT = 1 - t;
    }
    void DefinirDstPt(int32_t position) { D = 10 - position; }
    void DefinirOrd1(int32_t position) { K1 = Reel(position) / 2; }
    void DefinirOrd2(int32_t position) { K2 = Reel(position) / 2; }
    friend bool operator==(const Reglages &, const Reglages &) = default;
};

// The spot method's working buffers, about 7 bytes a pixel. Their owner keeps
// them from one computation to the next on the same image (a slider release
// after another): fresh ones each time cost their first-touch page faults, as
// much as the marking itself.
struct TamponsTaches {
    // place: 0 for a pixel no spot covers, else 1 + its place in the last spot.
    std::vector<uint8_t> place;
    // etat, at a spot's centre: the generator state before the draws of the last
    // spot there. A pixel's mark gives the centre of the last spot over it, and
    // the last spot at that centre is that one (a later one there would cover
    // the pixel again, at the same place): one store a spot instead of nine.
    std::unique_ptr<uint32_t[]> etat;
    std::size_t tailleEtat = 0;
    // The batch's spots by band, each band in drawing order: the generator state
    // that drew the position, which gives the position again (half the memory of both).
    std::vector<std::vector<uint32_t>> bande;
};

// Spot method over largeur x hauteur pixels: (N div D) + 1 drawn positions, a
// 3 x 3 spot at each one strictly between the first two and the last two rows.
// Reads copie only, writes the covered pixels of hote. Works in `tampons` when
// given (kept for the next call), else in buffers of its own.
void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r, TamponsTaches *tampons = nullptr);

// One spot centred on pixel e (2 largeur < e < N - 2 largeur): 28 draws.
void AjouteTache(const TPtImg *copie, TPtImg *hote, int32_t e, int32_t largeur,
                 const Reglages &r);

// Pseudo-random method: every one of the n pixels, 4 draws each, in order.
void MethodePseudoAlea(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                       const Reglages &r);

// Label texts (UTF-8).
std::string TexteNBr(int32_t position);   // "0 %"
std::string TexteBC(int32_t position);    // "50 %"
std::string TexteDPt(int32_t position);   // "N/3"
std::string TexteKm(int32_t position, const std::string &separateur);  // "1,0"

} // namespace velmora::grainoubr
