// The L, G, C, S rule as the dialog builds it from its four sliders (gamma
// position, contrast, luminosity, saturation): for the tests and the benchmarks.
#pragma once

#include "dialogs/AjustImg/AjustImg.h"

namespace velmora::ajustimg {

inline RegleAjustCoul RegleDe(int32_t g, int32_t c, int32_t l, int32_t s) {
    Reglages st;
    st.ValeurGamma = ValeurGamma(g);
    st.Contraste = c;
    st.Luminosite = l;
    st.ValeurSaturation = s;
    st.CalculerGamma();
    st.CalculerContraste();
    st.CalculerLum();
    st.ReconstruireLGC();
    RegleAjustCoul r;
    r.Definir(st.TableLGC, st.Facteur());
    return r;
}

} // namespace velmora::ajustimg
