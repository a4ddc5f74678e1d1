#include "AjustLum.h"

#include "imaging/Avx2.h"
#include "imaging/Numerique.h"
#include "imaging/ParamCoul.h"
#include "imaging/Vbmi.h"

#include <algorithm>
#include <cstring>

namespace velmora::ajustlum {

namespace {

Reel Facteur(const TProfil &p, int32_t V) {
    if (V == 0) return 1;
    return Reel(255 - int64_t(p[V])) / Reel(V);
}

// One pixel through the table: its largest channel's row, each channel's byte.
inline TPtImg ParTable(const uint8_t (&table)[256][256], TPtImg p) {
    const uint8_t *t = table[std::max({p.Bleu, p.Vert, p.Rouge})];
    return {t[p.Bleu], t[p.Vert], t[p.Rouge]};
}

} // namespace

TPtImg MapperPixel(const TProfil &profLum, TPtImg p) {
    TCanauxLum c;
    const int32_t V = CanauxMaxi(ValeurDe(p), c);
    return MultiplierPixel(ValeurDe(p), Facteur(profLum, V));
}

void RegleLum::Definir(const TProfil &profLum) {
    std::memset(table_, 0, sizeof table_);  // channels above V never occur
    num8_ = true;
    numBas_[0] = numHaut_[0] = 0;           // a black pixel: every channel 0 anyway
    for (int32_t V = 1; V < 256; ++V) {
        // c * factor is the fraction c * num / V. It lies at least 1 / (2V) away
        // from a rounding boundary unless it is an exact half, so the integer
        // quotient gives MultiplierPixel's byte; an exact half is left to the
        // 80-bit product itself, which decides it as MultiplierPixel does.
        const int64_t num = 255 - int64_t(profLum[V]);
        const int64_t borne = std::clamp<int64_t>(num, 0, 255 * 256);
        numBas_[V] = uint8_t(borne);
        numHaut_[V] = uint8_t(borne >> 8);
        if (borne > 255) num8_ = false;
        if (num <= 0) continue;  // factor <= 0: black
        const Reel f = Facteur(profLum, V);
        // (2 c num + V) = quotient * 2V + reste, carried from c to c + 1: the
        // quotient is Round(c num / V) but at exact halves (reste 0).
        const int64_t d = 2 * int64_t(V), pasQ = 2 * num / d, pasR = 2 * num % d;
        int64_t quotient = 0, reste = V;
        for (int32_t c = 1; c <= V; ++c) {
            quotient += pasQ;
            reste += pasR;
            if (reste >= d) reste -= d, ++quotient;
            table_[V][c] = reste == 0 ? Octet(Reel(c) * f) : Limiter(quotient);
        }
    }
}

#ifdef VELMORA_VBMI
namespace {

// One quarter (16 pixels) of a 64-pixel block, in single precision: x = c * (num / V),
// two roundings of 2^-24, so within 3.1e-5 of the exact c num / V while x <= 256.5
// (above, every result is 255). An exact value that is not a half lies at least
// 1 / (2V) >= 1 / 510 from every half, and x rounds as it does; an exact half
// leaves x within 0.5 - 3.1e-5 of its rounding, which marks it doubtful, and the
// table (holding the 80-bit rule's decision) gives that byte.
struct Quartier {
    __m512i octets[3];
    __mmask16 douteux[3];
};

template <int q>
VELMORA_CIBLE_VBMI inline Quartier CalculerQuart(const vbmi::Plans &p, __m512i V, __m512i nb,
                                                 __m512i nh) {
    const __m512i un = _mm512_set1_epi32(1);
    const __m512 vf = _mm512_cvtepi32_ps(_mm512_max_epi32(vbmi::Quart<q>(V), un));
    const __m512i num = _mm512_or_si512(vbmi::Quart<q>(nb), _mm512_slli_epi32(vbmi::Quart<q>(nh), 8));
    const __m512 facteur = _mm512_div_ps(_mm512_cvtepi32_ps(num), vf);
    const __m512 seuil = _mm512_set1_ps(0.499f);
    Quartier r;
    const __m512i canaux[3] = {vbmi::Quart<q>(p.bleu), vbmi::Quart<q>(p.vert), vbmi::Quart<q>(p.rouge)};
#  pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        const __m512 x = _mm512_mul_ps(_mm512_cvtepi32_ps(canaux[c]), facteur);
        const __m512i k = _mm512_cvtps_epi32(x);  // to nearest, halves to even
        const __m512 reste = _mm512_abs_ps(_mm512_sub_ps(x, _mm512_cvtepi32_ps(k)));
        r.douteux[c] = _mm512_cmp_ps_mask(reste, seuil, _CMP_GT_OQ);
        r.octets[c] = k;
    }
    return r;
}

VELMORA_CIBLE_VBMI std::size_t Traiter64(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const uint8_t (&table)[256][256], const uint8_t *numBas,
                                         const uint8_t *numHaut) {
    const vbmi::Table tb = vbmi::ChargerTable(numBas), th = vbmi::ChargerTable(numHaut);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const vbmi::Plans p = vbmi::Separer64(src + i);
        const __m512i V = _mm512_max_epu8(_mm512_max_epu8(p.bleu, p.vert), p.rouge);
        const __mmask64 haut = _mm512_movepi8_mask(V);
        const __m512i nb = vbmi::Chercher(tb, V, haut), nh = vbmi::Chercher(th, V, haut);
        const Quartier q0 = CalculerQuart<0>(p, V, nb, nh), q1 = CalculerQuart<1>(p, V, nb, nh),
                       q2 = CalculerQuart<2>(p, V, nb, nh), q3 = CalculerQuart<3>(p, V, nb, nh);
        vbmi::Plans sortie{vbmi::Emballer(q0.octets[0], q1.octets[0], q2.octets[0], q3.octets[0]),
                           vbmi::Emballer(q0.octets[1], q1.octets[1], q2.octets[1], q3.octets[1]),
                           vbmi::Emballer(q0.octets[2], q1.octets[2], q2.octets[2], q3.octets[2])};
        const __mmask16 tous = (q0.douteux[0] | q0.douteux[1] | q0.douteux[2]) |
                               (q1.douteux[0] | q1.douteux[1] | q1.douteux[2]) |
                               (q2.douteux[0] | q2.douteux[1] | q2.douteux[2]) |
                               (q3.douteux[0] | q3.douteux[1] | q3.douteux[2]);
        if (tous) {
            // Exact halves: the table's bytes, put in before the block is
            // written (src may be dst).
            alignas(64) uint8_t v[64], entree[3][64], octets[3][64];
            _mm512_store_si512(v, V);
            _mm512_store_si512(entree[0], p.bleu);
            _mm512_store_si512(entree[1], p.vert);
            _mm512_store_si512(entree[2], p.rouge);
            _mm512_store_si512(octets[0], sortie.bleu);
            _mm512_store_si512(octets[1], sortie.vert);
            _mm512_store_si512(octets[2], sortie.rouge);
            for (int c = 0; c < 3; ++c) {
                const uint64_t douteux = uint64_t(q0.douteux[c]) | uint64_t(q1.douteux[c]) << 16 |
                                         uint64_t(q2.douteux[c]) << 32 | uint64_t(q3.douteux[c]) << 48;
                for (uint64_t m = douteux; m; m &= m - 1) {
                    const int k = __builtin_ctzll(m);
                    octets[c][k] = table[v[k]][entree[c][k]];
                }
            }
            sortie = {_mm512_load_si512(octets[0]), _mm512_load_si512(octets[1]),
                      _mm512_load_si512(octets[2])};
        }
        vbmi::Assembler64(dst + i, sortie);
    }
    return i;
}

} // namespace
#endif

#ifdef VELMORA_AVX2
namespace {

// Round(c num / V) for 16 channels in 16-bit integers, exactly. c <= V, so
// c num <= 255 num fits, and so does z = c num + floor(V / 2). M = floor(2^16 / V)
// gives floor(z / V) or one less by one product; the remainder r, below 2 V,
// says which. An odd V never makes a half; an even one does where z is a
// multiple of V, the remainder 0 after the correction: there the 80-bit product
// decides, and those lanes are marked (pair holds 0 for an even V, else
// 0xFFFF, which no remainder equals).
VELMORA_CIBLE_AVX2 inline __m256i Canal16(__m256i c, __m256i num, __m256i M, __m256i V, __m256i Vmoins1,
                                          __m256i moitie, __m256i pair, __m256i &douteux) {
    const __m256i z = _mm256_add_epi16(_mm256_mullo_epi16(c, num), moitie);
    const __m256i q = _mm256_mulhi_epu16(z, M);
    const __m256i r = _mm256_sub_epi16(z, _mm256_mullo_epi16(q, V));
    const __m256i passe = _mm256_cmpgt_epi16(r, Vmoins1);  // -1 where r >= V
    douteux = _mm256_or_si256(douteux, _mm256_cmpeq_epi16(_mm256_sub_epi16(r, _mm256_and_si256(passe, V)), pair));
    return _mm256_sub_epi16(q, passe);
}

// floor(2^16 / V) for the 16 words of V (1 .. 255), 65535 for V = 1: the single
// precision quotient is within 2^-9 of the exact one, which is an integer or at
// least 1 / 255 below the next.
VELMORA_CIBLE_AVX2 inline __m256i Inverses16(__m256i V) {
    const __m256 deux16 = _mm256_set1_ps(65536.0f);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_cvttps_epi32(_mm256_div_ps(deux16, _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(V, zero))));
    const __m256i b = _mm256_cvttps_epi32(_mm256_div_ps(deux16, _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(V, zero))));
    return _mm256_packus_epi32(a, b);
}

// 32 pixels at a time while every num fits a byte; returns how many were done.
VELMORA_CIBLE_AVX2 std::size_t Traiter32(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const uint8_t (&table)[256][256], const uint8_t *numBas) {
    const avx2::Table tnum = avx2::ChargerTable(numBas);
    const __m256i zero = _mm256_setzero_si256(), un = _mm256_set1_epi8(1);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const avx2::Plans p = avx2::Separer32(src + i);
        const __m256i V = _mm256_max_epu8(_mm256_max_epu8(p.bleu, p.vert), p.rouge);
        const __m256i num = avx2::Chercher(tnum, V);
        // A black pixel divides by 1: its channels are 0 and give 0.
        const __m256i V1 = _mm256_max_epu8(V, un);
        __m256i sortie[3][2], douteux[2] = {zero, zero};
#  pragma GCC unroll 2
        for (int m = 0; m < 2; ++m) {
            // Words in the lanes' order: bytes 0-7 and 16-23, then 8-15 and
            // 24-31, which the packs put back.
            const __m256i v = m ? _mm256_unpackhi_epi8(V1, zero) : _mm256_unpacklo_epi8(V1, zero);
            const __m256i nm = m ? _mm256_unpackhi_epi8(num, zero) : _mm256_unpacklo_epi8(num, zero);
            const __m256i M = Inverses16(v), moitie = _mm256_srli_epi16(v, 1);
            const __m256i vMoins1 = _mm256_sub_epi16(v, _mm256_set1_epi16(1));
            const __m256i pair = _mm256_srai_epi16(_mm256_slli_epi16(v, 15), 15);
            const __m256i canaux[3] = {p.bleu, p.vert, p.rouge};
#  pragma GCC unroll 3
            for (int c = 0; c < 3; ++c) {
                const __m256i x = m ? _mm256_unpackhi_epi8(canaux[c], zero) : _mm256_unpacklo_epi8(canaux[c], zero);
                sortie[c][m] = Canal16(x, nm, M, v, vMoins1, moitie, pair, douteux[m]);
            }
        }
        const avx2::Plans o{_mm256_packus_epi16(sortie[0][0], sortie[0][1]),
                            _mm256_packus_epi16(sortie[1][0], sortie[1][1]),
                            _mm256_packus_epi16(sortie[2][0], sortie[2][1])};
        const uint32_t d = uint32_t(_mm256_movemask_epi8(_mm256_packs_epi16(douteux[0], douteux[1])));
        if (!d) {
            avx2::Assembler32(dst + i, o);
            continue;
        }
        // Exact halves: the table's bytes, from a copy of the block's pixels
        // (src may be dst).
        TPtImg copie[32];
        std::memcpy(copie, src + i, sizeof copie);
        avx2::Assembler32(dst + i, o);
        for (uint32_t m = d; m; m &= m - 1) {
            const int k = __builtin_ctz(m);
            dst[i + k] = ParTable(table, copie[k]);
        }
    }
    return i;
}

} // namespace
#endif

void RegleLum::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    std::size_t fait = 0;
#ifdef VELMORA_VBMI
    if (vbmi::AvecVbmi()) fait = Traiter64(src, dst, n, table_, numBas_, numHaut_);
#endif
#ifdef VELMORA_AVX2
    if (fait == 0 && num8_ && avx2::AvecAvx2())
        fait = Traiter32(src, dst, n, table_, numBas_);
#endif
    // The rest, and processors without the vectors (or a curve beyond the
    // graph): the table, by plain loads (three 16-lane gathers per 16 pixels
    // took 1.3 to 2 times as long: gathers are slow on many processors).
    for (std::size_t i = fait; i < n; ++i) dst[i] = ParTable(table_, src[i]);
}

void EnregistrerPlu(const std::filesystem::path &chemin, const TProfil &profLum) {
    EnregistrerBlocs(chemin, {&profLum});
}

void ChargerPlu(const std::filesystem::path &chemin, TProfil &profLum) {
    Fichier f(chemin, Fichier::Mode::Lecture);
    LireBloc(f, profLum);
    f.Fermer();
}

} // namespace velmora::ajustlum
