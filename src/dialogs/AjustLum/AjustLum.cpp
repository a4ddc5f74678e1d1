#include "AjustLum.h"

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

} // namespace

TPtImg MapperPixel(const TProfil &profLum, TPtImg p) {
    TCanauxLum c;
    const int32_t V = CanauxMaxi(ValeurDe(p), c);
    return MultiplierPixel(ValeurDe(p), Facteur(profLum, V));
}

void RegleLum::Definir(const TProfil &profLum) {
    std::memset(table_, 0, sizeof table_);  // channels above V never occur
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

void RegleLum::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    std::size_t fait = 0;
#ifdef VELMORA_VBMI
    if (vbmi::AvecVbmi()) fait = Traiter64(src, dst, n, table_, numBas_, numHaut_);
#endif
    // The rest, and processors without the vectors: the table, by plain loads
    // (three 16-lane gathers per 16 pixels took 1.3 to 2 times as long: gathers
    // are slow on many processors).
    for (std::size_t i = fait; i < n; ++i) {
        const TPtImg p = src[i];
        const uint8_t *t = table_[std::max({p.Bleu, p.Vert, p.Rouge})];
        dst[i] = {t[p.Bleu], t[p.Vert], t[p.Rouge]};
    }
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
