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
#  include "Intrinseques.h"

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

// ---- 64 pixels at a time: 192 bytes in three full registers, no masked
// loads or stores (a masked 48-byte access across a cache line cost a copy of
// the image's worth of time on its own in the rules' loops).

// Channel planes of 64 pixels: byte k of bleu is pixel k's blue, and so on.
struct Plans {
    __m512i bleu, vert, rouge;
};

namespace detail {
// Index vectors of the two permutes that gather channel c of 64 pixels: the
// first from bytes 0..127 (pixels whose byte 3k + c lies there), the second
// from bytes 128..191 for the rest (entries 64 + (3k + c - 128), read from the
// third register as the second half of the pair).
struct IndicesSeparer {
    alignas(64) uint8_t premier[3][64];
    alignas(64) uint8_t second[3][64];
    __mmask64 depuisTroisieme[3];
    constexpr IndicesSeparer() : premier{}, second{}, depuisTroisieme{} {
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 64; ++k) {
                const int o = 3 * k + c;
                premier[c][k] = uint8_t(o & 127);
                second[c][k] = uint8_t(o >= 128 ? 64 + (o - 128) : 0);
                if (o >= 128) depuisTroisieme[c] |= __mmask64(1) << k;
            }
    }
};
// Output register j (bytes 64 j .. 64 j + 63) of 64 pixels: byte p is channel
// (64 j + p) mod 3 of pixel (64 j + p) / 3; first from the blue and green
// planes (green as entries 64..127), then the red bytes over them.
struct IndicesAssembler {
    alignas(64) uint8_t bleuVert[3][64];
    alignas(64) uint8_t rouge[3][64];
    __mmask64 rouges[3];
    constexpr IndicesAssembler() : bleuVert{}, rouge{}, rouges{} {
        for (int j = 0; j < 3; ++j)
            for (int p = 0; p < 64; ++p) {
                const int o = 64 * j + p, pixel = o / 3, c = o % 3;
                bleuVert[j][p] = uint8_t(c == 1 ? 64 + pixel : pixel);
                rouge[j][p] = uint8_t(pixel);
                if (c == 2) rouges[j] |= __mmask64(1) << p;
            }
    }
};
inline constexpr IndicesSeparer indicesSeparer{};
inline constexpr IndicesAssembler indicesAssembler{};
} // namespace detail

namespace detail {
VELMORA_CIBLE_VBMI inline __m512i Plan(__m512i a, __m512i b, __m512i c, int k) {
    const IndicesSeparer &ix = indicesSeparer;
    const __m512i x = _mm512_permutex2var_epi8(a, _mm512_load_si512(ix.premier[k]), b);
    return _mm512_mask_permutex2var_epi8(x, ix.depuisTroisieme[k], _mm512_load_si512(ix.second[k]), c);
}
} // namespace detail

VELMORA_CIBLE_VBMI inline Plans Separer64(const TPtImg *p) {
    const uint8_t *o = reinterpret_cast<const uint8_t *>(p);
    const __m512i a = _mm512_loadu_si512(o), b = _mm512_loadu_si512(o + 64),
                  c = _mm512_loadu_si512(o + 128);
    return {detail::Plan(a, b, c, 0), detail::Plan(a, b, c, 1), detail::Plan(a, b, c, 2)};
}

VELMORA_CIBLE_VBMI inline void Assembler64(TPtImg *p, const Plans &x) {
    uint8_t *o = reinterpret_cast<uint8_t *>(p);
    const detail::IndicesAssembler &ix = detail::indicesAssembler;
#  pragma GCC unroll 3
    for (int j = 0; j < 3; ++j) {
        const __m512i bv = _mm512_permutex2var_epi8(x.bleu, _mm512_load_si512(ix.bleuVert[j]), x.vert);
        _mm512_storeu_si512(o + 64 * j, _mm512_mask_permutexvar_epi8(
                                            bv, ix.rouges[j], _mm512_load_si512(ix.rouge[j]), x.rouge));
    }
}

// Bytes 16 q .. 16 q + 15 of a plane as 16 integers.
template <int q> VELMORA_CIBLE_VBMI inline __m512i Quart(__m512i plan) {
    return _mm512_maskz_cvtepu8_epi32(__mmask16(0xFFFF),
                                      _mm512_maskz_extracti32x4_epi32(__mmask8(0xF), plan, q));
}

// Four times 16 integers, limited to 0..255, as the 64 bytes of a plane in order.
VELMORA_CIBLE_VBMI inline __m512i Emballer(__m512i a, __m512i b, __m512i c, __m512i d) {
    // The packs work within 128-bit lanes: lane l ends up holding a, b, c, d's
    // integers 4 l .. 4 l + 3 in turn; one permute of double words orders them.
    // Signed saturation first, so a value above 32767 still limits to 255.
    const __m512i octets = _mm512_packus_epi16(_mm512_packs_epi32(a, b), _mm512_packs_epi32(c, d));
    alignas(64) static constexpr int32_t ordre[16] = {0, 4, 8, 12, 1, 5, 9, 13,
                                                      2, 6, 10, 14, 3, 7, 11, 15};
    return _mm512_maskz_permutexvar_epi32(__mmask16(0xFFFF), _mm512_load_si512(ordre), octets);
}

} // namespace velmora::vbmi
#endif
