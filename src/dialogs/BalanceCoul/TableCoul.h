// The colour-temperature scale of the balance hue: 71 temperatures, 3000 K to
// 10000 K in steps of 100 K, indexed by the position of the slider TempCoul.
#pragma once

#include "imaging/ParamCoul.h"

#include <array>
#include <cstdint>

namespace velmora {

struct TempCoulRec {
    int32_t Temperature;  // kelvin
    TColor Couleur;       // $00BBGGRR
};

inline constexpr int32_t NbTempCoul = 71;

extern const std::array<TempCoulRec, NbTempCoul> TTempCoul;

} // namespace velmora
