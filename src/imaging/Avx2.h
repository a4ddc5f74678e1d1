// 32-byte vector pieces for the pixel loops of processors with AVX2 but without
// the 64-byte byte permutations (most desktop and laptop processors): 32 pixels
// split into their channel planes and put back together, 8 integers at a time
// between them. Each loop that uses them checks AvecAvx2() first, after the
// 64-byte path, and keeps a plain path beside them.
#pragma once

#include <atomic>

namespace velmora::avx2 {

// Cleared by the tests that hold the plain paths to the rule; the plug-in never
// clears it.
inline std::atomic<bool> Permis{true};

} // namespace velmora::avx2

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#  define VELMORA_AVX2 1
#  include "Intrinseques.h"

#  include <velmora/plugin.h>

#  include <cstdint>

#  define VELMORA_CIBLE_AVX2 __attribute__((target("avx2")))

namespace velmora::avx2 {

inline bool AvecAvx2() {
    static const bool oui = __builtin_cpu_supports("avx2");
    return oui && Permis.load(std::memory_order_relaxed);
}

// Channel planes of 32 pixels: byte k of bleu is pixel k's blue, and so on.
struct Plans {
    __m256i bleu, vert, rouge;
};

namespace detail {
// Both 128-bit lanes hold 16 pixels (48 bytes) as three 16-byte pieces; byte
// selections within a lane, -128 giving 0.
struct Selections {
    alignas(32) int8_t separer[3][3][32];    // [channel][piece]
    alignas(32) int8_t assembler[3][3][32];  // [piece][channel]
    alignas(32) int8_t canal8[3][32];        // [channel]: 4 pixels of 12 bytes to 4 integers
    constexpr Selections() : separer{}, assembler{}, canal8{} {
        for (int c = 0; c < 3; ++c)
            for (int b = 0; b < 32; ++b) canal8[c][b] = int8_t(b % 4 == 0 ? 3 * (b % 16 / 4) + c : -128);
        for (int c = 0; c < 3; ++c)
            for (int m = 0; m < 3; ++m)
                for (int b = 0; b < 32; ++b) {
                    const int k = b % 16;  // the same in both lanes
                    const int o = 3 * k + c;  // channel c of pixel k, within the lane's 48 bytes
                    separer[c][m][b] = int8_t(o / 16 == m ? o % 16 : -128);
                    const int o2 = 16 * m + k;  // byte k of piece m: pixel o2 / 3, channel o2 % 3
                    assembler[m][c][b] = int8_t(o2 % 3 == c ? o2 / 3 : -128);
                }
    }
};
inline constexpr Selections selections{};

VELMORA_CIBLE_AVX2 inline __m256i Deux(const uint8_t *bas, const uint8_t *haut) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bas))),
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(haut)), 1);
}

VELMORA_CIBLE_AVX2 inline __m256i Choisir(__m256i x, const int8_t *s) {
    return _mm256_shuffle_epi8(x, _mm256_load_si256(reinterpret_cast<const __m256i *>(s)));
}
} // namespace detail

VELMORA_CIBLE_AVX2 inline Plans Separer32(const TPtImg *p) {
    const uint8_t *o = reinterpret_cast<const uint8_t *>(p);
    __m256i piece[3];
#  pragma GCC unroll 3
    for (int m = 0; m < 3; ++m) piece[m] = detail::Deux(o + 16 * m, o + 48 + 16 * m);
    __m256i plan[3];
#  pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        const auto &s = detail::selections.separer[c];
        plan[c] = _mm256_or_si256(_mm256_or_si256(detail::Choisir(piece[0], s[0]),
                                                  detail::Choisir(piece[1], s[1])),
                                  detail::Choisir(piece[2], s[2]));
    }
    return {plan[0], plan[1], plan[2]};
}

VELMORA_CIBLE_AVX2 inline void Assembler32(TPtImg *p, const Plans &x) {
    uint8_t *o = reinterpret_cast<uint8_t *>(p);
#  pragma GCC unroll 3
    for (int m = 0; m < 3; ++m) {
        const auto &s = detail::selections.assembler[m];
        const __m256i y = _mm256_or_si256(
            _mm256_or_si256(detail::Choisir(x.bleu, s[0]), detail::Choisir(x.vert, s[1])),
            detail::Choisir(x.rouge, s[2]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 16 * m), _mm256_castsi256_si128(y));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 48 + 16 * m), _mm256_extracti128_si256(y, 1));
    }
}

// 8 pixels as 8 integers a channel, straight from their 24 bytes: each lane
// loads 4 pixels (12 of its 16 bytes) and one shuffle a channel spreads them,
// fewer shuffles than planes and Huitieme. Reads 4 bytes past the 8 pixels.
struct Canaux8 {
    __m256i bleu, vert, rouge;
};

VELMORA_CIBLE_AVX2 inline Canaux8 Pixels8(const TPtImg *p) {
    const uint8_t *o = reinterpret_cast<const uint8_t *>(p);
    const __m256i x = detail::Deux(o, o + 12);
    const auto &s = detail::selections.canal8;
    return {detail::Choisir(x, s[0]), detail::Choisir(x, s[1]), detail::Choisir(x, s[2])};
}

// Bytes 8 q .. 8 q + 7 of a plane as 8 integers.
template <int q> VELMORA_CIBLE_AVX2 inline __m256i Huitieme(__m256i plan) {
    const __m128i moitie = q < 2 ? _mm256_castsi256_si128(plan) : _mm256_extracti128_si256(plan, 1);
    return _mm256_cvtepu8_epi32(q % 2 ? _mm_srli_si128(moitie, 8) : moitie);
}

// A plane's 32 bytes as four times 8 integers in the lanes' own order: vector
// j holds bytes 4 j .. 4 j + 3 of each 128-bit lane, that is pixels 4 j .. 4 j + 3
// and 16 + 4 j .. 16 + 4 j + 3 of the block. Unpacks within the lanes, which
// Octets undoes by packs within the lanes: no permutation either way.
struct Quarts {
    __m256i q[4];
};

VELMORA_CIBLE_AVX2 inline Quarts Entiers(__m256i plan) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bas = _mm256_unpacklo_epi8(plan, zero), haut = _mm256_unpackhi_epi8(plan, zero);
    return {{_mm256_unpacklo_epi16(bas, zero), _mm256_unpackhi_epi16(bas, zero),
             _mm256_unpacklo_epi16(haut, zero), _mm256_unpackhi_epi16(haut, zero)}};
}

// Entiers' four vectors, each integer limited to 0..255, as the plane's 32
// bytes. Signed saturation first, so a value above 32767 still limits to 255.
VELMORA_CIBLE_AVX2 inline __m256i Octets(__m256i a, __m256i b, __m256i c, __m256i d) {
    return _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
}

// The 8 integers of v, for scalar code that indexes tables by them. They leave
// by 64-bit moves (32-bit ones on x86-32): storing the vector and loading its
// integers back made the loads wait on the wide store.
VELMORA_CIBLE_AVX2 inline void Extraire(__m256i v, uint32_t (&e)[8]) {
    const __m128i moities[2] = {_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)};
#  pragma GCC unroll 2
    for (int m = 0; m < 2; ++m) {
#  if defined(__x86_64__)
        const uint64_t a = uint64_t(_mm_cvtsi128_si64(moities[m])), b = uint64_t(_mm_extract_epi64(moities[m], 1));
        e[4 * m] = uint32_t(a), e[4 * m + 1] = uint32_t(a >> 32);
        e[4 * m + 2] = uint32_t(b), e[4 * m + 3] = uint32_t(b >> 32);
#  else
        e[4 * m] = uint32_t(_mm_cvtsi128_si32(moities[m]));
        e[4 * m + 1] = uint32_t(_mm_extract_epi32(moities[m], 1));
        e[4 * m + 2] = uint32_t(_mm_extract_epi32(moities[m], 2));
        e[4 * m + 3] = uint32_t(_mm_extract_epi32(moities[m], 3));
#  endif
    }
}

// Bit l of an 8-lane mask of Entiers' vector j, as bit k for pixel k of the block.
inline uint32_t PixelsDe(uint32_t masque, int j) {
    return (masque & 0xFu) << (4 * j) | (masque >> 4) << (16 + 4 * j);
}

// A 256-byte table as sixteen 16-byte rows, each in both lanes. A shuffle
// gives 0 where bit 7 of its index is set: rows 0-7 shuffled by x and rows
// 8-15 by x ^ 0x80 pair up by an OR, and a tree of blends on bits 6, 5 and 4
// picks among the eight pairs (no gathers, which are slow on many processors;
// a comparison per row instead of the blends took a third longer, and blends
// on bit 7 too took a tenth longer than the OR).
struct Table {
    __m256i rangee[16];
};

VELMORA_CIBLE_AVX2 inline Table ChargerTable(const uint8_t *t) {
    Table r;
    for (int h = 0; h < 16; ++h)
        r.rangee[h] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(t + 16 * h)));
    return r;
}

VELMORA_CIBLE_AVX2 inline __m256i Chercher(const Table &t, __m256i x) {
    const __m256i haut = _mm256_xor_si256(x, _mm256_set1_epi8(char(0x80)));
    __m256i r[8];
#  pragma GCC unroll 8
    for (int h = 0; h < 8; ++h)
        r[h] = _mm256_or_si256(_mm256_shuffle_epi8(t.rangee[h], x), _mm256_shuffle_epi8(t.rangee[h + 8], haut));
    // A blend follows bit 7 of each byte of its mask: bits 6, 5, 4 of x shifted
    // there (the 16-bit shift brings nothing into bit 7 from the other byte).
    const __m256i m6 = _mm256_slli_epi16(x, 1), m5 = _mm256_slli_epi16(x, 2), m4 = _mm256_slli_epi16(x, 3);
#  pragma GCC unroll 4
    for (int h = 0; h < 4; ++h) r[h] = _mm256_blendv_epi8(r[2 * h], r[2 * h + 1], m4);
    r[0] = _mm256_blendv_epi8(r[0], r[1], m5);
    r[1] = _mm256_blendv_epi8(r[2], r[3], m5);
    r[0] = _mm256_blendv_epi8(r[0], r[1], m6);
    return r[0];
}

// Sums in units of 2^-s that stand within `marge` units of a rule's exact value,
// each first moved by Decaler (x + 2^(s-1) + marge, one addition): which of them
// lie too near a half to be rounded here, (x - 2^(s-1) + marge) mod 2^s <= 2 marge,
// that is the moved sum's low s bits (Reste); and the others rounded. Past
// 2 marge in those bits, taking marge back would not cross a multiple of 2^s,
// so the moved sum's shift is Round(x 2^-s) (halves never reach it: they are
// doubtful).
struct Arrondi {
    __m256i decale, masque, seuil;
    __m128i decalage;

    VELMORA_CIBLE_AVX2 Arrondi(int s, int32_t marge)
        : decale(_mm256_set1_epi32((int32_t(1) << (s - 1)) + marge)),
          masque(_mm256_set1_epi32((int32_t(1) << s) - 1)),
          seuil(_mm256_set1_epi32(2 * marge + 1)), decalage(_mm_cvtsi32_si128(s)) {}
    VELMORA_CIBLE_AVX2 __m256i Decaler(__m256i x) const { return _mm256_add_epi32(x, decale); }
    // The least of several sums' restes tells whether any is doubtful;
    // Douteux gives one bit a lane.
    VELMORA_CIBLE_AVX2 __m256i Reste(__m256i decalee) const { return _mm256_and_si256(decalee, masque); }
    VELMORA_CIBLE_AVX2 uint32_t Douteux(__m256i reste) const {
        return uint32_t(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(seuil, reste))));
    }
    VELMORA_CIBLE_AVX2 __m256i Arrondis(__m256i decalee) const { return _mm256_sra_epi32(decalee, decalage); }
};

} // namespace velmora::avx2
#endif
