// The grain's settings as the sliders give them, and the amplitude of the
// noise they set for a brightness.
#pragma once

#include "imaging/Numerique.h"

#include <cstdint>

namespace velmora::grainoubr {

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

} // namespace velmora::grainoubr
