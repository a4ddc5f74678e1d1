// 64-byte vector pieces for the pixel loops, on processors with AVX-512 VBMI
// (byte permutations): a 256-byte table held in four registers, and 16 pixels
// split into their channels and put back together. Each loop that uses them
// checks AvecVbmi() first and keeps a plain path beside them.
#pragma once

#include "Numerique.h"

#include <cmath>

#include <atomic>

namespace velmora::vbmi {

// Cleared by the tests that hold the plain paths to the rule on a processor
// that has the vectors; the plug-in never clears it.
inline std::atomic<bool> Permis{true};

// The 16-pixel paths form a rule's sum as c1 q1 + c2 q2 + c3 q3 over channels
// c <= 255, with q = Round(2^s k) for the rule's coefficients k. The largest s
// (at most 24) that keeps the sum and its half within 2^30 for coefficients whose
// magnitudes add up to pire; 0 when s would fall under 12 (units too coarse for
// the margins the paths allow).
inline int DecalageProduits(Reel pire) {
    int s = 24;
    while (s >= 12 && std::ldexp(255 * pire + 1, s) > std::ldexp(Reel(1), 30)) --s;
    return s < 12 ? 0 : s;
}

} // namespace velmora::vbmi

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#  define VELMORA_VBMI 1
// GCC 12 takes the undefined start value of many AVX-512 intrinsics for an
// uninitialised variable (its own headers' lines; GCC 13 no longer does).
#  if !defined(__clang__)
#    pragma GCC diagnostic push
#    pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#  endif
#  include <immintrin.h>
#  if !defined(__clang__)
#    pragma GCC diagnostic pop
#  endif

#  include <velmora/plugin.h>

#  include <cstdint>

#  define VELMORA_CIBLE_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace velmora::vbmi {

inline bool AvecVbmi() {
    static const bool oui = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return oui && Permis.load(std::memory_order_relaxed);
}

// A 256-byte table in four registers: two 128-entry permutes, chosen by bit 7.
struct Table {
    __m512i t0, t1, t2, t3;
};

VELMORA_CIBLE_VBMI inline Table ChargerTable(const uint8_t *t) {
    return {_mm512_loadu_si512(t), _mm512_loadu_si512(t + 64), _mm512_loadu_si512(t + 128),
            _mm512_loadu_si512(t + 192)};
}

// table[x] for each byte of x; haut: the bytes of x from 128 up (bit 7), when
// several tables look up the same bytes.
VELMORA_CIBLE_VBMI inline __m512i Chercher(const Table &t, __m512i x, __mmask64 haut) {
    const __m512i bas = _mm512_permutex2var_epi8(t.t0, x, t.t1);
    const __m512i hauts = _mm512_permutex2var_epi8(t.t2, x, t.t3);
    return _mm512_mask_blend_epi8(haut, bas, hauts);
}
VELMORA_CIBLE_VBMI inline __m512i Chercher(const Table &t, __m512i x) {
    return Chercher(t, x, _mm512_movepi8_mask(x));
}

// 16 pixels (48 bytes, read exactly) as three vectors of 16 integers.
struct Canaux16 {
    __m512i bleu, vert, rouge;
};

// The bytes of x at the 16 places given, as 16 integers.
VELMORA_CIBLE_VBMI inline __m512i Extraire(__m512i x, const uint8_t *places) {
    // The zeroing forms: the plain ones start from an undefined register, which
    // some compilers take for an uninitialised variable.
    const __m512i o = _mm512_maskz_permutexvar_epi8(~__mmask64(0), _mm512_load_si512(places), x);
    return _mm512_maskz_cvtepu8_epi32(__mmask16(0xFFFF),
                                      _mm512_maskz_extracti32x4_epi32(__mmask8(0xF), o, 0));
}

VELMORA_CIBLE_VBMI inline Canaux16 Separer(const TPtImg *p) {
    const __m512i x = _mm512_maskz_loadu_epi8(__mmask64(0xFFFFFFFFFFFF), p);
    alignas(64) static constexpr uint8_t places[3][64] = {
        {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45},
        {1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31, 34, 37, 40, 43, 46},
        {2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 32, 35, 38, 41, 44, 47}};
    return {Extraire(x, places[0]), Extraire(x, places[1]), Extraire(x, places[2])};
}

// Bytes 0..15 blue, 16..31 green, 32..47 red of x written as 16 pixels (48 bytes exactly).
VELMORA_CIBLE_VBMI inline void Assembler(TPtImg *p, __m512i x) {
    alignas(64) static constexpr uint8_t indices[64] = {
        0,  16, 32, 1,  17, 33, 2,  18, 34, 3,  19, 35, 4,  20, 36, 5,
        21, 37, 6,  22, 38, 7,  23, 39, 8,  24, 40, 9,  25, 41, 10, 26,
        42, 11, 27, 43, 12, 28, 44, 13, 29, 45, 14, 30, 46, 15, 31, 47};
    _mm512_mask_storeu_epi8(p, __mmask64(0xFFFFFFFFFFFF),
                            _mm512_maskz_permutexvar_epi8(~__mmask64(0), _mm512_load_si512(indices), x));
}

// Three vectors of 16 bytes as bytes 0..15, 16..31 and 32..47 of one.
VELMORA_CIBLE_VBMI inline __m512i Joindre(__m128i bleu, __m128i vert, __m128i rouge) {
    __m512i x = _mm512_castsi128_si512(bleu);
    x = _mm512_maskz_inserti32x4(__mmask16(0xFFFF), x, vert, 1);
    return _mm512_maskz_inserti32x4(__mmask16(0xFFFF), x, rouge, 2);
}

// (x + demi) >> s for 16 integers: x / 2^s rounded, halves up.
VELMORA_CIBLE_VBMI inline __m512i Arrondir(__m512i x, __m512i demi, int s) {
    return _mm512_maskz_srai_epi32(__mmask16(0xFFFF), _mm512_add_epi32(x, demi), unsigned(s));
}

// Sums in units of 2^-s that stand within `marge` units of a rule's exact value:
// which of them lie too near a half to be rounded here, and the others rounded.
struct Arrondi {
    int s;
    __m512i demi, bas, masque, seuil;

    VELMORA_CIBLE_VBMI Arrondi(int decalage, int32_t marge)
        : s(decalage), demi(_mm512_set1_epi32(int32_t(1) << (decalage - 1))),
          bas(_mm512_set1_epi32((int32_t(1) << (decalage - 1)) - marge)),
          masque(_mm512_set1_epi32((int32_t(1) << decalage) - 1)),
          seuil(_mm512_set1_epi32(2 * marge + 1)) {}
    // Within marge of a half: (x - demi + marge) mod 2^s <= 2 marge.
    VELMORA_CIBLE_VBMI __mmask16 Douteux(__m512i x) const {
        return _mm512_cmplt_epi32_mask(_mm512_and_si512(_mm512_sub_epi32(x, bas), masque), seuil);
    }
    VELMORA_CIBLE_VBMI __m512i Arrondis(__m512i x) const { return Arrondir(x, demi, s); }
};

// 16 integers limited to 0..255, as 16 bytes.
VELMORA_CIBLE_VBMI inline __m128i Octets(__m512i x) {
    return _mm512_maskz_cvtusepi32_epi8(
        __mmask16(0xFFFF), _mm512_maskz_max_epi32(__mmask16(0xFFFF), x, _mm512_setzero_si512()));
}

} // namespace velmora::vbmi
#endif
