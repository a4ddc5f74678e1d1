// The spot method's vector kernels, on processors with 64-byte vectors: the
// marked pixels 16 at a time, draws, quotients and offsets in vectors, exactly
// as Place computes each one; the walk over the drawn positions 16 at a time.
#pragma once

#include "ContexteTaches.h"
#include "imaging/Vbmi.h"

#include <cstddef>
#include <cstdint>

#ifdef VELMORA_VBMI
namespace velmora::grainoubr {

// The high 32 bits of the 16 unsigned products x y.
VELMORA_CIBLE_VBMI inline __m512i MulHaut(__m512i x, __m512i y) {
    const __m512i pairs = _mm512_mul_epu32(x, y);
    const __m512i impairs = _mm512_mul_epu32(_mm512_srli_epi64(x, 32), _mm512_srli_epi64(y, 32));
    return _mm512_mask_blend_epi32(__mmask16(0xAAAA), _mm512_srli_epi64(pairs, 32), impairs);
}

// X drawn from the states s for amplitudes a >= 0: (a div 2) - high word of s a.
VELMORA_CIBLE_VBMI inline __m512i X16(__m512i s, __m512i a) {
    return _mm512_sub_epi32(_mm512_srli_epi32(a, 1), MulHaut(s, a));
}

// (R + G + B) div 3 for sums up to 765: x 43691 / 2^17 is within 0.002 of x / 3.
VELMORA_CIBLE_VBMI inline __m512i Moyenne16(__m512i somme) {
    return _mm512_srli_epi32(_mm512_mullo_epi32(somme, _mm512_set1_epi32(43691)), 17);
}

// near(num / den), 0 <= num <= 65025, 1 <= den <= 255, inverse the float 1 / den
// (one division for a pixel's three channels): num x inverse is within 0.008 of
// the true quotient, so truncated it is off by one at most, which the remainder
// mends; then the remainder rounds, a half to the even quotient.
VELMORA_CIBLE_VBMI inline __m512i QuotientProche16(__m512i num, __m512i den, __m512 inverse) {
    __m512i q = _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(num), inverse));
    __m512i r = _mm512_sub_epi32(num, _mm512_mullo_epi32(q, den));
    const __m512i un = _mm512_set1_epi32(1);
    const __mmask16 moins = _mm512_cmplt_epi32_mask(r, _mm512_setzero_si512());
    q = _mm512_mask_sub_epi32(q, moins, q, un);
    r = _mm512_mask_add_epi32(r, moins, r, den);
    const __mmask16 plus = _mm512_cmpge_epi32_mask(r, den);
    q = _mm512_mask_add_epi32(q, plus, q, un);
    r = _mm512_mask_sub_epi32(r, plus, r, den);
    const __m512i r2 = _mm512_add_epi32(r, r);
    const __mmask16 haut = _mm512_cmpgt_epi32_mask(r2, den) |
                           (_mm512_cmpeq_epi32_mask(r2, den) &
                            _mm512_test_epi32_mask(q, un));
    return _mm512_mask_add_epi32(q, haut, q, un);
}

// (R + G + B) div 3 of 32 pixels' channel bytes, in bytes.
VELMORA_CIBLE_VBMI inline __m256i Moyennes32(__m256i r, __m256i v, __m256i b, __m512i tiers) {
    const __m512i s = _mm512_add_epi16(_mm512_add_epi16(_mm512_cvtepu8_epi16(r), _mm512_cvtepu8_epi16(v)),
                                       _mm512_cvtepu8_epi16(b));
    return _mm512_cvtepi16_epi8(_mm512_mulhi_epu16(s, tiers));
}

// The amplitude of each of the n pixels at p as a spot's centre, amp of its
// integer mean, one byte each into sortie: 64 at a time, the mean by a 16-bit
// product ((R + G + B) x 21846 / 2^16 is within 0.008 above s / 3 for s <= 765,
// so its integer part is s div 3) and the amplitude by a byte permutation.
VELMORA_CIBLE_VBMI inline void Amplitudes64(const TPtImg *p, std::size_t n, uint8_t *sortie,
                                            const uint8_t (&ampOctet)[256]) {
    const vbmi::Table table = vbmi::ChargerTable(ampOctet);
    const __m512i tiers = _mm512_set1_epi16(21846);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const vbmi::Plans c = vbmi::Separer64(p + i);
        const __m256i bas = Moyennes32(_mm512_castsi512_si256(c.rouge), _mm512_castsi512_si256(c.vert),
                                       _mm512_castsi512_si256(c.bleu), tiers);
        const __m256i haut = Moyennes32(_mm512_extracti64x4_epi64(c.rouge, 1), _mm512_extracti64x4_epi64(c.vert, 1),
                                        _mm512_extracti64x4_epi64(c.bleu, 1), tiers);
        const __m512i m = _mm512_inserti64x4(_mm512_castsi256_si512(bas), haut, 1);
        _mm512_storeu_si512(sortie + i, vbmi::Chercher(table, m, _mm512_movepi8_mask(m)));
    }
    for (; i < n; ++i) sortie[i] = ampOctet[(p[i].Rouge + p[i].Vert + p[i].Bleu) / 3];
}

// near(x) for 8 doubles lying within 1e-11 of the rule's values; false when one
// lies too near a half to tell (see ArrondiSur).
VELMORA_CIBLE_VBMI inline bool Arrondir8(__m512d x, __m256i &v) {
    const __m512d r = _mm512_roundscale_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512d ecart = _mm512_abs_pd(_mm512_sub_pd(x, r));
    if (_mm512_cmp_pd_mask(_mm512_sub_pd(_mm512_set1_pd(0.5), ecart), _mm512_set1_pd(Marge),
                           _CMP_LE_OQ))
        return false;
    v = _mm512_cvtpd_epi32(r);
    return true;
}

// The marked pixels [d, f) 16 at a time, as Place computes each one (corners
// copied, unmarked pixels kept, or copied with recopier); place holds the marks
// of [d, f), etat[e - origine] the state at centre e and amplitude[e - origine]
// its amplitude (Amplitudes64; read 4 bytes at a time, so 3 bytes beyond the
// last centre are readable). A group with an offset too near a half goes to
// autres(first). Returns where it stopped.
template <class Autres>
VELMORA_CIBLE_VBMI std::size_t Places16(const TPtImg *copie, TPtImg *hote, std::size_t d,
                                        std::size_t f, int32_t largeur, const uint8_t *place,
                                        const uint32_t *etat, const uint8_t *amplitude, int64_t origine,
                                        bool recopier, const ContexteTaches &k, Autres &&autres) {
    // By place o (0..8): the centre's offset from the pixel, the first draw of the
    // pixel's channels.
    alignas(64) int32_t versCentre[16] = {}, tirage[16] = {};
    for (int o = 0; o < 9; ++o) {
        versCentre[o] = -(o / 3 - 1) - (o % 3 - 1) * largeur;
        tirage[o] = 2 + 3 * o;
    }
    alignas(64) uint32_t sautA[32] = {}, sautC[32] = {};
    for (std::size_t j = 0; j < Sauts.size(); ++j) sautA[j] = Sauts[j].a, sautC[j] = Sauts[j].c;
    const __m512i tVers = _mm512_load_si512(versCentre), tTirage = _mm512_load_si512(tirage);
    const __m512i aBas = _mm512_load_si512(sautA), aHaut = _mm512_load_si512(sautA + 16);
    const __m512i cBas = _mm512_load_si512(sautC), cHaut = _mm512_load_si512(sautC + 16);
    const __m512i rang = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m512i un = _mm512_set1_epi32(1), octet = _mm512_set1_epi32(0xFF);
    const __m512d uwCentre = _mm512_set1_pd(k.uw[0]), twCentre = _mm512_set1_pd(k.tw[0]);
    const __m512d uwCote = _mm512_set1_pd(k.uw[1]), twCote = _mm512_set1_pd(k.tw[1]);
    std::size_t q0 = d;
    for (; q0 + 16 <= f; q0 += 16) {
        // The row below, ahead of the gathers of the centres there: the
        // stream's own prefetching reaches it only a row later.
        _mm_prefetch(reinterpret_cast<const char *>(copie + q0 + std::size_t(largeur) + 64), _MM_HINT_T0);
        const __m512i o = _mm512_sub_epi32(
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(place + (q0 - d)))), un);
        const __mmask16 couvert = _mm512_cmpge_epi32_mask(o, _mm512_setzero_si512());
        // Corners: o even and not 4.
        const __mmask16 coin = couvert & ~_mm512_test_epi32_mask(o, un) &
                               _mm512_cmpneq_epi32_mask(o, _mm512_set1_epi32(4));
        const __mmask16 calcule = couvert & ~coin;
        const vbmi::Canaux16 p = vbmi::Separer(copie + q0);
        // The corners as the pixel; hote read only where a pixel is left uncovered
        // and keeps it.
        vbmi::Canaux16 sortie = p;
        if (couvert != 0xFFFF && !recopier) {
            const vbmi::Canaux16 h = vbmi::Separer(hote + q0);
            sortie.bleu = _mm512_mask_mov_epi32(h.bleu, couvert, p.bleu);
            sortie.vert = _mm512_mask_mov_epi32(h.vert, couvert, p.vert);
            sortie.rouge = _mm512_mask_mov_epi32(h.rouge, couvert, p.rouge);
        }
        if (calcule) {
            const __m512i oIndice = _mm512_and_si512(o, _mm512_set1_epi32(15));
            // The spot's centre and its amplitude.
            const __m512i e = _mm512_add_epi32(_mm512_add_epi32(_mm512_set1_epi32(int32_t(q0)), rang),
                                               _mm512_permutexvar_epi32(oIndice, tVers));
            const __m512i local = _mm512_sub_epi32(e, _mm512_set1_epi32(int32_t(origine)));
            const __m512i A = _mm512_and_si512(
                _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), calcule, local, amplitude, 1), octet);
            const __m512i g = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), calcule, local, etat, 4);
            const __m512i xl = X16(_mm512_add_epi32(_mm512_mullo_epi32(g, _mm512_set1_epi32(int32_t(Sauts[1].a))),
                                                    _mm512_set1_epi32(int32_t(Sauts[1].c))),
                                   A);
            // The pixel's mean, at least 1.
            const __m512i m = _mm512_max_epi32(
                Moyenne16(_mm512_add_epi32(_mm512_add_epi32(p.rouge, p.vert), p.bleu)), un);
            const __mmask16 centre = _mm512_cmpeq_epi32_mask(o, _mm512_set1_epi32(4));
            const __m512d uwBas = _mm512_mask_blend_pd(__mmask8(centre), uwCote, uwCentre);
            const __m512d twBas = _mm512_mask_blend_pd(__mmask8(centre), twCote, twCentre);
            const __m512d uwHaut = _mm512_mask_blend_pd(__mmask8(centre >> 8), uwCote, uwCentre);
            const __m512d twHaut = _mm512_mask_blend_pd(__mmask8(centre >> 8), twCote, twCentre);
            const __m512d xlBas = _mm512_cvtepi32_pd(_mm512_castsi512_si256(xl));
            const __m512d xlHaut = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(xl, 1));
            const __m512i premier = _mm512_permutexvar_epi32(oIndice, tTirage);
            const __m512i canaux[3] = {p.rouge, p.vert, p.bleu};
            const __m512 inverse = _mm512_div_ps(_mm512_set1_ps(1), _mm512_cvtepi32_ps(m));
            __m512i v[3];
            bool sur = true;
            for (int i = 0; i < 3 && sur; ++i) {
                const __m512i a = QuotientProche16(_mm512_mullo_epi32(canaux[i], A), m, inverse);
                const __m512i j = _mm512_add_epi32(premier, _mm512_set1_epi32(i));
                const __m512i etatCanal = _mm512_add_epi32(
                    _mm512_mullo_epi32(g, _mm512_permutex2var_epi32(aBas, j, aHaut)),
                    _mm512_permutex2var_epi32(cBas, j, cHaut));
                const __m512i xc = X16(etatCanal, a);
                const __m512d xcBas = _mm512_cvtepi32_pd(_mm512_castsi512_si256(xc));
                const __m512d xcHaut = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(xc, 1));
                __m256i bas, haut;
                sur = Arrondir8(_mm512_add_pd(_mm512_mul_pd(xlBas, uwBas), _mm512_mul_pd(xcBas, twBas)), bas) &&
                      Arrondir8(_mm512_add_pd(_mm512_mul_pd(xlHaut, uwHaut), _mm512_mul_pd(xcHaut, twHaut)), haut);
                if (sur)
                    v[i] = _mm512_add_epi32(_mm512_inserti64x4(_mm512_castsi256_si512(bas), haut, 1), canaux[i]);
            }
            if (!sur) {
                autres(q0);
                continue;
            }
            sortie.rouge = _mm512_mask_mov_epi32(sortie.rouge, calcule, v[0]);
            sortie.vert = _mm512_mask_mov_epi32(sortie.vert, calcule, v[1]);
            sortie.bleu = _mm512_mask_mov_epi32(sortie.bleu, calcule, v[2]);
        }
        vbmi::Assembler(hote + q0, vbmi::Joindre(vbmi::Octets(sortie.bleu), vbmi::Octets(sortie.vert),
                                                 vbmi::Octets(sortie.rouge)));
    }
    return q0;
}

// The generator's state after drawn positions from g, 16 at a time as if all
// were kept (the first one left out, if any, is where the next 16 start from),
// a kept one at a state in [premierGarde, premierGarde + gardes); nombre is left
// below 16.
VELMORA_CIBLE_VBMI inline uint32_t SauterTirages16(uint32_t g, int64_t &nombre, uint32_t premierGarde,
                                                   uint32_t gardes) {
    alignas(64) uint32_t a[16], c[16];
    for (int j = 0; j < 16; ++j) {
        const Saut s = SautDe(1 + uint64_t(1 + TiragesTache) * uint64_t(j));
        a[j] = s.a, c[j] = s.c;
    }
    const __m512i va = _mm512_load_si512(a), vc = _mm512_load_si512(c);
    const __m512i premier = _mm512_set1_epi32(int32_t(premierGarde)), nombreGardes = _mm512_set1_epi32(int32_t(gardes));
    const Saut seize = SautDe(uint64_t(1 + TiragesTache) * 16);
    while (nombre >= 16) {
        const __m512i positions = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_set1_epi32(int32_t(g)), va), vc);
        const __mmask16 laisses =
            _mm512_cmpge_epu32_mask(_mm512_sub_epi32(positions, premier), nombreGardes);
        if (laisses == 0) {
            g = seize(g);
            nombre -= 16;
        } else {
            const int j = __builtin_ctz(laisses);
            g = a[j] * g + c[j];
            nombre -= j + 1;
        }
    }
    return g;
}

} // namespace velmora::grainoubr
#endif
