#include "PseudoAleaEntier.h"

#include "Anneau.h"
#include "Arrondis.h"
#include "Generateur.h"
#include "TachesAvx2.h"
#include "TachesAvx512.h"
#include "imaging/Avx2.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace velmora::grainoubr {

namespace {

// A pixel's N0 by channel, which the filter replaces with the filtered value.
struct Bruit2 {
    int16_t n0[3], libre;
};

// By N: the value, and its products by the two weights (|m v| <= 10 Xmax fits
// 16 bits), so that the chain from one pixel to the next is a load: the next N
// takes m1 v as it is.
struct Proche {
    int16_t v, m1v, m2v, libre;
};

// The scan over the k records that follow the channels' last values (kept in
// m1p1, m2p1, m2p2 from one call to the next): each record holds the part of N
// known before the scan and gets the filtered value in its place.
void Parcourir(Bruit2 *b, std::size_t k, const Proche *proche, int32_t m1p1[3], int32_t m2p1[3],
               int32_t m2p2[3]) {
    // Address-sized: no widening of the index on the chain.
    std::ptrdiff_t a1 = m1p1[0], b1 = m1p1[1], c1 = m1p1[2];
    std::ptrdiff_t a2 = m2p1[0], b2 = m2p1[1], c2 = m2p1[2];
    std::ptrdiff_t a3 = m2p2[0], b3 = m2p2[1], c3 = m2p2[2];
    for (Bruit2 *const fin = b + k; b != fin; ++b) {
        // Each entry's address but the last term, off the chain; the barrier keeps
        // the compiler from moving that term into the sum, which would put an
        // addition and an address computation on the chain beside the load.
        const Proche *ea = proche + (b->n0[0] + a3), *eb = proche + (b->n0[1] + b3),
                     *ec = proche + (b->n0[2] + c3);
#if defined(__GNUC__)
        asm("" : "+r"(ea), "+r"(eb), "+r"(ec));
#endif
        const Proche &pa = ea[a1], &pb = eb[b1], &pc = ec[c1];
        a3 = a2, b3 = b2, c3 = c2;
        a1 = pa.m1v, b1 = pb.m1v, c1 = pc.m1v;
        a2 = pa.m2v, b2 = pb.m2v, c2 = pc.m2v;
        b->n0[0] = pa.v, b->n0[1] = pb.v, b->n0[2] = pc.v;
    }
    m1p1[0] = int32_t(a1), m1p1[1] = int32_t(b1), m1p1[2] = int32_t(c1);
    m2p1[0] = int32_t(a2), m2p1[1] = int32_t(b2), m2p1[2] = int32_t(c2);
    m2p2[0] = int32_t(a3), m2p2[1] = int32_t(b3), m2p2[2] = int32_t(c3);
}

#ifdef VELMORA_VBMI
VELMORA_CIBLE_VBMI std::size_t AjouterRangs32(Bruit2 *b, const Bruit2 *r1, const Bruit2 *r2, std::size_t k,
                                              int16_t m1, int16_t m2) {
    const __m512i v1 = _mm512_set1_epi16(m1), v2 = _mm512_set1_epi16(m2);
    std::size_t j = 0;
    for (; j + 8 <= k; j += 8) {
        const __m512i x = _mm512_add_epi16(_mm512_mullo_epi16(_mm512_loadu_si512(r1 + j), v1),
                                           _mm512_mullo_epi16(_mm512_loadu_si512(r2 + j), v2));
        _mm512_storeu_si512(b + j, _mm512_add_epi16(_mm512_loadu_si512(b + j), x));
    }
    return j;
}
#endif
#ifdef VELMORA_AVX2
VELMORA_CIBLE_AVX2 std::size_t AjouterRangs16(Bruit2 *b, const Bruit2 *r1, const Bruit2 *r2, std::size_t k,
                                              int16_t m1, int16_t m2) {
    const __m256i v1 = _mm256_set1_epi16(m1), v2 = _mm256_set1_epi16(m2);
    auto ici = [](const Bruit2 *p) { return reinterpret_cast<const __m256i *>(p); };
    std::size_t j = 0;
    for (; j + 4 <= k; j += 4) {
        const __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_loadu_si256(ici(r1 + j)), v1),
                                           _mm256_mullo_epi16(_mm256_loadu_si256(ici(r2 + j)), v2));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(b + j), _mm256_add_epi16(_mm256_loadu_si256(ici(b + j)), x));
    }
    return j;
}
#endif

// The row's part, m1 r1 + m2 r2, added to k records (|N| <= 2 Xmax S fits 16
// bits, so do the vector sums, whose fourth word is never read).
void AjouterRangs(Bruit2 *b, const Bruit2 *r1, const Bruit2 *r2, std::size_t k, int16_t m1, int16_t m2) {
    std::size_t j = 0;
#ifdef VELMORA_VBMI
    if (vbmi::AvecVbmi()) j = AjouterRangs32(b, r1, r2, k, m1, m2);
#endif
#ifdef VELMORA_AVX2
    if (avx2::AvecAvx2()) j += AjouterRangs16(b + j, r1 + j, r2 + j, k - j, m1, m2);
#endif
    for (; j < k; ++j)
        for (int q = 0; q < 3; ++q) b[j].n0[q] = int16_t(b[j].n0[q] + m1 * r1[j].n0[q] + m2 * r2[j].n0[q]);
}

#ifdef VELMORA_VBMI
// The states k steps after the 16 states e.
VELMORA_CIBLE_VBMI inline __m512i Tirage16(__m512i e, int k) {
    return _mm512_add_epi32(_mm512_mullo_epi32(e, _mm512_set1_epi32(int32_t(Sauts[k].a))),
                            _mm512_set1_epi32(int32_t(Sauts[k].c)));
}

// The records of pixels [d, f) 16 at a time, from g, the state at pixel d, as
// the plain loop makes them (the spots' vector draws); g is left at the first
// pixel not made, which is returned.
VELMORA_CIBLE_VBMI std::size_t Produire16(const TPtImg *copie, std::size_t d, std::size_t f,
                                          Bruit2 *sortie, uint32_t &g, const int32_t *amp,
                                          const int16_t *ampCanal, int32_t u2, int32_t t2) {
    // Lane j starts 4 j steps after the group's state.
    alignas(64) uint32_t a4[16], c4[16];
    for (int j = 0; j < 16; ++j) {
        const Saut s = SautDe(4 * uint64_t(j));
        a4[j] = s.a, c4[j] = s.c;
    }
    const __m512i vA4 = _mm512_load_si512(a4), vC4 = _mm512_load_si512(c4);
    const Saut saut64 = SautDe(64);
    const __m512i vu2 = _mm512_set1_epi32(u2), vt2 = _mm512_set1_epi32(t2);
    const __m512i basMot = _mm512_set1_epi32(0xFFFF);
    // Pixel j's two 32-bit halves (N0 of R and G, N0 of B and 0) at 2 j and 2 j + 1.
    const __m512i premiers = _mm512_set_epi32(23, 7, 22, 6, 21, 5, 20, 4, 19, 3, 18, 2, 17, 1, 16, 0);
    const __m512i seconds = _mm512_add_epi32(premiers, _mm512_set1_epi32(8));
    std::size_t i = d;
    for (; i + 16 <= f; i += 16, sortie += 16) {
        const __m512i etat = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_set1_epi32(int32_t(g)), vA4), vC4);
        g = saut64(g);
        const vbmi::Canaux16 p = vbmi::Separer(copie + i);
        const __m512i s = _mm512_add_epi32(_mm512_add_epi32(p.rouge, p.vert), p.bleu);
        const __m512i A = _mm512_i32gather_epi32(s, amp, 4);
        const __m512i xl = _mm512_mullo_epi32(vu2, X16(Tirage16(etat, 1), A));
        const __m512i ligne = _mm512_slli_epi32(s, 8);
        const __m512i canaux[3] = {p.rouge, p.vert, p.bleu};
        __m512i n0[3];
        for (int k = 0; k < 3; ++k) {
            const __m512i a = _mm512_and_si512(
                _mm512_i32gather_epi32(_mm512_add_epi32(ligne, canaux[k]), ampCanal, 2), basMot);
            n0[k] = _mm512_add_epi32(xl, _mm512_mullo_epi32(vt2, X16(Tirage16(etat, 2 + k), a)));
        }
        const __m512i rv = _mm512_or_si512(_mm512_and_si512(n0[0], basMot), _mm512_slli_epi32(n0[1], 16));
        const __m512i b0 = _mm512_and_si512(n0[2], basMot);
        _mm512_storeu_si512(sortie, _mm512_permutex2var_epi32(rv, premiers, b0));
        _mm512_storeu_si512(sortie + 8, _mm512_permutex2var_epi32(rv, seconds, b0));
    }
    return i;
}

// The filtered values of pixels [d, f) onto them, 16 at a time; returns the
// first pixel left.
VELMORA_CIBLE_VBMI std::size_t Rendre16(const TPtImg *copie, TPtImg *hote, std::size_t d, std::size_t f,
                                        const Bruit2 *v) {
    const __m512i pairs = _mm512_set_epi32(30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
    const __m512i impairs = _mm512_add_epi32(pairs, _mm512_set1_epi32(1));
    std::size_t i = d;
    for (; i + 16 <= f; i += 16, v += 16) {
        const __m512i x0 = _mm512_loadu_si512(v), x1 = _mm512_loadu_si512(v + 8);
        // R and G as one 32-bit word by pixel, B in the next one.
        const __m512i rv = _mm512_permutex2var_epi32(x0, pairs, x1);
        const __m512i b0 = _mm512_permutex2var_epi32(x0, impairs, x1);
        const vbmi::Canaux16 p = vbmi::Separer(copie + i);
        const __m512i r = _mm512_add_epi32(p.rouge, _mm512_srai_epi32(_mm512_slli_epi32(rv, 16), 16));
        const __m512i g = _mm512_add_epi32(p.vert, _mm512_srai_epi32(rv, 16));
        const __m512i b = _mm512_add_epi32(p.bleu, _mm512_srai_epi32(_mm512_slli_epi32(b0, 16), 16));
        vbmi::Assembler(hote + i, vbmi::Joindre(vbmi::Octets(b), vbmi::Octets(g), vbmi::Octets(r)));
    }
    return i;
}
#endif

#ifdef VELMORA_AVX2
// The 32-byte paths (processors without the 64-byte vectors): the same, 32
// pixels at a time through channel planes, 8 integers at a time.

// The records of 8 pixels of channels r, v, b, whose draws start at the states etat.
VELMORA_CIBLE_AVX2 inline void Produire8(__m256i r, __m256i v, __m256i b, __m256i etat, Bruit2 *sortie,
                                         const int32_t *amp, const int16_t *ampCanal, int32_t u2, int32_t t2) {
    const __m256i basMot = _mm256_set1_epi32(0xFFFF);
    const __m256i s = _mm256_add_epi32(_mm256_add_epi32(r, v), b);
    const __m256i A = _mm256_i32gather_epi32(amp, s, 4);
    const __m256i xl = _mm256_mullo_epi32(_mm256_set1_epi32(u2), X8(Tirage8(etat, 1), A));
    const __m256i ligne = _mm256_slli_epi32(s, 8);
    const __m256i canaux[3] = {r, v, b};
    __m256i n0[3];
#  pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) {
        const __m256i a = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int *>(ampCanal), _mm256_add_epi32(ligne, canaux[k]), 2),
            basMot);
        n0[k] = _mm256_add_epi32(xl, _mm256_mullo_epi32(_mm256_set1_epi32(t2), X8(Tirage8(etat, 2 + k), a)));
    }
    // Pixel j's two 32-bit halves (N0 of R and G, N0 of B and 0) side by side.
    const __m256i rv = _mm256_or_si256(_mm256_and_si256(n0[0], basMot), _mm256_slli_epi32(n0[1], 16));
    const __m256i b0 = _mm256_and_si256(n0[2], basMot);
    const __m256i bas = _mm256_unpacklo_epi32(rv, b0), haut = _mm256_unpackhi_epi32(rv, b0);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(sortie), _mm256_permute2x128_si256(bas, haut, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(sortie + 4), _mm256_permute2x128_si256(bas, haut, 0x31));
}

VELMORA_CIBLE_AVX2 std::size_t Produire32(const TPtImg *copie, std::size_t d, std::size_t f, Bruit2 *sortie,
                                          uint32_t &g, const int32_t *amp, const int16_t *ampCanal,
                                          int32_t u2, int32_t t2) {
    alignas(32) uint32_t a4[8], c4[8];
    for (int j = 0; j < 8; ++j) {
        const Saut s = SautDe(4 * uint64_t(j));
        a4[j] = s.a, c4[j] = s.c;
    }
    const __m256i vA4 = _mm256_load_si256(reinterpret_cast<const __m256i *>(a4));
    const __m256i vC4 = _mm256_load_si256(reinterpret_cast<const __m256i *>(c4));
    const Saut saut32 = SautDe(32);
    auto etats = [&](uint32_t e) VELMORA_CIBLE_AVX2 {
        return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_set1_epi32(int32_t(e)), vA4), vC4);
    };
    std::size_t i = d;
    for (; i + 32 <= f; i += 32, sortie += 32) {
        const avx2::Plans p = avx2::Separer32(copie + i);
        const uint32_t g8 = saut32(g), g16 = saut32(g8), g24 = saut32(g16);
        Produire8(avx2::Huitieme<0>(p.rouge), avx2::Huitieme<0>(p.vert), avx2::Huitieme<0>(p.bleu), etats(g),
                  sortie, amp, ampCanal, u2, t2);
        Produire8(avx2::Huitieme<1>(p.rouge), avx2::Huitieme<1>(p.vert), avx2::Huitieme<1>(p.bleu), etats(g8),
                  sortie + 8, amp, ampCanal, u2, t2);
        Produire8(avx2::Huitieme<2>(p.rouge), avx2::Huitieme<2>(p.vert), avx2::Huitieme<2>(p.bleu), etats(g16),
                  sortie + 16, amp, ampCanal, u2, t2);
        Produire8(avx2::Huitieme<3>(p.rouge), avx2::Huitieme<3>(p.vert), avx2::Huitieme<3>(p.bleu), etats(g24),
                  sortie + 24, amp, ampCanal, u2, t2);
        g = saut32(g24);
    }
    return i;
}
// Four pixels widened to their records' layout (R, G, B, 0 as 16-bit words),
// two in each lane.
VELMORA_CIBLE_AVX2 inline __m256i Quatre(const TPtImg *p) {
    const __m256i elargir = _mm256_setr_epi8(2, -1, 1, -1, 0, -1, -1, -1, 5, -1, 4, -1, 3, -1, -1, -1,  //
                                             8, -1, 7, -1, 6, -1, -1, -1, 11, -1, 10, -1, 9, -1, -1, -1);
    return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))),
                               elargir);
}

// The filtered values of pixels [d, f) onto them, 8 at a time, narrowed back
// with the limits to 0..255 by the packing's saturation. Stops 2 pixels short of
// f: the last 16-byte store reaches 4 bytes past its 8 pixels, which another
// thread may be writing beyond the block.
VELMORA_CIBLE_AVX2 std::size_t Rendre8(const TPtImg *copie, TPtImg *hote, std::size_t d, std::size_t f,
                                       const Bruit2 *v) {
    const __m256i serrer = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                                            2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::size_t i = d;
    for (; i + 10 <= f; i += 8, v += 8) {
        const __m256i s0 = _mm256_add_epi16(Quatre(copie + i), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v)));
        const __m256i s1 =
            _mm256_add_epi16(Quatre(copie + i + 4), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v + 4)));
        // The packing interleaves the lanes: pixels 0-1, 4-5, 2-3, 6-7 put in order.
        const __m256i o = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(_mm256_packus_epi16(s0, s1), 0xD8), serrer);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hote + i), _mm256_castsi256_si128(o));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hote + i + 4), _mm256_extracti128_si256(o, 1));
    }
    return i;
}
#endif

} // namespace

bool PseudoAleaEntier(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                      int32_t m1, int32_t m2, int32_t u2, int32_t t2, const std::vector<int32_t> &amp,
                      const std::vector<int16_t> &ampCanal, int32_t ampMax) {
    const int32_t xMax = ampMax / 2 + 1, S = 1 + m1 + m2, D = 2 * S;
    const int32_t borne = 2 * xMax * S;
    // The records hold N in 16 bits (the sliders' weights, up to 5, keep it below
    // 2 x 384 x 21).
    if (borne > INT16_MAX) return false;
    std::vector<Proche> table(std::size_t(2 * borne + 1));
    // The floor quotient and its remainder stepped along N, without a division
    // per entry (a small image would spend most of its time here).
    int32_t q = -borne / D, reste = -borne % D;
    if (reste < 0) reste += D, --q;
    for (Proche &t : table) {
        const int32_t v = 2 * reste > D || (2 * reste == D && q % 2 != 0) ? q + 1 : q;
        t = {int16_t(v), int16_t(m1 * v), int16_t(m2 * v), 0};
        if (++reste == D) reste = 0, ++q;
    }

    auto produire = [&](std::size_t d, std::size_t f, Bruit2 *sortie, uint32_t g) {
#ifdef VELMORA_VBMI
        if (vbmi::AvecVbmi()) {
            const std::size_t i = Produire16(copie, d, f, sortie, g, amp.data(), ampCanal.data(), u2, t2);
            sortie += i - d;
            d = i;
        }
#endif
#ifdef VELMORA_AVX2
        if (avx2::AvecAvx2()) {
            const std::size_t i = Produire32(copie, d, f, sortie, g, amp.data(), ampCanal.data(), u2, t2);
            sortie += i - d;
            d = i;
        }
#endif
        for (std::size_t i = d; i < f; ++i, ++sortie) {
            const TPtImg px = copie[i];
            const int32_t s = px.Rouge + px.Vert + px.Bleu;
            const int32_t xl = u2 * XDe(Sauts[1](g), amp[std::size_t(s)]);
            const int16_t *ac = ampCanal.data() + std::size_t(s) * 256;
            sortie->n0[0] = int16_t(xl + t2 * XDe(Sauts[2](g), ac[px.Rouge]));
            sortie->n0[1] = int16_t(xl + t2 * XDe(Sauts[3](g), ac[px.Vert]));
            sortie->n0[2] = int16_t(xl + t2 * XDe(Sauts[4](g), ac[px.Bleu]));
            g = Sauts[4](g);
        }
    };
    // By column, the filtered values of the row above (r1) and of the one before
    // (r2), in the records' layout; the two arrays change roles at each row's end.
    // A row's part of each sum, m1 r1 + m2 r2, is added to the records before the
    // scan, many at a time (AjouterRangs), so that the scan carries only its own
    // part: N = (N0 + m1 r1 + m2 r2 + m2 p2) + m1 p1, the last term a load before.
    std::vector<Bruit2> rangA(static_cast<std::size_t>(largeur)), rangB(rangA.size());
    Bruit2 *r1 = rangA.data(), *r2 = rangB.data();
    // Along the scan, by channel: m1 times the last value, m2 times it, m2 times
    // the one before.
    int32_t m1p1[3] = {0, 0, 0}, m2p1[3] = {0, 0, 0}, m2p2[3] = {0, 0, 0};
    int32_t col = 0;
    auto filtrer = [&](std::size_t d, std::size_t f, Bruit2 *bruit) {
        for (std::size_t i = d; i < f;) {
            // To the end of the row or of the block.
            const std::size_t k = std::min(f - i, std::size_t(largeur - col));
            AjouterRangs(bruit, r1 + col, r2 + col, k, int16_t(m1), int16_t(m2));
            Parcourir(bruit, k, table.data() + borne, m1p1, m2p1, m2p2);
            // The values now in the records are the row above for the next row;
            // the row before it, in r2, is no longer needed.
            std::memcpy(static_cast<void *>(r2 + col), bruit, k * sizeof(Bruit2));
            i += k, bruit += k, col += int32_t(k);
            if (col == largeur) col = 0, std::swap(r1, r2);
        }
    };
    // The filtered values onto the pixels.
    auto rendre = [&](std::size_t d, std::size_t f, const Bruit2 *v) {
#ifdef VELMORA_VBMI
        if (vbmi::AvecVbmi()) {
            const std::size_t i = Rendre16(copie, hote, d, f, v);
            v += i - d;
            d = i;
        }
#endif
#ifdef VELMORA_AVX2
        if (avx2::AvecAvx2()) {
            const std::size_t i = Rendre8(copie, hote, d, f, v);
            v += i - d;
            d = i;
        }
#endif
        for (std::size_t i = d; i < f; ++i, ++v) {
            const TPtImg px = copie[i];
            hote[i] = {Borne(px.Bleu + v->n0[2]), Borne(px.Vert + v->n0[1]), Borne(px.Rouge + v->n0[0])};
        }
    };
    BruitEnAvance<Bruit2, 8192, 8>(n, produire, filtrer, rendre);  // a ring of 512 KiB
    return true;
}

} // namespace velmora::grainoubr
