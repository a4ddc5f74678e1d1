// Pixel packing and the colour helpers used by the dialogs' per-pixel rules.
#pragma once

#include "Numerique.h"
#include <velmora/plugin.h>
#include <cstdint>
#include <cstring>

namespace velmora {

static_assert(sizeof(TPtImg) == 3, "a pixel is exactly three bytes");

// A pixel as R*65536 + G*256 + B (bits 24..31 ignored by every helper).
using ValeurPixel = uint32_t;
// User-interface colour: red in the low byte ($00BBGGRR).
using TColor = uint32_t;

struct TCanaux {
    int32_t Rouge, Vert, Bleu;
};
struct TCanauxLum {
    int32_t Rouge, Vert, Bleu, Lum;
};

inline ValeurPixel ValeurDe(TPtImg p) {
    return (uint32_t(p.Rouge) << 16) | (uint32_t(p.Vert) << 8) | p.Bleu;
}

inline TCanaux CanauxDePixel(ValeurPixel v) {
    return {int32_t((v >> 16) & 0xFF), int32_t((v >> 8) & 0xFF), int32_t(v & 0xFF)};
}

inline TCanaux CanauxDeTColor(TColor c) {
    return {int32_t(c & 0xFF), int32_t((c >> 8) & 0xFF), int32_t((c >> 16) & 0xFF)};
}

inline TCanauxLum CanauxMoyenne(ValeurPixel v) {
    TCanaux c = CanauxDePixel(v);
    return {c.Rouge, c.Vert, c.Bleu, Div(c.Rouge + c.Vert + c.Bleu, 3)};
}

inline int32_t CanauxMaxi(ValeurPixel v, TCanauxLum &out) {
    TCanaux c = CanauxDePixel(v);
    int32_t m = c.Rouge > c.Vert ? c.Rouge : c.Vert;
    if (c.Bleu > m) m = c.Bleu;
    out = {c.Rouge, c.Vert, c.Bleu, m};
    return m;
}

// Same rule, for callers holding the pixel as a plain integer.
inline int32_t CanauxMaxiVal(uint32_t v, TCanauxLum &out) { return CanauxMaxi(v, out); }

inline TPtImg PixelDeValeur(ValeurPixel v) {
    return {uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF), uint8_t((v >> 16) & 0xFF)};
}

// Each channel times the factor, rounded, limited to 0..255.
inline TPtImg MultiplierPixel(ValeurPixel v, Reel facteur) {
    TCanaux c = CanauxDePixel(v);
    return {Octet(c.Bleu * facteur), Octet(c.Vert * facteur), Octet(c.Rouge * facteur)};
}

// Saturation change through luminance and two colour differences.
inline TPtImg SaturerPixel(ValeurPixel v, Reel f) {
    const TCanaux c = CanauxDePixel(v);
    const Reel R = c.Rouge, G = c.Vert, B = c.Bleu;
    const Reel Y = 0.299L * R + 0.587L * G + 0.114L * B;
    const Reel U = f * (-0.169L * R - 0.331L * G + 0.5L * B);
    const Reel V = f * (0.5L * R - 0.419L * G - 0.081L * B);
    const Reel r = Y - 0.0009267L * U + 1.4016868L * V;
    const Reel g = Y - 0.3436954L * U - 0.714169L * V;
    const Reel b = Y + 1.7721604L * U + 0.0009902L * V;
    return {Octet(b), Octet(g), Octet(r)};
}

} // namespace velmora
