#include "AjustImg.h"

#include "imaging/ParamCoul.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmora::ajustimg {

namespace {
constexpr Reel Pi = 3.14159265358979323846264338327950288L;
}

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
    for (int e = exposant + 1; e < 0; --e) centiemes /= 10;  // below 0.1: digits dropped
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

RegleAjustCoul::RegleAjustCoul() { Definir(Identite(), 1); }

// The 80-bit rule is linear in R, G and B: R' = aR R + aG G + aB B, and likewise G'
// and B'. Each channel's share is tabulated (computed in 80 bits, stored as double);
// the three shares of a pixel sum to within 1e-12 of the 80-bit result, whose own
// distance to the exact value is smaller still. A result farther than Marge from
// every k + 1/2 therefore rounds to the same integer either way; closer ones (about
// one pixel in 100,000) take the 80-bit rule. The limits at 0 and 255 need no
// margin: just below 0 and just above it both give 0, and likewise at 255.
namespace {
constexpr double Marge = 1e-7;
}

void RegleAjustCoul::Definir(const Table &lgc, Reel facteur) {
    for (int i = 0; i < 256; ++i) lgc_[i] = Limiter(lgc[i]);
    facteur_ = facteur;
    rapide_ = std::isfinite(facteur) && std::fabs(facteur) <= 1000;
    if (!rapide_) return;
    const Reel f = facteur;
    for (int i = 0; i < 256; ++i) {
        const Reel c = i;
        // Shares of one channel in Y, U and V, then in R', G', B'.
        auto apport = [&](Reel y, Reel u, Reel v) {
            return Apport{double(y - 0.0009267L * u + 1.4016868L * v),
                          double(y - 0.3436954L * u - 0.714169L * v),
                          double(y + 1.7721604L * u + 0.0009902L * v)};
        };
        deR_[i] = apport(0.299L * c, f * (-0.169L * c), f * (0.5L * c));
        deG_[i] = apport(0.587L * c, f * (-0.331L * c), f * (-0.419L * c));
        deB_[i] = apport(0.114L * c, f * (0.5L * c), f * (-0.081L * c));
    }
}

TPtImg RegleAjustCoul::Reference(TPtImg p) const {
    const TPtImg q = SaturerPixel(ValeurDe(p), facteur_);
    return {lgc_[q.Bleu], lgc_[q.Vert], lgc_[q.Rouge]};
}

namespace {
// The byte of one result, or -1 when x lies too near k + 1/2 to decide in double.
inline int OctetRapide(double x) {
    if (!(x > 0)) return 0;
    if (x >= 255) return 255;
    const int k = int(x);
    const double d = x - k;
    if (std::fabs(d - 0.5) < Marge) return -1;
    return k + (d > 0.5);
}
} // namespace

void RegleAjustCoul::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    if (!rapide_) {
        for (std::size_t i = 0; i < n; ++i) dst[i] = Reference(src[i]);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const TPtImg p = src[i];
        const Apport &a = deR_[p.Rouge], &b = deG_[p.Vert], &c = deB_[p.Bleu];
        const int r = OctetRapide(a.r + b.r + c.r);
        const int g = OctetRapide(a.g + b.g + c.g);
        const int bl = OctetRapide(a.b + b.b + c.b);
        if ((r | g | bl) < 0)
            dst[i] = Reference(p);
        else
            dst[i] = {lgc_[bl], lgc_[g], lgc_[r]};
    }
}

void Reglages::ReInit() { TableGamma = TableContraste = TableLum = Identite(); }

} // namespace velmora::ajustimg
