#include "GrainOuBr.h"

#include "imaging/BouclePixels.h"
#include "imaging/Fpu.h"
#include "imaging/ParamCoul.h"
#include "imaging/Vbmi.h"

#include <cmath>
#include <optional>
#include <utility>
#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <memory>
#include <vector>

namespace velmora::grainoubr {

uint32_t GraineAlea = 0;

namespace {

constexpr Reel PiSur255 = 0.012319971190548208L;

// The generator's state j steps ahead of g is a^j g + c_j (mod 2^32): the draws of a
// spot or a pixel each get their state from the one before them at once, instead of
// one after the other.
struct Saut {
    uint32_t a = 1, c = 0;
    uint32_t operator()(uint32_t g) const { return a * g + c; }
};
constexpr std::array<Saut, 30> Sauts = [] {
    std::array<Saut, 30> s{};
    for (std::size_t j = 1; j < s.size(); ++j)
        s[j] = {s[j - 1].a * 134775813u, s[j - 1].c * 134775813u + 1u};
    return s;
}();

// The jump of k steps, in O(log k): squarings of the one-step jump.
inline Saut SautDe(uint64_t k) {
    Saut resultat, puissance = Sauts[1];
    for (; k; k >>= 1) {
        if (k & 1) resultat = {puissance.a * resultat.a, puissance.a * resultat.c + puissance.c};
        puissance = {puissance.a * puissance.a, puissance.a * puissance.c + puissance.c};
    }
    return resultat;
}

// A draw of X from a given state: (a div 2) - high word of state x a.
inline int32_t XDe(uint32_t etat, int32_t a) {
    return a / 2 - int32_t((uint64_t(etat) * uint32_t(a)) >> 32);
}

// The fast paths compute in doubles; their value lies within 1e-11 of the
// extended one (a few operations on magnitudes below 2^14). Farther than this
// from a half, both round to the same integer; nearer, the extended rule decides,
// so the way this test rounds a tie never matters.
constexpr double Marge = 1e-9;

inline bool ArrondiSur(double x, double &r) {
    constexpr double Magique = 6755399441055744.0;  // 1.5 x 2^52: the sum keeps no fraction
    r = (x + Magique) - Magique;                    // an integer at most 1/2 from x
    return 0.5 - std::fabs(x - r) > Marge;
}

inline bool ArrondiSur(double x, int32_t &v) {
    double r;
    if (!ArrondiSur(x, r)) return false;
    v = int32_t(r);
    return true;
}

// near(num / den), 0 <= num < 2^17, 1 <= den <= 255: exactly what the extended
// quotient rounds to (a quotient of small integers is a half only when the rational
// is one, and never lies within 2^-60 of a half otherwise). The integer quotient
// comes from a multiplication by inverse = floor(2^32 / den) + 1: the excess,
// below num / 2^32 < 2^-15, never reaches the next integer (1 / den away at least).
inline int32_t QuotientProche(uint32_t num, uint32_t den, uint64_t inverse) {
    uint32_t q = uint32_t((num * inverse) >> 32);
    const uint32_t r2 = 2 * (num - q * den);
    // Without a branch: which way a quotient rounds is anyone's guess.
    q += uint32_t(r2 > den) | (uint32_t(r2 == den) & q & 1u);
    return int32_t(q);
}

inline uint8_t Borne(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// What a spot needs besides the pixels.
struct ContexteTaches {
    int32_t amp[256];      // amp of the integer mean of the centre
    uint64_t inverse[256];  // floor(2^32 / m) + 1
    Reel w[3];            // weight by dx² + dy²: centre, sides, corners
    double uw[3], tw[3];   // (1 − t) w and t w in doubles; 0 at the corners (see Place)
    Reel u, t;
    bool reference;

    explicit ContexteTaches(const Reglages &r) : u(r.UnMoinsT), t(r.t), reference(r.Reference) {
        for (int m = 0; m < 256; ++m) {
            amp[m] = Amplitude(Reel(m), r.Niveau);
            inverse[m] = (uint64_t(1) << 32) / uint64_t(m == 0 ? 1 : m) + 1;
        }
        for (int d2 = 0; d2 < 3; ++d2) {
            w[d2] = std::cos(std::sqrt(Reel(d2)) / 1.5L) - 0.5875L;
            // A corner: |Xl × (1 − t) + Xc × t| <= 638 (a <= 5 A), times the weight
            // 0.0000172 stays below 0.011, which rounds to 0: the pixel keeps its value.
            uw[d2] = d2 == 2 ? 0 : double(r.UnMoinsT * w[d2]);
            tw[d2] = d2 == 2 ? 0 : double(r.t * w[d2]);
        }
    }

    // near(c × A / m)
    int32_t AmplitudeCanal(int32_t cA, int32_t m) const {
        return QuotientProche(uint32_t(cA), uint32_t(m), inverse[m]);
    }

    // near((Xl × (1 − t) + Xc × t) × w)
    int32_t Decalage(int32_t xl, int32_t xc, int d2) const {
        int32_t v;
        if (!reference && ArrondiSur(xl * uw[d2] + xc * tw[d2], v)) return v;
        return int32_t(Round((Reel(xl) * u + Reel(xc) * t) * w[d2]));
    }
};

// What place `ordre` (0..8, dx outer, dy inner) of the spot at e, whose 28 draws
// start from state g, writes into pixel p = e + dx + dy largeur: depends on
// nothing else, so each pixel can be computed apart from the others.
[[gnu::always_inline]] inline TPtImg Place(const TPtImg *copie, int64_t p, int64_t e, int ordre, uint32_t g,
                    const ContexteTaches &k) {
    const int dx = ordre / 3 - 1, dy = ordre % 3 - 1, d2 = dx * dx + dy * dy;
    const int tirage = 2 + 3 * ordre;
    const TPtImg centre = copie[e];
    const int32_t A = k.amp[(centre.Rouge + centre.Vert + centre.Bleu) / 3];
    const int32_t xl = XDe(Sauts[1](g), A);
    const TPtImg px = copie[p];
    int32_t m = (px.Rouge + px.Vert + px.Bleu) / 3;
    if (m == 0) m = 1;
    const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
    int32_t v[3];
    for (int i = 0; i < 3; ++i) {
        const int32_t xc = XDe(Sauts[tirage + i](g), k.AmplitudeCanal(canaux[i] * A, m));
        v[i] = k.Decalage(xl, xc, d2) + canaux[i];
    }
    return {Borne(v[2]), Borne(v[1]), Borne(v[0])};
}

constexpr int TiragesTache = 28;

// The pseudo-random method's fresh noise of a pixel, (Xl (1 − t) + Xc t) / S by
// channel R, G, B (the fourth 0), and its draws, for the extended rule.
struct Bruit {
    double a[4];
    int16_t xl, xc[3];
};

// The filtered values of the two rows above one column, by channel (the fourth 0).
struct Colonne {
    double r1[4] = {0, 0, 0, 0}, r2[4] = {0, 0, 0, 0};
};

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

#ifdef VELMORA_VBMI
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

// near(num / den), 0 <= num <= 65025, 1 <= den <= 255: the float quotient is within
// 0.004 of the true one, so truncated it is off by one at most, which the remainder
// mends; then the remainder rounds, a half to the even quotient.
VELMORA_CIBLE_VBMI inline __m512i QuotientProche16(__m512i num, __m512i den) {
    __m512i q = _mm512_cvttps_epi32(_mm512_div_ps(_mm512_cvtepi32_ps(num), _mm512_cvtepi32_ps(den)));
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
// copied, unmarked pixels kept); a group with an offset too near a half goes
// to autres(first). Returns where it stopped.
template <class Autres>
VELMORA_CIBLE_VBMI std::size_t Places16(const TPtImg *copie, TPtImg *hote, std::size_t d,
                                        std::size_t f, int32_t largeur, const uint8_t *place,
                                        const uint32_t *etat, const ContexteTaches &k,
                                        Autres &&autres) {
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
        const __m512i o = _mm512_sub_epi32(
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(place + q0))), un);
        const __mmask16 couvert = _mm512_cmpge_epi32_mask(o, _mm512_setzero_si512());
        // Corners: o even and not 4.
        const __mmask16 coin = couvert & ~_mm512_test_epi32_mask(o, un) &
                               _mm512_cmpneq_epi32_mask(o, _mm512_set1_epi32(4));
        const __mmask16 calcule = couvert & ~coin;
        const vbmi::Canaux16 p = vbmi::Separer(copie + q0);
        // The corners as the pixel; hote read only where a pixel is left uncovered.
        vbmi::Canaux16 sortie = p;
        if (couvert != 0xFFFF) {
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
            const __m512i mot = _mm512_mask_i32gather_epi32(
                _mm512_setzero_si512(), calcule, _mm512_mullo_epi32(e, _mm512_set1_epi32(3)), copie, 1);
            const __m512i sommeCentre = _mm512_add_epi32(
                _mm512_add_epi32(_mm512_and_si512(mot, octet),
                                 _mm512_and_si512(_mm512_srli_epi32(mot, 8), octet)),
                _mm512_and_si512(_mm512_srli_epi32(mot, 16), octet));
            const __m512i A = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), calcule,
                                                          Moyenne16(sommeCentre), k.amp, 4);
            const __m512i g = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), calcule, e, etat, 4);
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
            __m512i v[3];
            bool sur = true;
            for (int i = 0; i < 3 && sur; ++i) {
                const __m512i a = QuotientProche16(_mm512_mullo_epi32(canaux[i], A), m);
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
#endif

} // namespace

int32_t Amplitude(Reel m, int32_t niveau) {
    const Reel s = std::sin(m * PiSur255);
    return int32_t(Round(s * s * niveau));
}

void AjouteTache(const TPtImg *copie, TPtImg *hote, int32_t e, int32_t largeur,
                 const Reglages &r) {
    // Spot after spot with the same settings: their tables are made once.
    thread_local std::optional<std::pair<Reglages, ContexteTaches>> dernier;
    if (!dernier || !(dernier->first == r)) dernier.emplace(r, ContexteTaches(r));
    // The nine places in writing order: on an image one or two pixels wide several
    // of them are one pixel, where the last write stands.
    for (int ordre = 0; ordre < 9; ++ordre) {
        const int64_t p = int64_t(e) + ordre / 3 - 1 + int64_t(ordre % 3 - 1) * largeur;
        hote[p] = Place(copie, p, e, ordre, GraineAlea, dernier->second);
    }
    GraineAlea = Sauts[TiragesTache](GraineAlea);
}

void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r, TamponsTaches *tampons) {
    const ContexteTaches k(r);
    const int64_t n = int64_t(largeur) * hauteur;
    const int64_t bas = 2 * int64_t(largeur), haut = n - 2 * int64_t(largeur);
    const int64_t tirages = n / (r.D > 0 ? r.D : 1) + 1;

    // A pixel ends with the value of the last spot that covers it, and that value
    // depends on the spot's centre, its generator state and the pixel's place in
    // it alone. So the spots first only mark each pixel with the last of them
    // that covers it (its place, and the state at the centre: a few stores a spot), then every
    // covered pixel is computed once, in a plain pass over the image that the
    // cores share: about a third of the work at the default density, the same bytes.
    // The positions depend on the generator alone: they are drawn a batch at a time,
    // each straight into its band of the image, each band keeping the drawing order, so
    // that the marks of a band stay in a core's cache and the bands share out among
    // the cores. A spot across two bands goes into both, each marking its own pixels.
    // A band is a power of two of pixels, about 16 rows, so that a spot (2 largeur + 3
    // pixels from first to last) spans at most two of them, and few span two.
    int decalage = 0;
    while ((int64_t(1) << decalage) < 16 * int64_t(largeur) + 3) ++decalage;
    const int64_t pixelsBande = int64_t(1) << decalage;
    // One band even for an image without pixels: its draws still move the generator.
    const int64_t nbBandes = std::max<int64_t>(1, (n + pixelsBande - 1) >> decalage);
    // As few batches as memory allows: each one passes over every band again.
    const int64_t parLot = std::clamp<int64_t>(tirages, 4096, int64_t(1) << 23);

    uint32_t g = GraineAlea;
    TamponsTaches propres;
    TamponsTaches &t = tampons ? *tampons : propres;
    if (t.place.size() != std::size_t(n)) {
        t.place = {};
        t.etat.reset();
        t.tailleEtat = 0;
        t.place.assign(std::size_t(n), 0);
    } else {
        PourTranches(std::size_t(n), [&](std::size_t d, std::size_t f) {
            std::fill(t.place.begin() + std::ptrdiff_t(d), t.place.begin() + std::ptrdiff_t(f), uint8_t(0));
        });
    }
    if (t.tailleEtat != std::size_t(n)) {
        t.etat.reset(new uint32_t[std::size_t(n)]);
        t.tailleEtat = std::size_t(n);
    }
    std::vector<uint8_t> &place = t.place;
    uint32_t *const etat = t.etat.get();
    if (t.bande.size() != std::size_t(nbBandes)) t.bande.assign(std::size_t(nbBandes), {});
    const int64_t attendu = std::min(tirages, parLot) / nbBandes + 1;
    auto bandes = [&](int64_t e) {
        return std::pair{(e - 1 - int64_t(largeur)) >> decalage, (e + 1 + int64_t(largeur)) >> decalage};
    };
    for (int64_t debutLot = 0; debutLot < tirages; debutLot += parLot) {
        for (auto &b : t.bande) {
            b.clear();
            // A spot in two bands counts in both: a little above the mean share.
            b.reserve(std::size_t(attendu + attendu / 8 + 64));
        }
        // Each drawn position straight into its band (or two): one pass, no sort.
        for (int64_t i = debutLot; i < std::min(tirages, debutLot + parLot); ++i) {
            // The state after a spot's draws is computed beside the position's, not
            // after it: the generator's chain is the loop's only wait.
            const uint32_t suivant = Sauts[1 + TiragesTache](g);
            g = Sauts[1](g);
            const int64_t e = int64_t((uint64_t(g) * uint32_t(n)) >> 32);
            if (bas < e && e < haut) {
                const auto [b1, b2] = bandes(e);
                t.bande[std::size_t(b1)].push_back(g);
                if (b2 != b1) t.bande[std::size_t(b2)].push_back(g);
                g = suivant;
            }
        }
        auto marquer = [&](int64_t b0, int64_t b1) {
            // In locals: the byte stores below may alias anything the lambda reaches
            // by reference, which would be read again after each of them.
            uint8_t *const marques = t.place.data();
            uint32_t *const etats = t.etat.get();
            const int64_t larg = largeur, total = n, tailleBande = pixelsBande;
            const int dec = decalage;
            for (int64_t bande = b0; bande < b1; ++bande) {
                const int64_t debut = bande << dec, fin = std::min(total, debut + tailleBande);
                const std::vector<uint32_t> &spots = t.bande[std::size_t(bande)];
                const uint32_t *const premierSpot = spots.data(), *const dernierSpot = premierSpot + spots.size();
                for (const uint32_t *s = premierSpot; s != dernierSpot; ++s) {
                    const struct {
                        int64_t e;
                        uint32_t g;
                    } p{int64_t((uint64_t(*s) * uint32_t(total)) >> 32), *s};
                    const int64_t premier = p.e - 1 - larg;
                    if (larg >= 3 && premier >= debut && premier + 2 * larg + 2 < fin) {
                        // Nine distinct pixels, all in the band: row by row.
                        for (int dy = 0; dy < 3; ++dy) {
                            const std::size_t q = std::size_t(premier + dy * larg);
                            marques[q] = uint8_t(1 + dy);
                            marques[q + 1] = uint8_t(4 + dy);
                            marques[q + 2] = uint8_t(7 + dy);
                        }
                        etats[p.e] = p.g;
                        continue;
                    }
                    // In writing order: where places meet on a narrow image, the last stands.
                    for (int o = 0; o < 9; ++o) {
                        const int64_t q = p.e + o / 3 - 1 + (o % 3 - 1) * larg;
                        if (q < debut || q >= fin) continue;
                        marques[q] = uint8_t(1 + o);
                    }
                    if (debut <= p.e && p.e < fin) etats[p.e] = p.g;
                }
            }
        };
        if (std::min(tirages - debutLot, parLot) < 20000)
            marquer(0, nbBandes);
        else
            PourTranches(std::size_t(nbBandes), [&](std::size_t d, std::size_t f) {
                marquer(int64_t(d), int64_t(f));
            }, 2);
    }
    // Every covered pixel from its mark; the others keep what hote holds.
    auto calculer = [&](std::size_t d, std::size_t f) {
        for (std::size_t q = d; q < f; ++q) {
            const int o = place[q] - 1;
            if (o < 0) continue;
            if (!k.reference && (o & 1) == 0 && o != 4) {
                // A corner gives back the pixel (see ContexteTaches).
                hote[q] = copie[q];
                continue;
            }
            const int64_t e = int64_t(q) - (o / 3 - 1) - int64_t(o % 3 - 1) * largeur;
            hote[q] = Place(copie, int64_t(q), e, o, etat[e], k);
        }
    };
    PourTranches(std::size_t(n), [&](std::size_t d, std::size_t f) {
#ifdef VELMORA_VBMI
        // Byte offsets of the centres as 32-bit integers.
        if (!k.reference && vbmi::AvecVbmi() && n < (int64_t(1) << 29))
            d = Places16(copie, hote, d, f, largeur, place.data(), etat, k,
                         [&](std::size_t q) { calculer(q, q + 16); });
#endif
        calculer(d, f);
    });
    GraineAlea = g;
}

namespace {

// Blocks made by produire(b) and consumed in order by filtrer(b), through a ring
// of `anneau` slots. With two cores or more the making runs on another thread, at
// most `anneau` blocks ahead; each side sleeps while the other is behind.
template <class Produire, class Filtrer>
void EnAvance(std::size_t nbBlocs, std::size_t anneau, Produire &&produire, Filtrer &&filtrer) {
    auto enTour = [&] {
        for (std::size_t b = 0; b < nbBlocs; ++b) {
            produire(b);
            filtrer(b);
        }
    };
    if (nbBlocs < 4 || std::thread::hardware_concurrency() < 2) {
        enTour();
        return;
    }
    std::atomic<std::size_t> produits{0}, filtres{0};
    const fpu::Environnement environnement = fpu::Lire();
    std::jthread producteur;
    try {
        producteur = std::jthread([&] {
            fpu::Ecrire(environnement);
            for (std::size_t b = 0; b < nbBlocs; ++b) {
                for (std::size_t vu = filtres.load(); b >= vu + anneau; vu = filtres.load()) filtres.wait(vu);
                produire(b);
                produits.store(b + 1);
                produits.notify_one();
            }
        });
    } catch (...) {
        // No thread to be had (a process or address-space limit): nothing is
        // made yet, so the blocks are made and filtered in turn here.
        enTour();
        return;
    }
    for (std::size_t b = 0; b < nbBlocs; ++b) {
        for (std::size_t vu = produits.load(); vu <= b; vu = produits.load()) produits.wait(vu);
        filtrer(b);
        filtres.store(b + 1);
        filtres.notify_one();
    }
}

// Each pixel's noise record made ahead of the filter that consumes it: pixels
// [0, n) in blocks of Bloc through a ring of Blocs slots (EnAvance).
// produire(d, f, sortie, g) writes the records of pixels d..f-1 from g, the
// generator's state at pixel d (4 draws a pixel from the current one);
// filtrer(d, f, bruit) reads them in order. The generator is left past the n
// pixels' draws.
template <class Bruit, std::size_t Bloc, std::size_t Blocs, class Produire, class Filtrer>
void BruitEnAvance(std::size_t n, Produire &&produire, Filtrer &&filtrer) {
    const std::size_t nbBlocs = (n + Bloc - 1) / Bloc;
    // No more slots than blocks, and a lone block no longer than the image.
    std::vector<Bruit> anneau(nbBlocs == 1 ? n : std::min(Blocs, nbBlocs) * Bloc);
    const uint32_t g0 = GraineAlea;
    const auto bloc = [&](std::size_t b) { return anneau.data() + (b % Blocs) * Bloc; };
    EnAvance(
        nbBlocs, Blocs,
        [&](std::size_t b) {
            const std::size_t d = b * Bloc;
            produire(d, std::min(n, d + Bloc), bloc(b), SautDe(4 * uint64_t(d))(g0));
        },
        [&](std::size_t b) {
            const std::size_t d = b * Bloc;
            filtrer(d, std::min(n, d + Bloc), static_cast<const Bruit *>(bloc(b)));
        });
    GraineAlea = SautDe(4 * uint64_t(n))(g0);
}

// The filter when every term is a multiple of 1/2 (colour share 0, 1/2 or 1,
// weights K1 and K2 halves of small integers): with N = 2 (Xl (1 - t) + Xc t) +
// 2 K1 (r1 + p1) + 2 K2 (r2 + p2), an integer, the extended rule's value is N / 2S,
// each sum exact and the quotient correctly rounded; it is a half only when N / 2S
// is one. So Round gives near(N / 2S), halves to even, read from a table by N.
// Bounds: |X| <= a div 2 for an amplitude a <= 765, so |N0| = |2 (Xl (1 - t) + Xc t)|
// <= 2 Xmax; each filtered value is Round of a weighted mean (weights 1, K1, K1, K2,
// K2 over S) of N0 / 2 and earlier values, so |v| <= Xmax too, and |N| <= 2 Xmax S.
// The chain from one pixel to the next is a multiplication, an addition and a load.
void PseudoAleaEntier(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                      int32_t m1, int32_t m2, int32_t u2, int32_t t2, const std::vector<int32_t> &amp,
                      const std::vector<int16_t> &ampCanal, int32_t ampMax) {
    const int32_t xMax = ampMax / 2 + 1, S = 1 + m1 + m2, D = 2 * S;
    const int32_t borne = 2 * xMax * S;
    std::vector<int16_t> table(std::size_t(2 * borne + 1));
    // The floor quotient and its remainder stepped along N, without a division
    // per entry (a small image would spend most of its time here).
    int32_t q = -borne / D, reste = -borne % D;
    if (reste < 0) reste += D, --q;
    for (int16_t &t : table) {
        t = int16_t(2 * reste > D || (2 * reste == D && q % 2 != 0) ? q + 1 : q);
        if (++reste == D) reste = 0, ++q;
    }

    struct Bruit2 {
        int16_t n0[3], libre;
    };
    auto produire = [&](std::size_t d, std::size_t f, Bruit2 *sortie, uint32_t g) {
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
    struct Colonne2 {
        int32_t r1[3] = {0, 0, 0}, r2[3] = {0, 0, 0};
    };
    std::vector<Colonne2> lignes(static_cast<std::size_t>(largeur));
    int32_t p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0};
    int32_t col = 0;
    auto filtrer = [&](std::size_t d, std::size_t f, const Bruit2 *bruit) {
        // Locals, so that the stores into the rows and the image cannot be taken
        // for changes to them (reloaded at each pixel otherwise: 5 % here).
        const int32_t M1 = m1, M2 = m2;
        const TPtImg *const source = copie;
        TPtImg *const dest = hote;
        const int16_t *const proche = table.data() + borne;
        Colonne2 *const premiere = lignes.data(), *const derniere = premiere + largeur - 1;
        Colonne2 *pl = premiere + col;
        int32_t a1 = p1[0], b1 = p1[1], c1 = p1[2], a2 = p2[0], b2 = p2[1], c2 = p2[2];
        for (std::size_t i = d; i < f; ++i, ++bruit) {
            Colonne2 &l = *pl;
            // Everything but the last value along the scan is summed first.
            const int32_t ba = bruit->n0[0] + M1 * l.r1[0] + M2 * (l.r2[0] + a2);
            const int32_t bb = bruit->n0[1] + M1 * l.r1[1] + M2 * (l.r2[1] + b2);
            const int32_t bc = bruit->n0[2] + M1 * l.r1[2] + M2 * (l.r2[2] + c2);
            a2 = a1, b2 = b1, c2 = c1;
            a1 = proche[ba + M1 * a1];
            b1 = proche[bb + M1 * b1];
            c1 = proche[bc + M1 * c1];
            l.r2[0] = l.r1[0], l.r2[1] = l.r1[1], l.r2[2] = l.r1[2];
            l.r1[0] = a1, l.r1[1] = b1, l.r1[2] = c1;
            const TPtImg px = source[i];
            dest[i] = {Borne(px.Bleu + c1), Borne(px.Vert + b1), Borne(px.Rouge + a1)};
            pl = pl == derniere ? premiere : pl + 1;
        }
        col = int32_t(pl - premiere);
        p1[0] = a1, p1[1] = b1, p1[2] = c1, p2[0] = a2, p2[1] = b2, p2[2] = c2;
    };
    BruitEnAvance<Bruit2, 8192, 8>(n, produire, filtrer);  // a ring of 512 KiB
}

} // namespace

void MethodePseudoAlea(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                       const Reglages &r) {
    if (n == 0 || largeur <= 0) return;
    // amp and near(c × A / m) depend on the pixel's sum s = R + G + B and the channel
    // value c only: computed once by the extended rule, for the c a sum allows
    // (s - 510 <= c <= s) and, in an image with fewer pixels than the table has
    // entries (a preview), for the sums it holds only.
    std::vector<int32_t> amp(766);
    std::vector<int16_t> ampCanal(766 * 256);
    std::vector<bool> tenue;
    if (n < ampCanal.size()) {
        tenue.assign(766, false);
        for (std::size_t i = 0; i < n; ++i) tenue[copie[i].Rouge + copie[i].Vert + copie[i].Bleu] = true;
    }
    int32_t ampMax = 0;  // of every entry: the integer filter's bound
    for (int s = 0; s < 766; ++s) {
        Reel m = Reel(s) / 3;
        if (m == 0) m = 1;
        amp[s] = Amplitude(m, r.Niveau);
        ampMax = std::max(ampMax, amp[s]);
        if (!tenue.empty() && !tenue[std::size_t(s)]) continue;
        for (int c = std::max(0, s - 510); c <= std::min(255, s); ++c) {
            ampCanal[s * 256 + c] = int16_t(Round(Reel(c * amp[s]) / m));
            ampMax = std::max<int32_t>(ampMax, ampCanal[s * 256 + c]);
        }
    }
    // Halves of small integers as weights and a colour share of 0, 1/2 or 1:
    // integers throughout.
    const auto demiEntier = [](Reel k) { return k >= 0 && k <= 32 && 2 * k == std::floor(2 * k); };
    if (!r.Reference && demiEntier(r.K1) && demiEntier(r.K2) &&
        ((r.t == 0 && r.UnMoinsT == 1) || (r.t == 0.5L && r.UnMoinsT == 0.5L) || (r.t == 1 && r.UnMoinsT == 0))) {
        return PseudoAleaEntier(copie, hote, n, largeur, int32_t(2 * r.K1), int32_t(2 * r.K2),
                                int32_t(2 * r.UnMoinsT), int32_t(2 * r.t), amp, ampCanal, ampMax);
    }
    const Reel S = 2 * (r.K1 + r.K2) + 1;
    const double invS = 1.0 / double(S), k1S = double(r.K1) * invS, k2S = double(r.K2) * invS;
    const double uS = double(r.UnMoinsT) * invS, tS = double(r.t) * invS;
    // With t at 0, 1/2 or 1 every term is a multiple of 1/2, exact in both
    // precisions: the quotient by the integer S is then a half exactly or lies at
    // least 1/42 from one, so a value the fast path cannot settle is a true half.
    const bool demisExacts = r.t == 0 || r.t == 0.5L || r.t == 1;

    // The filter is sequential along the scan, but each pixel's draws and its fresh
    // noise are not: they are made a block ahead, on another core when there is one,
    // while the filter runs. A pixel's 4 draws start 4 i steps after the first state.
    auto produire = [&](std::size_t d, std::size_t f, Bruit *sortie, uint32_t g) {
        for (std::size_t i = d; i < f; ++i, ++sortie) {
            const TPtImg px = copie[i];
            const int32_t s = px.Rouge + px.Vert + px.Bleu;
            const int32_t xl = XDe(Sauts[1](g), amp[s]);
            const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
            sortie->xl = int16_t(xl);
            for (int k = 0; k < 3; ++k) {
                const int32_t xc = XDe(Sauts[2 + k](g), ampCanal[s * 256 + canaux[k]]);
                sortie->xc[k] = int16_t(xc);
                sortie->a[k] = xl * uS + xc * tS;
            }
            g = Sauts[4](g);
        }
    };

    // The filtered values of the two rows above, by column, and the last two along
    // the scan; carried from the end of a row into the next one. Integers, held
    // as doubles for the fast path (exactly).
    std::vector<Colonne> lignes(std::size_t(largeur), Colonne{});
    alignas(32) double prec1[4] = {0, 0, 0, 0}, prec2[4] = {0, 0, 0, 0};
    int32_t col = 0;
    // Near a half (often an exact one: q is a multiple of 1/(10 S)) the answer is vd
    // or its neighbour across q: the rule decides, p1 and p2 being the channel's
    // previous values along the scan.
    auto trancher = [&](const Bruit *bruit, const Colonne &ligne, int k, double q, double vd,
                        double p1, double p2) {
        const Reel x = (((Reel(bruit->xl) * r.UnMoinsT + Reel(bruit->xc[k]) * r.t) +
                         Reel(ligne.r1[k] + p1) * r.K1) +
                        Reel(ligne.r2[k] + p2) * r.K2) /
                       S;
        if (r.Reference) return double(Round(x));
        const double autre = vd > q ? vd - 1 : vd + 1;
        const Reel demi = Reel(std::min(vd, autre)) + 0.5L;
        if (x > demi) return std::max(vd, autre);
        if (x < demi) return std::min(vd, autre);
        return int64_t(vd) % 2 == 0 ? vd : autre;
    };
    auto filtrer = [&](std::size_t d, std::size_t f, const Bruit *bruit) {
#ifdef VELMORA_FILTRE_AVX
        if (!r.Reference && AvecAvx())
            return FiltrerAvx(copie, hote, d, f, bruit, lignes.data(), largeur, col, prec1, prec2,
                              k1S, k2S, demisExacts, trancher);
#endif
        for (std::size_t i = d; i < f; ++i, ++bruit) {
            const TPtImg px = copie[i];
            const int32_t canaux[3] = {px.Rouge, px.Vert, px.Bleu};
            Colonne &ligne = lignes[std::size_t(col)];
            int32_t v[3];
            for (int k = 0; k < 3; ++k) {
                // Only the last value along the scan waits for the pixel before:
                // everything else is summed first.
                const double base = (bruit->a[k] + (ligne.r2[k] + prec2[k]) * k2S) + ligne.r1[k] * k1S;
                const double q = base + prec1[k] * k1S;
                double vd;
                const bool sur = ArrondiSur(q, vd);
                if (r.Reference || (!sur && !demisExacts)) {
                    vd = trancher(bruit, ligne, k, q, vd, prec1[k], prec2[k]);
                } else if (!sur) {
                    // An exact half, in both precisions: the even neighbour.
                    const double autre = vd > q ? vd - 1 : vd + 1;
                    if (int64_t(vd) % 2 != 0) vd = autre;
                }
                prec2[k] = prec1[k];
                prec1[k] = vd;
                ligne.r2[k] = ligne.r1[k];
                ligne.r1[k] = vd;
                v[k] = canaux[k] + int32_t(vd);
            }
            hote[i] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
            if (++col == largeur) col = 0;
        }
    };

    BruitEnAvance<Bruit, 4096, 8>(n, produire, filtrer);  // a ring of 1 MiB
}

std::string TexteNBr(int32_t position) {
    return std::to_string(Round(Reel(position) * 100 / 255)) + " %";
}

std::string TexteBC(int32_t position) {
    return std::to_string(Round(Reel(position) * 100 / 10)) + " %";
}

std::string TexteDPt(int32_t position) { return "N/" + std::to_string(10 - position); }

std::string TexteKm(int32_t position, const std::string &separateur) {
    // position / 2 with one decimal: the decimal is 0 or 5, exactly.
    const int32_t dixiemes = position * 5;
    std::string signe = dixiemes < 0 ? "-" : "";
    const int32_t a = dixiemes < 0 ? -dixiemes : dixiemes;
    return signe + std::to_string(a / 10) + separateur + std::to_string(a % 10);
}

} // namespace velmora::grainoubr
