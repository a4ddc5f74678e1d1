#include "MonoChrome.h"

#include "imaging/BouclePixels.h"
#include "imaging/ErreursFichier.h"
#include "imaging/GroupesDouteux.h"
#include "imaging/ParamCoul.h"
#include "imaging/Avx2.h"
#include "imaging/Vbmi.h"
#include <velmora/windows1252.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace velmora::monochrome {

// --- Picker ---------------------------------------------------------------

namespace {
constexpr Reel Pi6 = 0.5235987755982989L; // 30 degrees, as the picker has always used it

Reel Dist(Point p, Point q) {
    const int64_t dx = int64_t(p.x) - q.x, dy = int64_t(p.y) - q.y;
    return std::sqrt(Reel(dx * dx + dy * dy));
}
} // namespace

Geometrie Geometrie::De(int32_t largeur, int32_t hauteur) {
    Geometrie g;
    g.centre = {Div(largeur, 2), Div(hauteur, 2)};
    g.rayon = Div(largeur - 8, 2);
    g.rayon2 = g.rayon * g.rayon;
    const Reel r = g.rayon, cx = g.centre.x, cy = g.centre.y;
    g.rouge = {g.centre.x, 4};
    g.vert = {int32_t(Round(cx - r * std::cos(Pi6))), int32_t(Round(cy + r * std::sin(Pi6)))};
    g.bleu = {int32_t(Round(cx + r * std::cos(Pi6))), int32_t(Round(cy + r * std::sin(Pi6)))};
    return g;
}

int32_t Geometrie::Distance2(Point p) const {
    // Mouse positions during a drag stay within a few screen sizes: no overflow.
    const int64_t dx = int64_t(p.x) - centre.x, dy = int64_t(p.y) - centre.y;
    const int64_t d2 = dx * dx + dy * dy;
    return d2 > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                    : int32_t(d2);
}

Point Geometrie::SurCercle(Point p) const {
    const int64_t dx = int64_t(p.x) - centre.x, dy = int64_t(p.y) - centre.y;
    const int64_t d2 = dx * dx + dy * dy;
    if (d2 == 0) return p;
    const Reel f = std::sqrt(Reel(rayon2) / Reel(d2));
    return {int32_t(Round(f * dx + centre.x)), int32_t(Round(f * dy + centre.y))};
}

std::vector<TPtImg> ImageSelecteur(const Geometrie &g, int32_t largeur, int32_t hauteur,
                                   TPtImg fond) {
    std::vector<TPtImg> image(std::size_t(std::max(0, largeur)) * std::max(0, hauteur), fond);
    for (int32_t j = 0; j < hauteur; ++j)
        for (int32_t i = 0; i < largeur; ++i) {
            const Point p{i, j};
            if (!g.DansDisque(p)) continue;
            const int64_t t = Round(Dist(p, g.rouge)), u = Round(Dist(p, g.vert)),
                          v = Round(Dist(p, g.bleu));
            TPtImg &px = image[std::size_t(j) * largeur + i];
            if (t == 0) px = {0, 0, 255};
            else if (u == 0) px = {0, 255, 0};
            else if (v == 0) px = {255, 0, 0};
            else {
                const Reel s = 1 / Reel(t) + 1 / Reel(u) + 1 / Reel(v);
                px = {Octet(255 / (v * s)), Octet(255 / (u * s)), Octet(255 / (t * s))};
            }
        }
    return image;
}

Coefficients CalculeCoeffs(const Geometrie &g, Point p) {
    const Reel dR = Dist(p, g.rouge), dV = Dist(p, g.vert), dB = Dist(p, g.bleu);
    if (dR == 0) return {1, 0, 0};
    if (dV == 0) return {0, 1, 0};
    if (dB == 0) return {0, 0, 1};
    const Reel s = 1 / dR + 1 / dV + 1 / dB;
    return {1 / (s * dR), 1 / (s * dV), 1 / (s * dB)};
}

std::string TexteCoefficient(std::string_view nom, Reel k, std::string_view separateur) {
    // to_chars, not printf: the toolkit sets the process locale, and the
    // separator is the caller's choice.
    char nombre[64];
    const auto fin = std::to_chars(nombre, nombre + sizeof nombre, k, std::chars_format::fixed, 2).ptr;
    std::string texte(nom);
    texte += " = ";
    for (const char *c = nombre; c != fin; ++c) {
        if (*c == '.') texte += separateur;
        else texte += *c;
    }
    return texte;
}

// --- Tint tables ------------------------------------------------------------

Tables Identite() {
    Tables t;
    for (int i = 0; i < 256; ++i) t.R[i] = t.V[i] = t.B[i] = uint8_t(i);
    return t;
}

namespace {

// One channel c of a tint whose largest component is m.
void TableCanal(int32_t c, int32_t m, std::array<uint8_t, 256> &T) {
    if (m < 128) {
        // Dark tint: a ramp from black that reaches the tint at grey m, then on
        // to white. Black (m = 0) would divide 0 by 0: take c / m as 1, the
        // limit of ever darker neutral greys, which all give the plain grey
        // ramp; so black tones to grey rather than to garbage.
        for (int32_t i = 0; i <= 127; ++i)
            T[i] = m == 0 ? uint8_t(i) : Octet(Reel(c * i) / m);
        for (int32_t i = 128; i <= 255; ++i)
            T[i] = Octet(255 - Reel((255 - T[127]) * (255 - i)) / 128);
    } else {
        // Light tint: from white down to the tint's level at grey 128, then a
        // straight line to black.
        for (int32_t i = 128; i <= 255; ++i)
            T[i] = Octet(255 - Reel((255 - c) * (255 - i)) / m);
        for (int32_t i = 0; i <= 127; ++i) T[i] = Octet(Reel(T[128] * i) / 127);
    }
}

} // namespace

Tables CalculeTeinte(int32_t rgb) {
    TCanauxLum c;
    const int32_t m = CanauxMaxiVal(uint32_t(rgb), c);
    Tables t;
    TableCanal(c.Rouge, m, t.R);
    TableCanal(c.Vert, m, t.V);
    TableCanal(c.Bleu, m, t.B);
    return t;
}

// --- Whole image --------------------------------------------------------------

// The grey level through fixed-point sums of the long double products, which
// the rule's own sum lies within a few units of; where the fixed-point sum
// falls near a half (about one pixel in 10^8, or many pixels for weights that
// produce exact halves), the rule itself decides. Same bytes, a fraction of the time.
namespace {
constexpr Reel Echelle = 4294967296.0L; // 2^32
constexpr int64_t Demi = int64_t(1) << 31, Marge = 8;
} // namespace

Regle::Regle(const Coefficients &k, const Tables &t) : k_(k) {
    // Bounded weights keep the 64-bit sums from overflowing (false for NaN too).
    auto borne = [](Reel w) { return w >= -4 && w <= 4; };
    rapide_ = borne(k.kR) && borne(k.kV) && borne(k.kB);
    for (int v = 0; v < 256; ++v) {
        if (rapide_) {
            qR_[v] = Round(v * k.kR * Echelle);
            qV_[v] = Round(v * k.kV * Echelle);
            qB_[v] = Round(v * k.kB * Echelle);
        }
        sortie_[v] = {t.B[v], t.V[v], t.R[v]};
        sortie4_[v] = uint32_t(t.B[v]) | uint32_t(t.V[v]) << 8 | uint32_t(t.R[v]) << 16;
        teinte16_[0][v] = t.B[v];
        teinte16_[1][v] = t.V[v];
        teinte16_[2][v] = t.R[v];
    }
    // 16 at a time: each weight as Round(2^S k), so each product is within c / 2
    // <= 127.5 units of 2^S c k and the sum within 383 units of 2^S times the
    // exact level, which the rule's long double sum lies within one unit of. At
    // least Marge16 units from every half, both round alike; nearer, the path
    // below decides. S keeps 255 times the integers' magnitudes within 2^30.
    if (!rapide_) return;
    const Reel pire = std::fabs(k.kR) + std::fabs(k.kV) + std::fabs(k.kB);
    const int s = vbmi::DecalageProduits(pire);
    if (s == 0) return;
    par16_ = true;
    decalage16_ = s;
    facteurs16_[0] = int32_t(Round(std::ldexp(k.kR, s)));
    facteurs16_[1] = int32_t(Round(std::ldexp(k.kV, s)));
    facteurs16_[2] = int32_t(Round(std::ldexp(k.kB, s)));
}

#ifdef VELMORA_VBMI
namespace {

constexpr int32_t Marge16 = 400;

// One quarter (16 pixels) of a 64-pixel block: the grey levels, rounded, and
// which pixels have a level near a half.
template <int q>
VELMORA_CIBLE_VBMI inline __m512i Niveaux(const vbmi::Plans &p, __m512i kR, __m512i kV, __m512i kB,
                                          const vbmi::Arrondi &arrondi, __mmask16 &douteux) {
    const __m512i somme = _mm512_add_epi32(
        _mm512_add_epi32(_mm512_mullo_epi32(vbmi::Quart<q>(p.rouge), kR),
                         _mm512_mullo_epi32(vbmi::Quart<q>(p.vert), kV)),
        _mm512_mullo_epi32(vbmi::Quart<q>(p.bleu), kB));
    douteux = arrondi.Douteux(somme);
    return arrondi.Arrondis(somme);
}

// 64 pixels at a time; returns how many were done. The quarters with a level
// near a half are left to autres(d, sortie): 16 pixels from d, written into sortie.
template <class Autres>
VELMORA_CIBLE_VBMI std::size_t Traiter64(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const int32_t (&k)[3], int s,
                                         const uint8_t (&teinte)[3][256], Autres &&autres) {
    const vbmi::Table b = vbmi::ChargerTable(teinte[0]), v = vbmi::ChargerTable(teinte[1]),
                      r = vbmi::ChargerTable(teinte[2]);
    const vbmi::Arrondi arrondi(s, Marge16);
    const __m512i kR = _mm512_set1_epi32(k[0]), kV = _mm512_set1_epi32(k[1]),
                  kB = _mm512_set1_epi32(k[2]);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const vbmi::Plans p = vbmi::Separer64(src + i);
        __mmask16 d[4];
        const __m512i gris = vbmi::Emballer(Niveaux<0>(p, kR, kV, kB, arrondi, d[0]),
                                            Niveaux<1>(p, kR, kV, kB, arrondi, d[1]),
                                            Niveaux<2>(p, kR, kV, kB, arrondi, d[2]),
                                            Niveaux<3>(p, kR, kV, kB, arrondi, d[3]));
        const __mmask64 haut = _mm512_movepi8_mask(gris);
        const vbmi::Plans sortie{vbmi::Chercher(b, gris, haut), vbmi::Chercher(v, gris, haut),
                                 vbmi::Chercher(r, gris, haut)};
        const unsigned douteux = (d[0] ? 1u : 0u) | (d[1] ? 2u : 0u) | (d[2] ? 4u : 0u) | (d[3] ? 8u : 0u);
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

VELMORA_CIBLE_AVX2 inline __m256i Niveaux8(const avx2::Canaux8 &p, __m256i kR, __m256i kV, __m256i kB,
                                           const avx2::Arrondi &arrondi, bool &douteux) {
    const __m256i somme = arrondi.Decaler(_mm256_add_epi32(
        _mm256_add_epi32(_mm256_mullo_epi32(p.rouge, kR), _mm256_mullo_epi32(p.vert, kV)),
        _mm256_mullo_epi32(p.bleu, kB)));
    douteux = arrondi.Douteux(arrondi.Reste(somme)) != 0;
    const __m256i niveau = arrondi.Arrondis(somme);
    return _mm256_min_epi32(_mm256_max_epi32(niveau, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

// 32 output pixels from their levels through the 4-byte table: one store a
// pixel, each store's fourth byte overwritten by the next pixel's, the last
// pixel in three. (A gather of the entries and a byte shuffle was no faster:
// gathers are slow on many processors.)
VELMORA_CIBLE_AVX2 inline void Ecrire32(TPtImg *dst, const __m256i (&niveaux)[4], const uint32_t *sortie4) {
    uint8_t *o = reinterpret_cast<uint8_t *>(dst);
#  pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
        uint32_t n[8];
        avx2::Extraire(niveaux[j], n);
#  pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) std::memcpy(o + 3 * (8 * j + k), &sortie4[n[k]], j == 3 && k == 7 ? 3 : 4);
    }
}

// 32 pixels at a time, the grey levels as the 64-byte path forms them, the
// output pixels from a table of 4-byte entries; returns how many were done.
// Groups of 8 with a level near a half are left to autres(d, sortie): 8 pixels
// from d, written into sortie.
template <class Autres>
VELMORA_CIBLE_AVX2 std::size_t Traiter32(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const int32_t (&k)[3], int s, const uint32_t *sortie4,
                                         Autres &&autres) {
    const avx2::Arrondi arrondi(s, Marge16);
    const __m256i kR = _mm256_set1_epi32(k[0]), kV = _mm256_set1_epi32(k[1]),
                  kB = _mm256_set1_epi32(k[2]);
    std::size_t i = 0;
    // Pixels8 reads 4 bytes past its 8 pixels: the last block leaves 2 pixels.
    for (; i + 34 <= n; i += 32) {
        bool d[4];
        __m256i g[4];
#  pragma GCC unroll 4
        for (int j = 0; j < 4; ++j) g[j] = Niveaux8(avx2::Pixels8(src + i + 8 * j), kR, kV, kB, arrondi, d[j]);
        const unsigned douteux = (d[0] ? 1u : 0u) | (d[1] ? 2u : 0u) | (d[2] ? 4u : 0u) | (d[3] ? 8u : 0u);
        if (!douteux) {
            Ecrire32(dst + i, g, sortie4);
            continue;
        }
        const GroupesDouteux<8> exacts(douteux, i, autres);
        Ecrire32(dst + i, g, sortie4);
        exacts.Reposer(dst + i);
    }
    return i;
}

} // namespace
#endif

void Regle::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    if (!rapide_) {
        for (std::size_t i = 0; i < n; ++i) dst[i] = sortie_[Gris(src[i], k_)];
        return;
    }
    std::size_t fait = 0;
#ifdef VELMORA_VBMI
    if (par16_ && vbmi::AvecVbmi())
        fait = Traiter64(src, dst, n, facteurs16_, decalage16_, teinte16_,
                         [&](std::size_t d, TPtImg *sortie) { TraiterTables(src + d, sortie, 16); });
#endif
#ifdef VELMORA_AVX2
    if (fait == 0 && par16_ && avx2::AvecAvx2())
        fait = Traiter32(src, dst, n, facteurs16_, decalage16_, sortie4_,
                         [&](std::size_t d, TPtImg *sortie) { TraiterTables(src + d, sortie, 8); });
#endif
    TraiterTables(src + fait, dst + fait, n - fait);
}

void Regle::TraiterTables(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
        const TPtImg p = src[i];
        const int64_t s = qR_[p.Rouge] + qV_[p.Vert] + qB_[p.Bleu];
        int32_t g;
        // Each entry is within half a unit of its product, so s is within 1.5
        // units of their exact sum, and the rule's long double sum within
        // 2^-22 units of that: away from a half both round alike.
        if (uint64_t((s & 0xFFFFFFFF) - (Demi - Marge)) <= uint64_t(2 * Marge)) {
            g = Gris(p, k_);
        } else {
            const int64_t r = (s + Demi) >> 32;
            g = r < 0 ? 0 : (r > 255 ? 255 : int32_t(r));
        }
        dst[i] = sortie_[g];
    }
}

void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n, const Coefficients &k,
             const Tables &t) {
    const Regle regle(k, t);
    PourTranches(n, [&](std::size_t d, std::size_t f) { regle.Traiter(src + d, dst + d, f - d); });
}

void Etat::DefinirCoeffs(Point p) {
    coeffs_ = CalculeCoeffs(geometrie, p);
    regle_ = Regle(coeffs_, tables_);
}

void Etat::DefinirTables(const Tables &t) {
    tables_ = t;
    regle_ = Regle(coeffs_, tables_);
}

// --- Tint list ------------------------------------------------------------------

const char *const ListeTeintes[15] = {
    "Neutre : $808080",  "Acier : $3A8EBA",   "Ambre : $F0C300",  "Ardoise : $686F8C",
    "Chair : $FEC3AC",   "Eau : $B0F2B6",     "Kaki : $798933",   "Lichen : $85C17E",
    "Opaline : $97DFC6", "Or : $D2CB0F",      "Rouille : $985717", "Sanguine : $850606",
    "Sépia : $A98C78",   "Violine : $A10684", "Autre teinte ...",
};

const std::vector<std::string> &TeintesInitiales() {
    static const std::vector<std::string> liste(std::begin(ListeTeintes), std::end(ListeTeintes));
    return liste;
}

ErreurConversion::ErreurConversion(const std::string &texte)
    : std::runtime_error("'" + texte + "' n'est pas une valeur entière correcte") {}

std::string TexteValeur(std::string_view entree) {
    std::size_t debut = entree.find('$');
    if (debut == std::string_view::npos) debut = 0;
    // 7 characters, not bytes: a UTF-8 character is one lead byte and its
    // continuation bytes.
    std::size_t fin = debut;
    for (int n = 0; n < 7 && fin < entree.size(); ++n) {
        ++fin;
        while (fin < entree.size() && (uint8_t(entree[fin]) & 0xC0) == 0x80) ++fin;
    }
    return std::string(entree.substr(debut, fin - debut));
}

int32_t ValeurTeinte(std::string_view entree) {
    const std::string texte = TexteValeur(entree);
    std::size_t i = 0;
    while (i < texte.size() && texte[i] == ' ') ++i;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) negatif = texte[i++] == '-';
    int base = 10;
    if (i < texte.size() && texte[i] == '$') {
        base = 16;
        ++i;
    }
    if (i == texte.size()) throw ErreurConversion(texte);
    int64_t v = 0; // at most 7 digits: no overflow
    for (; i < texte.size(); ++i) {
        const char c = texte[i];
        int chiffre;
        if (c >= '0' && c <= '9') chiffre = c - '0';
        else if (base == 16 && c >= 'A' && c <= 'F') chiffre = c - 'A' + 10;
        else if (base == 16 && c >= 'a' && c <= 'f') chiffre = c - 'a' + 10;
        else throw ErreurConversion(texte);
        v = v * base + chiffre;
    }
    return int32_t(negatif ? -v : v);
}

std::string NouvelleEntree(std::string_view nom, int rouge, int vert, int bleu) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%06X",
                  unsigned((rouge & 0xFF) << 16 | (vert & 0xFF) << 8 | (bleu & 0xFF)));
    return w1252::VersUtf8(w1252::DepuisUtf8(nom)) + " : $" + hex;
}

// --- Tint files -------------------------------------------------------------------

void EnregistrerTeinte(const std::filesystem::path &chemin, std::string_view entree) {
    EcrireFichier(chemin, w1252::DepuisUtf8(entree));
}

std::string ChargerTeinte(const std::filesystem::path &chemin) {
    // A list item is a zero-terminated text where these files come from: a NUL
    // ends the entry there, on every back end alike.
    std::string ligne = LirePremiereLigne(chemin);
    ligne.resize(std::min(ligne.size(), ligne.find('\0')));
    return w1252::VersUtf8(ligne);
}

} // namespace velmora::monochrome
