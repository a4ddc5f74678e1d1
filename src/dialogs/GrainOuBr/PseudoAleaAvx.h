// The pseudo-random filter's vector kernel, on processors with AVX: the three
// channels of a pixel in one vector.
#pragma once

#include "Arrondis.h"
#include "PseudoAleaReel.h"
#include "imaging/Vbmi.h"  // the vector headers, GCC 12's false alarm on them silenced

#include <cstddef>
#include <cstdint>

namespace velmora::grainoubr {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#  define VELMORA_FILTRE_AVX 1
#  define VELMORA_CIBLE_AVX __attribute__((target("avx")))

inline bool AvecAvx() {
    static const bool oui = __builtin_cpu_supports("avx");
    return oui;
}

// The filter over pixels [d, f), the three channels of a pixel in one vector: the
// same sums as one channel at a time, in the same order. A value near a half is
// the even neighbour when halves are exact (demisExacts), else trancher(k, q, vd,
// p1, p2) decides it by the rule, p1 and p2 being the channel's previous values.
template <class Trancher>
VELMORA_CIBLE_AVX void FiltrerAvx(const TPtImg *copie, TPtImg *hote, std::size_t d,
                                  std::size_t f, const Bruit *bruit, Colonne *lignes,
                                  int32_t largeur, int32_t &colonne, double *prec1, double *prec2,
                                  double k1S, double k2S, bool demisExacts, Trancher &&trancher) {
    int32_t col = colonne;  // in a register: the stores below could be taken for changes to it
    const __m256d vk1 = _mm256_set1_pd(k1S), vk2 = _mm256_set1_pd(k2S),
                  magique = _mm256_set1_pd(6755399441055744.0), demi = _mm256_set1_pd(0.5),
                  marge = _mm256_set1_pd(Marge), un = _mm256_set1_pd(1), signe = _mm256_set1_pd(-0.0);
    __m256d p1 = _mm256_loadu_pd(prec1), p2 = _mm256_loadu_pd(prec2);
    for (std::size_t i = d; i < f; ++i, ++bruit) {
        Colonne &l = lignes[col];
        const __m256d r1 = _mm256_loadu_pd(l.r1), r2 = _mm256_loadu_pd(l.r2);
        // Only the last value along the scan waits for the pixel before.
        const __m256d base = _mm256_add_pd(
            _mm256_add_pd(_mm256_loadu_pd(bruit->a), _mm256_mul_pd(_mm256_add_pd(r2, p2), vk2)),
            _mm256_mul_pd(r1, vk1));
        const __m256d q = _mm256_add_pd(base, _mm256_mul_pd(p1, vk1));
        __m256d vd = _mm256_sub_pd(_mm256_add_pd(q, magique), magique);
        const __m256d pres = _mm256_cmp_pd(
            _mm256_sub_pd(demi, _mm256_andnot_pd(signe, _mm256_sub_pd(q, vd))), marge, _CMP_LE_OQ);
        if (const int douteux = _mm256_movemask_pd(pres)) {
            if (demisExacts) {
                // The neighbour across q, and whichever of the two is even.
                const __m256d autre = _mm256_blendv_pd(_mm256_add_pd(vd, un), _mm256_sub_pd(vd, un),
                                                       _mm256_cmp_pd(vd, q, _CMP_GT_OQ));
                const __m256d moitie = _mm256_mul_pd(vd, demi);
                const __m256d impair = _mm256_cmp_pd(moitie, _mm256_floor_pd(moitie), _CMP_NEQ_OQ);
                vd = _mm256_blendv_pd(vd, _mm256_blendv_pd(vd, autre, impair), pres);
            } else {
                alignas(32) double v[4], qs[4], a1[4], a2[4];
                _mm256_store_pd(v, vd);
                _mm256_store_pd(qs, q);
                _mm256_store_pd(a1, p1);
                _mm256_store_pd(a2, p2);
                for (int k = 0; k < 3; ++k)
                    if (douteux >> k & 1) v[k] = trancher(bruit, l, k, qs[k], v[k], a1[k], a2[k]);
                vd = _mm256_load_pd(v);
            }
        }
        p2 = p1;
        p1 = vd;
        _mm256_storeu_pd(l.r2, r1);
        _mm256_storeu_pd(l.r1, vd);
        const TPtImg px = copie[i];
        const __m128i v = _mm_add_epi32(_mm256_cvttpd_epi32(vd), _mm_set_epi32(0, px.Bleu, px.Vert, px.Rouge));
        const __m128i o = _mm_packus_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128());
        const uint32_t rvb = uint32_t(_mm_cvtsi128_si32(o));
        hote[i] = {uint8_t(rvb >> 16), uint8_t(rvb >> 8), uint8_t(rvb)};
        if (++col == largeur) col = 0;
    }
    colonne = col;
    _mm256_storeu_pd(prec1, p1);
    _mm256_storeu_pd(prec2, p2);
}
#endif

} // namespace velmora::grainoubr
