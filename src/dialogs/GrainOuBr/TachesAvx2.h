// The spot method's vector kernels on processors with AVX2 but without the
// 64-byte vectors: the marked pixels 8 at a time, exactly as Place computes
// each one (as TachesAvx512.h does 16 at a time), and the centres' amplitudes
// 32 at a time. The draws' helpers are shared with the pseudo-random method.
#pragma once

#include "ContexteTaches.h"
#include "imaging/Avx2.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef VELMORA_AVX2
namespace velmora::grainoubr {

// The high 32 bits of the 8 unsigned products x y.
VELMORA_CIBLE_AVX2 inline __m256i MulHaut8(__m256i x, __m256i y) {
    const __m256i pairs = _mm256_mul_epu32(x, y);
    const __m256i impairs = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), _mm256_srli_epi64(y, 32));
    return _mm256_blend_epi32(_mm256_srli_epi64(pairs, 32), impairs, 0xAA);
}

// X drawn from the states s for amplitudes a >= 0, and the state k steps after e.
VELMORA_CIBLE_AVX2 inline __m256i X8(__m256i s, __m256i a) {
    return _mm256_sub_epi32(_mm256_srli_epi32(a, 1), MulHaut8(s, a));
}
VELMORA_CIBLE_AVX2 inline __m256i Tirage8(__m256i e, int k) {
    return _mm256_add_epi32(_mm256_mullo_epi32(e, _mm256_set1_epi32(int32_t(Sauts[k].a))),
                            _mm256_set1_epi32(int32_t(Sauts[k].c)));
}

// The amplitude of each of the n pixels at p as a spot's centre, as Amplitudes64:
// the mean by a 16-bit product ((R + G + B) x 21846 / 2^16 is within 0.008 above
// s / 3 for s <= 765, so its integer part is s div 3), then the table.
VELMORA_CIBLE_AVX2 inline void Amplitudes32(const TPtImg *p, std::size_t n, uint8_t *sortie,
                                            const uint8_t (&ampOctet)[256]) {
    const avx2::Table table = avx2::ChargerTable(ampOctet);
    const __m256i tiers = _mm256_set1_epi16(21846), zero = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const avx2::Plans c = avx2::Separer32(p + i);
        // Within the lanes both ways: the packing puts the bytes back in order.
        const __m256i bas = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_unpacklo_epi8(c.rouge, zero), _mm256_unpacklo_epi8(c.vert, zero)),
            _mm256_unpacklo_epi8(c.bleu, zero));
        const __m256i haut = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_unpackhi_epi8(c.rouge, zero), _mm256_unpackhi_epi8(c.vert, zero)),
            _mm256_unpackhi_epi8(c.bleu, zero));
        const __m256i m = _mm256_packus_epi16(_mm256_mulhi_epu16(bas, tiers), _mm256_mulhi_epu16(haut, tiers));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(sortie + i), avx2::Chercher(table, m));
    }
    for (; i < n; ++i) sortie[i] = ampOctet[(p[i].Rouge + p[i].Vert + p[i].Bleu) / 3];
}

namespace detail {

// 8 pixels' channels as integers: the 24 bytes as two 16-byte loads (bytes 0-15
// and 8-23, never past the last pixel), pixel k's channel c in lane k.
struct Canaux8 {
    __m256i rouge, vert, bleu;
};

struct SelectionsCanaux8 {
    alignas(32) int8_t s[3][32];  // [channel: 0 blue, 1 green, 2 red]
    constexpr SelectionsCanaux8() : s{} {
        for (int c = 0; c < 3; ++c)
            for (int b = 0; b < 32; ++b) {
                const int k = b / 4, octet = b % 4;
                // The high lane holds bytes 8-23: pixel k (4..7) starts at 3 k - 8 there.
                s[c][b] = int8_t(octet == 0 ? (k < 4 ? 3 * k + c : 3 * k + c - 8) : -128);
            }
    }
};
inline constexpr SelectionsCanaux8 selectionsCanaux8{};

template <class T> VELMORA_CIBLE_AVX2 inline __m256i Charger8(const T *t) {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(t));
}

VELMORA_CIBLE_AVX2 inline __m256i Borne8(__m256i v) {
    return _mm256_min_epi32(_mm256_max_epi32(v, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

VELMORA_CIBLE_AVX2 inline Canaux8 Separer8(const TPtImg *p) {
    const uint8_t *o = reinterpret_cast<const uint8_t *>(p);
    const __m256i x = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(o))),
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(o + 8)), 1);
    const auto &s = selectionsCanaux8.s;
    return {_mm256_shuffle_epi8(x, Charger8(s[2])), _mm256_shuffle_epi8(x, Charger8(s[1])),
            _mm256_shuffle_epi8(x, Charger8(s[0]))};
}

// 8 pixels from their channels (limited to 0..255 here): 24 bytes, not one more.
VELMORA_CIBLE_AVX2 inline void Assembler8(TPtImg *p, const Canaux8 &x) {
    const __m256i mots = _mm256_or_si256(_mm256_or_si256(Borne8(x.bleu), _mm256_slli_epi32(Borne8(x.vert), 8)),
                                         _mm256_slli_epi32(Borne8(x.rouge), 16));
    // Each lane's four pixels as its first 12 bytes.
    const __m256i serres = _mm256_shuffle_epi8(
        mots, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8, 9, 10,
                               12, 13, 14, -1, -1, -1, -1));
    uint8_t *o = reinterpret_cast<uint8_t *>(p);
    const __m128i bas = _mm256_castsi256_si128(serres), haut = _mm256_extracti128_si256(serres, 1);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(o), bas);
    const uint32_t b8 = uint32_t(_mm_extract_epi32(bas, 2));
    std::memcpy(o + 8, &b8, 4);
    _mm_storel_epi64(reinterpret_cast<__m128i *>(o + 12), haut);
    const uint32_t h8 = uint32_t(_mm_extract_epi32(haut, 2));
    std::memcpy(o + 20, &h8, 4);
}

// near(num / den) as QuotientProche16, 8 lanes.
VELMORA_CIBLE_AVX2 inline __m256i QuotientProche8(__m256i num, __m256i den, __m256 inverse) {
    __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(num), inverse));
    __m256i r = _mm256_sub_epi32(num, _mm256_mullo_epi32(q, den));
    // Masks are -1 where true: added, they take one off.
    const __m256i moins = _mm256_cmpgt_epi32(_mm256_setzero_si256(), r);
    q = _mm256_add_epi32(q, moins);
    r = _mm256_add_epi32(r, _mm256_and_si256(moins, den));
    const __m256i plus = _mm256_cmpgt_epi32(r, _mm256_sub_epi32(den, _mm256_set1_epi32(1)));
    q = _mm256_sub_epi32(q, plus);
    r = _mm256_sub_epi32(r, _mm256_and_si256(plus, den));
    const __m256i r2 = _mm256_add_epi32(r, r), un = _mm256_set1_epi32(1);
    const __m256i haut = _mm256_or_si256(
        _mm256_cmpgt_epi32(r2, den),
        _mm256_and_si256(_mm256_cmpeq_epi32(r2, den), _mm256_cmpeq_epi32(_mm256_and_si256(q, un), un)));
    return _mm256_sub_epi32(q, haut);
}

// near(x) for 4 doubles lying within 1e-11 of the rule's values; false when one
// lies too near a half to tell (see ArrondiSur).
VELMORA_CIBLE_AVX2 inline bool Arrondir4(__m256d x, __m128i &v) {
    const __m256d r = _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d ecart = _mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_sub_pd(x, r));
    if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_sub_pd(_mm256_set1_pd(0.5), ecart), _mm256_set1_pd(Marge),
                                         _CMP_LE_OQ)))
        return false;
    v = _mm256_cvtpd_epi32(r);
    return true;
}

} // namespace detail

// The marked pixels [d, f) 8 at a time, as Places16 does 16 at a time: the same
// inputs, a group with an offset too near a half to autres(first). Only places
// 1, 3, 4, 5 and 7 are computed (the corners, even places but the centre, give
// back the pixel), so an 8-entry permutation by place serves every table.
template <class Autres>
VELMORA_CIBLE_AVX2 std::size_t Places8(const TPtImg *copie, TPtImg *hote, std::size_t d, std::size_t f,
                                       int32_t largeur, const uint8_t *place, const uint32_t *etat,
                                       const uint8_t *amplitude, int64_t origine, bool recopier,
                                       const ContexteTaches &k, Autres &&autres) {
    // By place o (0..7): the centre's offset from the pixel, and the generator's
    // steps to the draws of the pixel's three channels.
    alignas(32) int32_t versCentre[8] = {}, sautA[3][8] = {}, sautC[3][8] = {};
    for (int o = 0; o < 8; ++o) {
        versCentre[o] = -(o / 3 - 1) - (o % 3 - 1) * largeur;
        for (int i = 0; i < 3; ++i) {
            sautA[i][o] = int32_t(Sauts[std::size_t(2 + 3 * o + i)].a);
            sautC[i][o] = int32_t(Sauts[std::size_t(2 + 3 * o + i)].c);
        }
    }
    using detail::Charger8;
    const __m256i tVers = Charger8(versCentre);
    const __m256i rang = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i un = _mm256_set1_epi32(1), octet = _mm256_set1_epi32(0xFF);
    const __m256d uwCentre = _mm256_set1_pd(k.uw[0]), twCentre = _mm256_set1_pd(k.tw[0]);
    const __m256d uwCote = _mm256_set1_pd(k.uw[1]), twCote = _mm256_set1_pd(k.tw[1]);
    std::size_t q0 = d;
    for (; q0 + 8 <= f; q0 += 8) {
        const __m256i o = _mm256_sub_epi32(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(place + (q0 - d)))), un);
        const __m256i couvert = _mm256_cmpgt_epi32(o, _mm256_set1_epi32(-1));
        const __m256i centre = _mm256_cmpeq_epi32(o, _mm256_set1_epi32(4));
        // Computed: covered, and odd or the centre.
        const __m256i calcule =
            _mm256_and_si256(couvert, _mm256_or_si256(_mm256_cmpeq_epi32(_mm256_and_si256(o, un), un), centre));
        const detail::Canaux8 p = detail::Separer8(copie + q0);
        detail::Canaux8 sortie = p;
        if (_mm256_movemask_ps(_mm256_castsi256_ps(couvert)) != 0xFF && !recopier) {
            const detail::Canaux8 h = detail::Separer8(hote + q0);
            sortie.bleu = _mm256_blendv_epi8(h.bleu, p.bleu, couvert);
            sortie.vert = _mm256_blendv_epi8(h.vert, p.vert, couvert);
            sortie.rouge = _mm256_blendv_epi8(h.rouge, p.rouge, couvert);
        }
        if (_mm256_movemask_ps(_mm256_castsi256_ps(calcule))) {
            const __m256i e = _mm256_add_epi32(_mm256_add_epi32(_mm256_set1_epi32(int32_t(q0)), rang),
                                               _mm256_permutevar8x32_epi32(tVers, o));
            const __m256i local = _mm256_sub_epi32(e, _mm256_set1_epi32(int32_t(origine)));
            const __m256i A = _mm256_and_si256(
                _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int *>(amplitude),
                                            local, calcule, 1),
                octet);
            const __m256i g = _mm256_mask_i32gather_epi32(
                _mm256_setzero_si256(), reinterpret_cast<const int *>(etat), local, calcule, 4);
            const __m256i xl = X8(Tirage8(g, 1), A);
            // The pixel's mean, at least 1: x 43691 / 2^17 is within 0.002 of x / 3.
            const __m256i m = _mm256_max_epi32(
                _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_add_epi32(_mm256_add_epi32(p.rouge, p.vert), p.bleu),
                                                     _mm256_set1_epi32(43691)),
                                  17),
                un);
            // The weights by half: the centre's or a side's.
            const __m256d centreBas = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm256_castsi256_si128(centre)));
            const __m256d centreHaut = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm256_extracti128_si256(centre, 1)));
            const __m256d uwBas = _mm256_blendv_pd(uwCote, uwCentre, centreBas);
            const __m256d twBas = _mm256_blendv_pd(twCote, twCentre, centreBas);
            const __m256d uwHaut = _mm256_blendv_pd(uwCote, uwCentre, centreHaut);
            const __m256d twHaut = _mm256_blendv_pd(twCote, twCentre, centreHaut);
            const __m256d xlBas = _mm256_cvtepi32_pd(_mm256_castsi256_si128(xl));
            const __m256d xlHaut = _mm256_cvtepi32_pd(_mm256_extracti128_si256(xl, 1));
            const __m256i canaux[3] = {p.rouge, p.vert, p.bleu};
            const __m256 inverse = _mm256_div_ps(_mm256_set1_ps(1), _mm256_cvtepi32_ps(m));
            __m256i v[3];
            bool sur = true;
            for (int i = 0; i < 3 && sur; ++i) {
                const __m256i a = detail::QuotientProche8(_mm256_mullo_epi32(canaux[i], A), m, inverse);
                const __m256i etatCanal =
                    _mm256_add_epi32(_mm256_mullo_epi32(g, _mm256_permutevar8x32_epi32(Charger8(sautA[i]), o)),
                                     _mm256_permutevar8x32_epi32(Charger8(sautC[i]), o));
                const __m256i xc = X8(etatCanal, a);
                const __m256d xcBas = _mm256_cvtepi32_pd(_mm256_castsi256_si128(xc));
                const __m256d xcHaut = _mm256_cvtepi32_pd(_mm256_extracti128_si256(xc, 1));
                __m128i bas, haut;
                sur = detail::Arrondir4(_mm256_add_pd(_mm256_mul_pd(xlBas, uwBas), _mm256_mul_pd(xcBas, twBas)), bas) &&
                      detail::Arrondir4(_mm256_add_pd(_mm256_mul_pd(xlHaut, uwHaut), _mm256_mul_pd(xcHaut, twHaut)), haut);
                if (sur) v[i] = _mm256_add_epi32(_mm256_inserti128_si256(_mm256_castsi128_si256(bas), haut, 1), canaux[i]);
            }
            if (!sur) {
                autres(q0);
                continue;
            }
            sortie.rouge = _mm256_blendv_epi8(sortie.rouge, v[0], calcule);
            sortie.vert = _mm256_blendv_epi8(sortie.vert, v[1], calcule);
            sortie.bleu = _mm256_blendv_epi8(sortie.bleu, v[2], calcule);
        }
        detail::Assembler8(hote + q0, sortie);
    }
    return q0;
}

} // namespace velmora::grainoubr
#endif
