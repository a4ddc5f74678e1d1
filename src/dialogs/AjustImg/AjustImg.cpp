#include "AjustImg.h"

#include "imaging/Avx2.h"
#include "imaging/GroupesDouteux.h"
#include "imaging/ParamCoul.h"
#include "imaging/Vbmi.h"

#include <algorithm>
#include <array>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace velmora::ajustimg {

Table Identite() {
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = i;
    return t;
}

Reel ValeurGamma(int32_t position) { return std::pow(10.0L, Reel(position) / 50); }

Table TableGamma(Reel valeurGamma) {
    const Reel a = 1 / valeurGamma;
    const Reel diviseur = std::pow(Reel(255), a - 1);
    Table t;
    t[0] = 0;  // 0 to a positive power
    for (int i = 1; i < 256; ++i) t[i] = int32_t(Limiter(Round(std::pow(Reel(i), a) / diviseur)));
    return t;
}

Table TableContraste(int32_t k) {
    Reel pente;
    if (k >= 50)
        pente = std::tan((Reel(k) / 50 - 1) * Pi / 2.01L) + 1;
    else
        pente = 1 / (std::tan((1 - Reel(k) / 50) * Pi / 2) + 1);
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = Limiter(Round(pente * (i - 128) + 128));
    return t;
}

Table TableLum(int32_t l) {
    Table t;
    for (int i = 0; i < 256; ++i) {
        const int64_t v = l < 50 ? Round(Reel(l) / 50 * i) : Round(255 - (2 - Reel(l) / 50) * (255 - i));
        t[i] = Limiter(v);
    }
    return t;
}

Table TableLGC(const Table &gamma, const Table &contraste, const Table &lum) {
    // Each table holds 0..255; the limits only keep a wrong table from indexing out.
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = lum[Limiter(contraste[Limiter(gamma[i])])];
    return t;
}

Reel FacteurSaturation(Reel valeurSaturation) { return valeurSaturation / 100 + 1; }

std::string TexteGamma(Reel v, const std::string &sep) {
    // Two significant digits (the decimal conversion rounds), shown with two decimals.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1Le", v);  // "d.de+XX"
    const int chiffres = (buf[0] - '0') * 10 + (buf[2] - '0');
    const int exposant = std::atoi(buf + 4);
    // In hundredths: chiffres x 10^(exposant + 1).
    long long centiemes = chiffres;
    for (int e = exposant + 1; e > 0; --e) centiemes *= 10;
    for (int e = exposant + 1; e < 0; ++e) centiemes /= 10;  // below 0.1: digits dropped
    std::snprintf(buf, sizeof buf, "%lld", centiemes / 100);
    char dec[8];
    std::snprintf(dec, sizeof dec, "%02lld", centiemes % 100);
    return std::string(buf) + sep + dec;
}

std::string TextePourcent(int32_t position) { return std::to_string(position) + " %"; }

std::string TexteSaturation(Reel valeurSaturation) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0Lf", valeurSaturation);
    std::string s = buf;
    if (s == "-0") s = "0";
    return s + " %";
}

// ---------------------------------------------------------------- the rule

// The identity by the 80-bit rule, without the shares' tables: the dialog
// defines its rule when it opens, and a dialog never opened costs nothing.
RegleAjustCoul::RegleAjustCoul() {
    for (int i = 0; i < 256; ++i) lgc_[i] = uint8_t(i);
}

// The 80-bit rule is linear in R, G and B: R' = aR R + aG G + aB B, and likewise G'
// and B'. Each channel's share is computed in 80 bits and stored in fixed point,
// Round(2^S x), with W 2^S <= 2^29 for W = 255 (1 + |f|): W bounds every quantity of
// the rule and of the shares (|Y| <= 255, |U|, |V| <= 127.5 |f|, constants < 1.8), and
// the shares' magnitudes add up to less than 2 W, so no 32-bit sum overflows.
// Bound: an entry is within 1/2 unit of its 80-bit share, so a pixel's sum s is within
// 3/2 unit of the sum of the three shares; those, like the rule's own result, are
// within 2^-28 unit of the exact value (under 30 roundings of at most W 2^-64 each,
// amplified less than 4-fold). So s is within 2 units of 2^S times the rule's result:
// when s is at least Marge + 1 = 3 units from every half, that result lies on the same
// side of it and both round alike; nearer (about one pixel in 10^5) the 80-bit rule
// decides. Limiting after rounding gives the rule's byte: 0 and 255 are integers.
namespace {
constexpr int32_t Marge = 2;
}

// The vector path (16 lanes) multiplies each channel by an integer, Round(2^S k) for the
// channel's share k of an output (an exact linear coefficient of the 80-bit rule,
// formed in 80 bits): each product is within c / 2 <= 127.5 units of 2^S c k, so
// the sum is within 383 units of 2^S times the exact result, which the rule's own
// lies within one unit of. At least Marge16 units from every half, the sum rounds
// as the rule does; nearer, the table path above decides (and the rule, nearer still).
// S is the largest that keeps 255 times the integers' magnitudes within 2^30.
namespace {
constexpr int32_t Marge16 = 400;
}

void RegleAjustCoul::Definir(const Table &lgc, Reel facteur) {
    lgcIdentite_ = true;
    for (int i = 0; i < 256; ++i) {
        lgc_[i] = Limiter(lgc[i]);
        lgcIdentite_ = lgcIdentite_ && lgc_[i] == i;
    }
    facteur_ = facteur;
    rapide_ = false;
    par16_ = false;
    if (!std::isfinite(facteur)) return;
    const Reel f = facteur, w = 255 * (1 + std::fabs(f));
    int s = 24;
    while (s >= 8 && std::ldexp(w, s) > std::ldexp(Reel(1), 29)) --s;
    if (s < 8) return;  // |f| beyond about 8000: the 80-bit rule throughout
    rapide_ = true;
    decalage_ = s;
    const Reel echelle = std::ldexp(Reel(1), s);  // x 2^S: exact, as ldexp
    for (int i = 0; i < 256; ++i) {
        const Reel c = i;
        // Shares of one channel in Y, U and V, then in R', G', B'.
        auto apport = [&](Reel y, Reel u, Reel v) {
            auto q = [&](Reel x) { return int32_t(Round(x * echelle)); };
            return Apport{q(y + 1.7721604L * u + 0.0009902L * v),
                          q(y - 0.3436954L * u - 0.714169L * v),
                          q(y - 0.0009267L * u + 1.4016868L * v), 0};
        };
        deR_[i] = apport(0.299L * c, f * (-0.169L * c), f * (0.5L * c));
        deG_[i] = apport(0.587L * c, f * (-0.331L * c), f * (-0.419L * c));
        deB_[i] = apport(0.114L * c, f * (0.5L * c), f * (-0.081L * c));
    }
    // The shares of one unit of each channel in B', G' and R' ([output][channel]).
    auto parts = [&](Reel y, Reel u, Reel v) {
        return std::array<Reel, 3>{y + 1.7721604L * u + 0.0009902L * v,
                                   y - 0.3436954L * u - 0.714169L * v,
                                   y - 0.0009267L * u + 1.4016868L * v};
    };
    const std::array<Reel, 3> parts_[3] = {parts(0.299L, f * -0.169L, f * 0.5L),
                                           parts(0.587L, f * -0.331L, f * -0.419L),
                                           parts(0.114L, f * 0.5L, f * -0.081L)};
    Reel pire = 0;
    for (int o = 0; o < 3; ++o)
        pire = std::max(pire, std::fabs(parts_[0][o]) + std::fabs(parts_[1][o]) + std::fabs(parts_[2][o]));
    const int s16 = vbmi::DecalageProduits(pire);
    if (s16 == 0) return;
    par16_ = true;
    decalage16_ = s16;
    for (int o = 0; o < 3; ++o)
        for (int c = 0; c < 3; ++c) facteurs16_[o][c] = int32_t(Round(std::ldexp(parts_[c][o], s16)));
}

TPtImg RegleAjustCoul::Reference(TPtImg p) const {
    const TPtImg q = SaturerPixel(ValeurDe(p), facteur_);
    return {lgc_[q.Bleu], lgc_[q.Vert], lgc_[q.Rouge]};
}

#ifdef VELMORA_VBMI
namespace {

// One quarter (16 pixels) of a 64-pixel block: the three outputs' sums, rounded,
// and which pixels have a sum near a half (see Marge16).
struct Quartier {
    __m512i sortie[3];
    __mmask16 douteux;
};

template <int q>
VELMORA_CIBLE_VBMI inline Quartier CalculerQuart(const vbmi::Plans &p, const __m512i (&f)[3][3],
                                                 const vbmi::Arrondi &arrondi) {
    const __m512i rouge = vbmi::Quart<q>(p.rouge), vert = vbmi::Quart<q>(p.vert),
                  bleu = vbmi::Quart<q>(p.bleu);
    Quartier r;
    r.douteux = 0;
    for (int o = 0; o < 3; ++o) {
        const __m512i somme = _mm512_add_epi32(
            _mm512_add_epi32(_mm512_mullo_epi32(rouge, f[o][0]), _mm512_mullo_epi32(vert, f[o][1])),
            _mm512_mullo_epi32(bleu, f[o][2]));
        r.douteux |= arrondi.Douteux(somme);
        r.sortie[o] = arrondi.Arrondis(somme);
    }
    return r;
}

// 64 pixels at a time; returns how many were done. The quarters with a sum
// near a half are left to autres(d, sortie): 16 pixels from d, written into sortie.
template <class Autres>
VELMORA_CIBLE_VBMI std::size_t Traiter64(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const int32_t (&k)[3][3], int s, const uint8_t *lgc,
                                         Autres &&autres) {
    const vbmi::Table table = vbmi::ChargerTable(lgc);
    const vbmi::Arrondi arrondi(s, Marge16);
    __m512i f[3][3];
    for (int o = 0; o < 3; ++o)
        for (int c = 0; c < 3; ++c) f[o][c] = _mm512_set1_epi32(k[o][c]);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const vbmi::Plans p = vbmi::Separer64(src + i);
        const Quartier q0 = CalculerQuart<0>(p, f, arrondi), q1 = CalculerQuart<1>(p, f, arrondi),
                       q2 = CalculerQuart<2>(p, f, arrondi), q3 = CalculerQuart<3>(p, f, arrondi);
        const vbmi::Plans sortie{
            vbmi::Chercher(table, vbmi::Emballer(q0.sortie[0], q1.sortie[0], q2.sortie[0], q3.sortie[0])),
            vbmi::Chercher(table, vbmi::Emballer(q0.sortie[1], q1.sortie[1], q2.sortie[1], q3.sortie[1])),
            vbmi::Chercher(table, vbmi::Emballer(q0.sortie[2], q1.sortie[2], q2.sortie[2], q3.sortie[2]))};
        const unsigned douteux = (q0.douteux ? 1u : 0u) | (q1.douteux ? 2u : 0u) |
                                 (q2.douteux ? 4u : 0u) | (q3.douteux ? 8u : 0u);
        if (!douteux) {
            vbmi::Assembler64(dst + i, sortie);
            continue;
        }
        const GroupesDouteux<16> exacts(douteux, i, autres);
        vbmi::Assembler64(dst + i, sortie);
        exacts.Reposer(dst + i);
    }
    return i;
}

} // namespace
#endif

#ifdef VELMORA_AVX2
namespace {

// 32 pixels at a time on processors with AVX2 only; as Traiter64, in the
// lanes' own order (avx2::Entiers), and the pixels with a sum near a half one
// by one: autres(d, sortie) computes the pixel at d into sortie. An identity
// table (only the saturation moved) is not looked up: here a look-up costs
// a third of the pass.
template <class Autres>
VELMORA_CIBLE_AVX2 std::size_t Traiter32(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const int32_t (&k)[3][3], int s, const uint8_t *lgc,
                                         bool identite, Autres &&autres) {
    const avx2::Table table = avx2::ChargerTable(lgc);
    const avx2::Arrondi arrondi(s, Marge16);
    __m256i f[3][3];
    for (int o = 0; o < 3; ++o)
        for (int c = 0; c < 3; ++c) f[o][c] = _mm256_set1_epi32(k[o][c]);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const avx2::Plans p = avx2::Separer32(src + i);
        const avx2::Quarts rouge = avx2::Entiers(p.rouge), vert = avx2::Entiers(p.vert),
                           bleu = avx2::Entiers(p.bleu);
        __m256i x[3][4];
        uint32_t douteux = 0;
#  pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) {
            __m256i reste;
#  pragma GCC unroll 3
            for (int o = 0; o < 3; ++o) {
                const __m256i somme = arrondi.Decaler(_mm256_add_epi32(
                    _mm256_add_epi32(_mm256_mullo_epi32(rouge.q[j], f[o][0]),
                                     _mm256_mullo_epi32(vert.q[j], f[o][1])),
                    _mm256_mullo_epi32(bleu.q[j], f[o][2])));
                reste = o ? _mm256_min_epu32(reste, arrondi.Reste(somme)) : arrondi.Reste(somme);
                x[o][j] = arrondi.Arrondis(somme);
            }
            douteux |= avx2::PixelsDe(arrondi.Douteux(reste), j);
        }
        avx2::Plans sortie{
            avx2::Octets(x[0][0], x[0][1], x[0][2], x[0][3]), avx2::Octets(x[1][0], x[1][1], x[1][2], x[1][3]),
            avx2::Octets(x[2][0], x[2][1], x[2][2], x[2][3])};
        if (!identite) sortie = {avx2::Chercher(table, sortie.bleu), avx2::Chercher(table, sortie.vert),
                                 avx2::Chercher(table, sortie.rouge)};
        if (!douteux) {
            avx2::Assembler32(dst + i, sortie);
            continue;
        }
        const GroupesDouteux<1, 32> exacts(douteux, i, autres);
        avx2::Assembler32(dst + i, sortie);
        exacts.Reposer(dst + i);
    }
    return i;
}

} // namespace
#endif

void RegleAjustCoul::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    if (!rapide_) {
        for (std::size_t i = 0; i < n; ++i) dst[i] = Reference(src[i]);
        return;
    }
    std::size_t fait = 0;
#ifdef VELMORA_VBMI
    if (par16_ && vbmi::AvecVbmi())
        fait = Traiter64(src, dst, n, facteurs16_, decalage16_, lgc_,
                         [&](std::size_t d, TPtImg *sortie) { TraiterTables(src + d, sortie, 16); });
#endif
#ifdef VELMORA_AVX2
    if (fait == 0 && par16_ && avx2::AvecAvx2())
        fait = Traiter32(src, dst, n, facteurs16_, decalage16_, lgc_, lgcIdentite_,
                         [&](std::size_t d, TPtImg *sortie) { TraiterTables(src + d, sortie, 1); });
#endif
    TraiterTables(src + fait, dst + fait, n - fait);
}

void RegleAjustCoul::TraiterTables(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    const int32_t s = decalage_, masque = (int32_t(1) << s) - 1, demi = int32_t(1) << (s - 1);
#if defined(__SSE2__) && defined(__x86_64__)
    // The three sums of a pixel in one vector (lanes B', G', R', 0). A lane is doubtful
    // when its fraction lies within Marge of a half: (x - demi + Marge) mod 2^S <= 2 Marge.
    // The zero lane never is. Saturating packs limit the rounded lanes to 0..255.
    const __m128i vDemi = _mm_set1_epi32(demi), vBas = _mm_set1_epi32(demi - Marge),
                  vMasque = _mm_set1_epi32(masque), vSeuil = _mm_set1_epi32(2 * Marge + 1),
                  vDecalage = _mm_cvtsi32_si128(s);
    auto somme = [&](TPtImg p) {
        const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i *>(&deR_[p.Rouge]));
        const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i *>(&deG_[p.Vert]));
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i *>(&deB_[p.Bleu]));
        return _mm_add_epi32(_mm_add_epi32(a, b), c);
    };
    auto douteux = [&](__m128i x) {
        return _mm_cmplt_epi32(_mm_and_si128(_mm_sub_epi32(x, vBas), vMasque), vSeuil);
    };
    auto arrondi = [&](__m128i x) { return _mm_sra_epi32(_mm_add_epi32(x, vDemi), vDecalage); };
    auto un = [&](std::size_t i) {
        const __m128i x = somme(src[i]);
        if (_mm_movemask_epi8(douteux(x))) {
            dst[i] = Reference(src[i]);
            return;
        }
        const __m128i r = arrondi(x), o = _mm_packs_epi32(r, r);
        const uint32_t v = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(o, o)));
        dst[i] = {lgc_[v & 0xFF], lgc_[(v >> 8) & 0xFF], lgc_[(v >> 16) & 0xFF]};
    };
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i x0 = somme(src[i]), x1 = somme(src[i + 1]), x2 = somme(src[i + 2]),
                      x3 = somme(src[i + 3]);
        const __m128i d = _mm_or_si128(_mm_or_si128(douteux(x0), douteux(x1)),
                                       _mm_or_si128(douteux(x2), douteux(x3)));
        if (_mm_movemask_epi8(d)) {
            for (std::size_t k = i; k < i + 4; ++k) un(k);
            continue;
        }
        const __m128i o = _mm_packus_epi16(_mm_packs_epi32(arrondi(x0), arrondi(x1)),
                                           _mm_packs_epi32(arrondi(x2), arrondi(x3)));
        const uint64_t u = uint64_t(_mm_cvtsi128_si64(o)),
                       v = uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(o, o)));
        auto l = [&](uint64_t w, int octet) { return uint64_t(lgc_[(w >> (8 * octet)) & 0xFF]); };
        // The four pixels' 12 bytes in two stores.
        const uint64_t bas = l(u, 0) | l(u, 1) << 8 | l(u, 2) << 16 | l(u, 4) << 24 |
                             l(u, 5) << 32 | l(u, 6) << 40 | l(v, 0) << 48 | l(v, 1) << 56;
        const uint32_t haut = uint32_t(l(v, 2) | l(v, 4) << 8 | l(v, 5) << 16 | l(v, 6) << 24);
        std::memcpy(dst + i, &bas, 8);
        std::memcpy(reinterpret_cast<uint8_t *>(dst + i) + 8, &haut, 4);
    }
    for (; i < n; ++i) un(i);
#else
    for (std::size_t i = 0; i < n; ++i) {
        const TPtImg p = src[i];
        const Apport &a = deR_[p.Rouge], &b = deG_[p.Vert], &c = deB_[p.Bleu];
        const int32_t sb = a.b + b.b + c.b, sg = a.g + b.g + c.g, sr = a.r + b.r + c.r;
        // Fraction within Marge of a half, in one unsigned comparison per channel.
        auto douteux = [&](int32_t x) {
            return (uint32_t(x - (demi - Marge)) & uint32_t(masque)) <= uint32_t(2 * Marge);
        };
        if (douteux(sb) | douteux(sg) | douteux(sr)) {
            dst[i] = Reference(p);
            continue;
        }
        auto octet = [&](int32_t x) {
            const int32_t k = (x + demi) >> s;
            return uint8_t(k < 0 ? 0 : (k > 255 ? 255 : k));
        };
        dst[i] = {lgc_[octet(sb)], lgc_[octet(sg)], lgc_[octet(sr)]};
    }
#endif
}

void Reglages::ReInit() { TableGamma = TableContraste = TableLum = Identite(); }

} // namespace velmora::ajustimg
