#include "GrainOuBr.h"

#include "imaging/BouclePixels.h"
#include "imaging/ParamCoul.h"

#include <climits>
#include <cmath>
#include <optional>
#include <utility>
#include <algorithm>
#include <array>
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
    if (r2 > den || (r2 == den && (q & 1))) ++q;
    return int32_t(q);
}

inline uint8_t Borne(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// What a spot needs besides the pixels.
struct ContexteTaches {
    int32_t amp[256];      // amp of the integer mean of the centre
    uint64_t inverse[256];  // floor(2^32 / m) + 1
    Reel w[3];            // weight by dx² + dy²: centre, sides, corners
    double wd[3], ud, td;
    Reel u, t;
    bool reference;

    explicit ContexteTaches(const Reglages &r)
        : ud(double(r.UnMoinsT)), td(double(r.t)), u(r.UnMoinsT), t(r.t), reference(r.Reference) {
        for (int m = 0; m < 256; ++m) {
            amp[m] = Amplitude(Reel(m), r.Niveau);
            inverse[m] = (uint64_t(1) << 32) / uint64_t(m == 0 ? 1 : m) + 1;
        }
        for (int d2 = 0; d2 < 3; ++d2) {
            w[d2] = std::cos(std::sqrt(Reel(d2)) / 1.5L) - 0.5875L;
            wd[d2] = double(w[d2]);
        }
    }

    // near(c × A / m)
    int32_t AmplitudeCanal(int32_t cA, int32_t m) const {
        return QuotientProche(uint32_t(cA), uint32_t(m), inverse[m]);
    }

    // near((Xl × (1 − t) + Xc × t) × w)
    int32_t Decalage(int32_t xl, int32_t xc, int d2) const {
        int32_t v;
        if (!reference && ArrondiSur((xl * ud + xc * td) * wd[d2], v)) return v;
        return int32_t(Round((Reel(xl) * u + Reel(xc) * t) * w[d2]));
    }
};

// The spot at e; g is the generator's state before its 28 draws. Only the pixels
// in [debut, fin) are computed and written (each draw's state comes from g alone).
// ecrit (optional): the pixels a later spot has written already, which this one
// leaves alone; it marks those it writes.
void Tache(const TPtImg *copie, TPtImg *hote, int32_t e, int32_t largeur,
           const ContexteTaches &k, uint32_t g, int64_t debut, int64_t fin,
           uint8_t *ecrit = nullptr) {
    const int32_t A = k.amp[CanauxMoyenne(ValeurDe(copie[e])).Lum];
    const int32_t xl = XDe(Sauts[1](g), A);
    // The nine places in writing order, dx outer, dy inner. On an image one or two
    // pixels wide several of them are one pixel, where the last write stands: taken
    // from the last, as the spots themselves are, when the later writes are kept.
    for (int j = 0; j < 9; ++j) {
        const int ordre = ecrit ? 8 - j : j;
        const int dx = ordre / 3 - 1, dy = ordre % 3 - 1, tirage = 2 + 3 * ordre;
        const int64_t p = int64_t(e) + dx + int64_t(dy) * largeur;
        if (p < debut || p >= fin) continue;
        if (ecrit) {
            if (ecrit[p]) continue;
            ecrit[p] = 1;
        }
        const int d2 = dx * dx + dy * dy;
        if (d2 == 2 && !k.reference) {
            // A corner: |Xl × (1 − t) + Xc × t| <= 638 (a <= 5 A), times the weight
            // 0.0000172 stays below 0.011, which rounds to 0: the pixel keeps its value.
            hote[p] = copie[p];
            continue;
        }
        const TCanaux c = CanauxDePixel(ValeurDe(copie[p]));
        int32_t m = (c.Rouge + c.Vert + c.Bleu) / 3;
        if (m == 0) m = 1;
        int32_t v[3];
        const int32_t canaux[3] = {c.Rouge, c.Vert, c.Bleu};
        for (int i = 0; i < 3; ++i) {
            const int32_t xc = XDe(Sauts[tirage + i](g), k.AmplitudeCanal(canaux[i] * A, m));
            v[i] = k.Decalage(xl, xc, d2) + canaux[i];
        }
        hote[p] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
    }
}

constexpr int TiragesTache = 28;

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
    Tache(copie, hote, e, largeur, dernier->second, GraineAlea, 0, INT64_MAX);
    GraineAlea = Sauts[TiragesTache](GraineAlea);
}

void MethodeTaches(const TPtImg *copie, TPtImg *hote, int32_t largeur, int32_t hauteur,
                   const Reglages &r) {
    const ContexteTaches k(r);
    const int64_t n = int64_t(largeur) * hauteur;
    const int64_t bas = 2 * int64_t(largeur), haut = n - 2 * int64_t(largeur);
    const int64_t tirages = n / (r.D > 0 ? r.D : 1) + 1;

    // A pixel ends with the value of the last spot that covers it, and each spot's
    // values depend on its own draws alone. So the spots are taken from the last to
    // the first, each writing only the pixels no later spot has written: about a
    // third of the work at the default density, the same bytes.
    // The positions depend on the generator alone: a first pass notes its state at
    // the start of each batch of positions; then each batch, from the last, is drawn
    // again and sorted into bands of the image, each band keeping the drawing order.
    // A spot across two bands goes into both, each computing only its own pixels, so
    // the bands share out among the cores and each stays in the cache.
    // A band is a power of two of pixels, about 8 rows (its copy, its result and its
    // marks stay in a core's cache), so that a spot (2 largeur + 3 pixels from first
    // to last) spans at most two of them.
    int decalage = 0;
    while ((int64_t(1) << decalage) < 8 * int64_t(largeur) + 3) ++decalage;
    const int64_t pixelsBande = int64_t(1) << decalage;
    const int64_t nbBandes = (n + pixelsBande - 1) >> decalage;
    const int64_t parLot = std::clamp<int64_t>(tirages / 8 + 1, 4096, int64_t(1) << 20);

    std::vector<uint32_t> departs;  // the state at the start of each batch
    uint32_t g = GraineAlea;
    for (int64_t i = 0; i < tirages; ++i) {
        if (i % parLot == 0) departs.push_back(g);
        g = Sauts[1](g);
        const int64_t e = int64_t((uint64_t(g) * uint32_t(n)) >> 32);
        if (bas < e && e < haut) g = Sauts[TiragesTache](g);
    }
    const uint32_t finale = g;

    struct Place {
        int32_t e;
        uint32_t g;
    };
    std::vector<Place> lot, ordre;
    std::vector<int64_t> debutBande(std::size_t(nbBandes + 1)), place;
    std::vector<uint8_t> ecrit(std::size_t(n), 0);
    auto bandes = [&](const Place &p) {
        return std::pair{(p.e - 1 - int64_t(largeur)) >> decalage,
                         (p.e + 1 + int64_t(largeur)) >> decalage};
    };
    for (int64_t b = int64_t(departs.size()) - 1; b >= 0; --b) {
        lot.clear();
        g = departs[std::size_t(b)];
        for (int64_t i = b * parLot; i < std::min(tirages, (b + 1) * parLot); ++i) {
            g = Sauts[1](g);
            const int64_t e = int64_t((uint64_t(g) * uint32_t(n)) >> 32);
            if (bas < e && e < haut) {
                lot.push_back({int32_t(e), g});
                g = Sauts[TiragesTache](g);
            }
        }
        // Counting sort by band: first and last pixel of each spot.
        std::fill(debutBande.begin(), debutBande.end(), 0);
        for (const Place &p : lot) {
            const auto [b1, b2] = bandes(p);
            ++debutBande[std::size_t(b1 + 1)];
            if (b2 != b1) ++debutBande[std::size_t(b2 + 1)];
        }
        for (int64_t i = 0; i < nbBandes; ++i)
            debutBande[std::size_t(i + 1)] += debutBande[std::size_t(i)];
        ordre.resize(std::size_t(debutBande[std::size_t(nbBandes)]));
        place.assign(debutBande.begin(), debutBande.end() - 1);
        for (const Place &p : lot) {
            const auto [b1, b2] = bandes(p);
            ordre[std::size_t(place[std::size_t(b1)]++)] = p;
            if (b2 != b1) ordre[std::size_t(place[std::size_t(b2)]++)] = p;
        }
        auto traiter = [&](int64_t b0, int64_t b1) {
            for (int64_t bande = b0; bande < b1; ++bande) {
                const int64_t debut = bande << decalage, fin = std::min(n, debut + pixelsBande);
                const int64_t premier = debutBande[std::size_t(bande)];
                for (int64_t j = debutBande[std::size_t(bande + 1)] - 1; j >= premier; --j) {
                    // The three rows of a spot a few places on, fetched while this one runs.
                    if (j - 8 >= premier) {
                        const int64_t e = ordre[std::size_t(j - 8)].e;
                        for (int64_t q = e - largeur - 1; q <= e + largeur - 1; q += largeur) {
                            if (q < debut - 2 || q >= fin) continue;
                            __builtin_prefetch(copie + q);
                            __builtin_prefetch(copie + q + 2);
                            __builtin_prefetch(hote + q, 1);
                            __builtin_prefetch(hote + q + 2, 1);
                        }
                    }
                    const Place &p = ordre[std::size_t(j)];
                    Tache(copie, hote, p.e, largeur, k, p.g, debut, fin, ecrit.data());
                }
            }
        };
        // Enough spots to be worth a second thread: split the bands.
        if (lot.size() < 20000) {
            traiter(0, nbBandes);
        } else {
            PourTranches(std::size_t(nbBandes), [&](std::size_t d, std::size_t f) {
                traiter(int64_t(d), int64_t(f));
            }, 2);
        }
    }
    GraineAlea = finale;
}

void MethodePseudoAlea(const TPtImg *copie, TPtImg *hote, std::size_t n, int32_t largeur,
                       const Reglages &r) {
    if (n == 0 || largeur <= 0) return;
    // amp and near(c × A / m) depend on the pixel's sum s = R + G + B and the channel
    // only: computed once for every s by the extended rule.
    std::vector<int32_t> amp(766);
    std::vector<int16_t> ampCanal(766 * 256);
    for (int s = 0; s < 766; ++s) {
        Reel m = Reel(s) / 3;
        if (m == 0) m = 1;
        amp[s] = Amplitude(m, r.Niveau);
        for (int c = 0; c < 256; ++c)
            ampCanal[s * 256 + c] = int16_t(Round(Reel(c * amp[s]) / m));
    }
    const Reel S = 2 * (r.K1 + r.K2) + 1;
    const double invS = 1.0 / double(S), k1S = double(r.K1) * invS, k2S = double(r.K2) * invS;
    const double uS = double(r.UnMoinsT) * invS, tS = double(r.t) * invS;
    // With t at 0, 1/2 or 1 every term is a multiple of 1/2, exact in both
    // precisions: the quotient by the integer S is then a half exactly or lies at
    // least 1/42 from one, so a value the fast path cannot settle is a true half.
    const bool demisExacts = r.t == 0 || r.t == 0.5L || r.t == 1;

    // The filtered values of the two rows above, by column, and the last two along
    // the scan; carried from the end of a row into the next one. Integers, held
    // as doubles for the fast path (exactly).
    struct Colonne {
        double r1[3], r2[3];
    };
    std::vector<Colonne> lignes(std::size_t(largeur), Colonne{{0, 0, 0}, {0, 0, 0}});
    double prec1[3] = {0, 0, 0}, prec2[3] = {0, 0, 0};
    int32_t col = 0;
    uint32_t g = GraineAlea;
    for (std::size_t i = 0; i < n; ++i) {
        const TCanaux c = CanauxDePixel(ValeurDe(copie[i]));
        const int32_t s = c.Rouge + c.Vert + c.Bleu;
        const int32_t xl = XDe(Sauts[1](g), amp[s]);
        const int32_t canaux[3] = {c.Rouge, c.Vert, c.Bleu};
        Colonne &ligne = lignes[col];
        int32_t v[3];
        for (int k = 0; k < 3; ++k) {
            const int32_t xc = XDe(Sauts[2 + k](g), ampCanal[s * 256 + canaux[k]]);
            const double p1 = ligne.r1[k] + prec1[k], p2 = ligne.r2[k] + prec2[k];
            // The state stays in doubles (integers, exactly): the value just rounded
            // feeds the next pixel without a conversion on the way.
            const double q = ((xl * uS + xc * tS) + p2 * k2S) + p1 * k1S;
            double vd;
            if (r.Reference || !ArrondiSur(q, vd)) {
                if (!r.Reference && demisExacts)
                    vd = double(Round(Reel(std::floor(q)) + 0.5L));  // an exact half
                else
                    vd = double(Round((((Reel(xl) * r.UnMoinsT + Reel(xc) * r.t) +
                                        Reel(p1) * r.K1) +
                                       Reel(p2) * r.K2) /
                                      S));
            }
            prec2[k] = prec1[k];
            prec1[k] = vd;
            ligne.r2[k] = ligne.r1[k];
            ligne.r1[k] = vd;
            v[k] = canaux[k] + int32_t(vd);
        }
        hote[i] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
        g = Sauts[4](g);
        if (++col == largeur) col = 0;
    }
    GraineAlea = g;
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
