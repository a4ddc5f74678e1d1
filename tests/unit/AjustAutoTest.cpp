#include <velmora/memoire.h>
#include "operations/AjustAuto.h"
#include "Chemins.h"
#include "imaging/BouclePixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace velmora;

namespace {

// --- Independent statements of the per-byte rules -------------------------

uint8_t Borne(long long v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }
uint8_t Decale(int v, int decalage) { return Borne(v + decalage); }

// A stretch factor as the fraction n / d it stands for (d > 0).
struct Facteur {
    long long n, d;
    long double Reel() const { return (long double)(n) / (long double)(d); }
};

// The (span, byte) pairs where the factor 255/span, held in extended precision
// (a 64-bit significand), tips an exact half of 255·(byte − 128)/span + 128 the
// other way than exact arithmetic does, with what the rule gives there. Worked
// out apart, in rational arithmetic, over every span 2..247 and every byte.
const struct {
    int span, octet, resultat;
} Bascules[] = {
    {54, 101, 1},  {82, 87, 1},   {106, 75, 1},  {108, 74, 1},   {122, 67, 1},
    {142, 57, 1},  {164, 46, 1},  {194, 31, 1},  {212, 22, 1},   {216, 20, 1},
    {226, 15, 1},  {238, 23, 15}, {238, 51, 45}, {244, 6, 1},    {246, 5, 1},
};

// Round(n·(v − 128)/d + 128), half to even, in integers, limited to a byte.
uint8_t EtireExact(int v, Facteur f) {
    const long long num = f.n * (v - 128) + 128 * f.d;
    long long q = num / f.d, r = num % f.d;
    if (r < 0) {
        --q;
        r += f.d;
    }
    if (2 * r > f.d || (2 * r == f.d && q % 2 != 0)) ++q;
    return Borne(q);
}

// The stretch as the rule gives it: exact, but for the pairs above.
uint8_t Etire(int v, Facteur f) {
    if (f.n == 255)
        for (auto b : Bascules)
            if (b.span == f.d && b.octet == v) return uint8_t(b.resultat);
    return EtireExact(v, f);
}

// --- Fixtures ---------------------------------------------------------------

TPtImg Gris(int v) { return {uint8_t(v), uint8_t(v), uint8_t(v)}; }

TPtsImg Image(const std::vector<TPtImg> &px) {
    TPtsImg img = TPtsImg::Creer(int32_t(px.size()));
    for (std::size_t i = 0; i < px.size(); ++i) img[i] = px[i];
    return img;
}

std::vector<TPtImg> Pixels(const TPtsImg &img) { return {img.begin(), img.end()}; }

// Grey pixels: `nombre` of each listed level.
std::vector<TPtImg> Niveaux(std::initializer_list<std::pair<int, int>> niveauNombre) {
    std::vector<TPtImg> px;
    for (auto [v, nombre] : niveauNombre) px.insert(px.end(), std::size_t(nombre), Gris(v));
    return px;
}

using Operation = void (*)(TPtImg *);

// Runs an operation on a counted array: the pixels it leaves, with the
// reference it took given back and the array's length untouched. (What the
// host is told is the boundary's part, tested through the built library.)
void EgalPixels(const std::vector<TPtImg> &obtenu, const std::vector<TPtImg> &attendu) {
    ASSERT_EQ(obtenu.size(), attendu.size());
    int ecarts = 0;
    for (std::size_t i = 0; i < obtenu.size() && ecarts < 8; ++i) {
        const TPtImg a = obtenu[i], b = attendu[i];
        if (a.Bleu != b.Bleu || a.Vert != b.Vert || a.Rouge != b.Rouge) {
            ++ecarts;
            ADD_FAILURE() << "pixel " << i << ": (" << int(a.Bleu) << "," << int(a.Vert) << ","
                          << int(a.Rouge) << ") instead of (" << int(b.Bleu) << ","
                          << int(b.Vert) << "," << int(b.Rouge) << ")";
        }
    }
}

// Run on the vector paths and on the plain ones, which must agree.
std::vector<TPtImg> Executer(Operation op, const std::vector<TPtImg> &px) {
    std::vector<TPtImg> resultats[2];
    for (const bool vecteurs : {true, false}) {
        vbmi::Permis = vecteurs;
        TPtsImg img = Image(px);
        const int32_t refs = tableau::References(img.data());
        op(img.data());
        EXPECT_EQ(tableau::References(img.data()), refs);
        EXPECT_EQ(img.size(), int32_t(px.size()));
        resultats[vecteurs ? 0 : 1] = Pixels(img);
    }
    vbmi::Permis = true;
    SCOPED_TRACE("plain paths against the vector paths");
    EgalPixels(resultats[1], resultats[0]);
    return resultats[0];
}

// Every byte through one rule (operation 5) or each channel through its own.
std::vector<TPtImg> Transformer(std::vector<TPtImg> px, const std::function<uint8_t(int)> &r,
                                const std::function<uint8_t(int)> &v,
                                const std::function<uint8_t(int)> &b) {
    for (TPtImg &p : px) p = {b(p.Bleu), v(p.Vert), r(p.Rouge)};
    return px;
}
std::vector<TPtImg> Transformer(std::vector<TPtImg> px, const std::function<uint8_t(int)> &f) {
    return Transformer(std::move(px), f, f, f);
}

TProfilS ProfilLisse(const std::vector<TPtImg> &px) {
    THistFin lisse;
    LissageHist(HistLuminance(px.data(), px.size()), lisse);
    return ProfilDe(lisse);
}

} // namespace

// --- Smoothing, bounds, tables ----------------------------------------------

TEST(AjustAutoHist, LissageHist) {
    const struct {
        const char *nom;
        std::vector<std::pair<int, int32_t>> entree; // bin, count
        std::vector<std::pair<int, int32_t>> attendu; // every other bin 0
    } cas[] = {
        {"spike of 7: 1.4 rounds down", {{100, 7}}, {{98, 1}, {99, 1}, {100, 1}, {101, 1}, {102, 1}}},
        {"spike of 8: 1.6 rounds up", {{100, 8}}, {{98, 2}, {99, 2}, {100, 2}, {101, 2}, {102, 2}}},
        {"sums 2 and 3 around a pair", {{50, 2}, {51, 1}},
         {{48, 0}, {49, 1}, {50, 1}, {51, 1}, {52, 1}, {53, 0}}},
        {"ends are cleared, inner edge bins read them", {{3, 10}, {252, 20}},
         {{5, 2}, {250, 4}}},
        {"bins 0..2 and 253..255 leave no trace", {{0, 50}, {2, 50}, {253, 50}, {255, 50}}, {}},
        {"largest counts sum in 64 bits", {{120, INT32_MAX}, {121, INT32_MAX}, {122, INT32_MAX},
                                           {123, INT32_MAX}, {124, INT32_MAX}},
         {{118, 429496729}, {119, 858993459}, {120, 1288490188}, {121, 1717986918},
          {122, INT32_MAX}, {123, 1717986918}, {124, 1288490188}, {125, 858993459},
          {126, 429496729}}},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.nom);
        THistFin src{}, attendu{}, dst;
        dst.fill(-1);
        for (auto [j, n] : c.entree) src[j] = n;
        for (auto [j, n] : c.attendu) attendu[j] = n;
        LissageHist(src, dst);
        EXPECT_EQ(dst, attendu);
        LissageHist(src, src); // in place
        EXPECT_EQ(src, attendu);
    }
    // A flat histogram keeps its level over 5..250.
    THistFin plat, lisse;
    plat.fill(1000);
    LissageHist(plat, lisse);
    for (int j = 0; j < 256; ++j) EXPECT_EQ(lisse[j], j >= 5 && j <= 250 ? 1000 : 0) << j;
}

TEST(AjustAutoNiveaux, BornesEtSeuilEtirement) {
    // S is a block of 100s over [debut, fin]; T is a tenth of its mean.
    const struct {
        int debut, fin;
        int bas, haut, decalage;
        bool etirer;
    } cas[] = {
        {8, 248, 7, 249, 0, true},     // span 242: 255/242 > 1.05
        {8, 249, 7, 250, 0, false},    // span 243: 255/243 < 1.05
        {98, 152, 97, 153, 3, true},   // span 56
        {5, 250, 4, 251, 1, false},    // whole scan range
        {128, 128, 127, 129, 0, true}, // one bin
        {0, 4, 250, 5, 1, false},      // only outside the scan: no bound found
        {251, 255, 250, 5, 1, false},
        {-1, -1, 250, 5, 1, false},    // empty
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(testing::Message() << c.debut << ".." << c.fin);
        TProfilS S{};
        if (c.debut >= 0)
            for (int j = c.debut; j <= c.fin; ++j) S[j] = 100;
        const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
        EXPECT_EQ(niv.Bas, c.bas);
        EXPECT_EQ(niv.Haut, c.haut);
        EXPECT_EQ(niv.Decalage, c.decalage);
        EXPECT_EQ(niv.Etirer, c.etirer);
        EXPECT_EQ(niv.Facteur, 255.0L / (c.haut - c.bas));
    }
    // T compares strictly: a bin equal to T is not above it.
    TProfilS S{};
    S[100] = 1;
    S[200] = 2559; // sum 2560: T = 1
    const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
    EXPECT_EQ(Seuil(S), 1.0L);
    EXPECT_EQ(niv.Bas, 199);
    EXPECT_EQ(niv.Haut, 201);
}

TEST(AjustAutoNiveaux, TableComposeeEgaleDecalagePuisEtirement) {
    const int decalages[] = {-300, -128, -3, 0, 1, 3, 38, 127, 255, 300};
    const Facteur facteurs[] = {{-1, 1},   {1, 2},   {1, 1},     {255, 243}, {255, 242},
                                {255, 56}, {255, 6}, {255, 126}, {255, 54},  {1000, 1}};
    // One pixel per byte value, channels in different orders.
    std::vector<TPtImg> px;
    for (int v = 0; v < 256; ++v) px.push_back({uint8_t(v), uint8_t(255 - v), uint8_t(v ^ 0x5A)});
    for (int o : decalages)
        for (const Facteur ff : facteurs) {
            SCOPED_TRACE(testing::Message() << "offset " << o << " factor " << ff.n << "/" << ff.d);
            const long double f = ff.Reel();
            const TTableNiv t = Composer(DecalageNiv(o), EtirementNiv(f));
            for (int v = 0; v < 256; ++v) ASSERT_EQ(t[v], Etire(Decale(v, o), ff)) << v;
            EXPECT_EQ(TableNiveaux({0, 0, o, f, true}), t);
            EXPECT_EQ(TableNiveaux({0, 0, o, f, false}), DecalageNiv(o));

            // The same through the pixel passes: one channel, then all three.
            TTablesCanaux tables;
            DecalageCanal(2, o, tables);
            EtirementCanal(2, f, tables);
            DecalageCanal(0, o, tables); // no such channel
            EtirementCanal(4, f, tables);
            auto id = [](int v) { return uint8_t(v); };
            auto regle = [&](int v) { return Etire(Decale(v, o), ff); };
            SurChaqueChemin([&] {
                TPtsImg img = Image(px);
                AppliquerTables(img.data(), px.size(), tables);
                EgalPixels(Pixels(img), Transformer(px, id, regle, id));
                TPtsImg img3 = Image(px);
                AppliquerTable(img3.data(), px.size(), t);
                EgalPixels(Pixels(img3), Transformer(px, regle));
            });
        }
}

TEST(AjustAutoNiveaux, EtirementEnPrecisionEtendue) {
    // Every span the bounds can give, every byte: exact arithmetic but for
    // the pinned pairs, each of which does differ from it.
    for (int span = 2; span <= 247; ++span) {
        const TTableNiv t = EtirementNiv(255.0L / span);
        for (int v = 0; v < 256; ++v) ASSERT_EQ(t[v], Etire(v, {255, span})) << span << " " << v;
    }
    for (auto b : Bascules) {
        EXPECT_NE(b.resultat, EtireExact(b.octet, {255, b.span})) << b.span << " " << b.octet;
        EXPECT_EQ(EtirementNiv(255.0L / b.span)[b.octet], b.resultat) << b.span << " " << b.octet;
    }
}

TEST(AjustAutoCourbe, PointsFixesEtForme) {
    const struct { int bas, haut; } cas[] = {{1, 50}, {6, 44}, {12, 39}, {3, 48}, {12, 50}};
    for (auto c : cas) {
        SCOPED_TRACE(testing::Message() << c.bas << "/51 and " << c.haut << "/51");
        const double pBas = double(c.bas) / 51, pHaut = double(c.haut) / 51;
        const TTableNiv t = CourbeDeuxPics(pBas, pHaut);
        EXPECT_EQ(t[0], 0);
        EXPECT_EQ(t[127], 127);
        EXPECT_EQ(t[128], 128);
        EXPECT_EQ(t[255], 255);
        for (int v = 0; v < 256; ++v) {
            if (v > 0) {
                EXPECT_LE(t[v - 1], t[v]) << v;
            }
            // Shadows lifted, highlights lowered.
            if (v <= 127) {
                EXPECT_GE(t[v], v);
            } else {
                EXPECT_LE(t[v], v);
            }
        }
    }
    // Values worked out apart (40-digit arithmetic) for peaks at 6/51 and 44/51;
    // none lies near a half.
    const TTableNiv t6 = CourbeDeuxPics(6.0 / 51, 44.0 / 51);
    const struct { int v, attendu; } valeurs[] = {
        {1, 2},     {5, 12},    {20, 41},   {64, 95},   {100, 117}, {126, 127},
        {129, 128}, {160, 142}, {200, 172}, {240, 226}, {254, 253},
    };
    for (auto [v, attendu] : valeurs) EXPECT_EQ(t6[v], attendu) << v;

    // Each half comes from its own peak and leaves the other alone.
    TTableNiv t{};
    t.fill(7);
    DemiCourbe(true, 6.0 / 51, t);
    EXPECT_EQ(t[128], 7);
    EXPECT_EQ(t[255], 7);
    DemiCourbe(false, 44.0 / 51, t);
    EXPECT_EQ(t, CourbeDeuxPics(6.0 / 51, 44.0 / 51));
}

TEST(AjustAutoAnalyse, ProfilGrossier) {
    const struct {
        std::vector<std::pair<int, double>> S;
        std::vector<std::pair<int, int32_t>> H; // every other entry 0
    } cas[] = {
        {{{30, 900}}, {{6, 100}}},               // windows of 9 bins, step 5
        {{{33, 900}}, {{6, 100}, {7, 100}}},     // overlapping windows
        {{{1, 900}, {254, 900}}, {{1, 100}, {50, 100}}},
        {{{0, 900}, {255, 900}}, {}},            // never read
        {{{40, 17}}, {{8, 1}}},                  // div 9 truncates
        {{{40, 8.5}, {41, 0.5}, {42, 9}}, {{8, 1}, {9, 1}}}, // each bin rounded half to even first
    };
    for (const auto &c : cas) {
        TProfilS S{};
        for (auto [j, v] : c.S) S[j] = v;
        THist attendu(52, 0);
        for (auto [j, v] : c.H) attendu[j] = v;
        EXPECT_EQ(ProfilGrossier(S), attendu) << c.S.front().first;
    }
}

TEST(AjustAutoAnalyse, ExtremumsEtReduction) {
    auto H = [](std::initializer_list<std::pair<int, int32_t>> valeurs) {
        THist h(52, 0);
        for (auto [i, v] : valeurs) h[i] = v;
        return h;
    };
    // Both keep 6 steps apart: the rise at 11 and the peaks at 18 and 47 fall
    // within 5 steps of the extremum before them.
    const TTMinMax L =
        ChercherExtremums(H({{6, 100}, {12, 1}, {14, 3}, {18, 50}, {44, 90}, {47, 80}}), 2);
    ASSERT_EQ(L.size(), 3u);
    EXPECT_TRUE(L[0].EstMax);
    EXPECT_EQ(L[0].PosRel, 6.0 / 51);
    EXPECT_EQ(L[0].Valeur, 100);
    EXPECT_FALSE(L[1].EstMax);
    EXPECT_EQ(L[1].PosRel, 13.0 / 51);
    EXPECT_EQ(L[1].Valeur, 0);
    EXPECT_TRUE(L[2].EstMax);
    EXPECT_EQ(L[2].PosRel, 44.0 / 51);
    // A peak not above T is no maximum; a minimum needs no threshold.
    EXPECT_TRUE(ChercherExtremums(H({{20, 5}}), 5).empty());
    THist vallee = H({{6, 100}, {14, 90}});
    for (int i = 7; i <= 13; ++i) vallee[i] = 40;
    const TTMinMax L2 = ChercherExtremums(vallee, 2);
    ASSERT_EQ(L2.size(), 2u);
    EXPECT_FALSE(L2[1].EstMax);
    EXPECT_EQ(L2[1].PosRel, 13.0 / 51);
    EXPECT_EQ(L2[1].Valeur, 40);

    auto E = [](int i, double v) { return TMinMax{true, double(i) / 51, v}; };
    const struct {
        const char *nom;
        TTMinMax entree;
        std::vector<int> positions; // kept coarse indices, in order
    } cas[] = {
        {"empty", {}, {}},
        {"outer pair", {E(6, 100), E(13, 0), E(44, 100)}, {6, 44}},
        {"second peak mid-range", {E(6, 100), E(13, 0), E(30, 100)}, {6}},
        {"ties: the earliest is first choice", {E(20, 100), E(30, 100)}, {20}},
        {"largest pair decides, third ignored", {E(5, 50), E(12, 90), E(40, 100)}, {12, 40}},
        {"tenth of the largest is not above it", {E(6, 100), E(44, 10)}, {6}},
        {"pair in wrong quarters keeps the largest", {E(6, 40), E(24, 100)}, {24}},
        {"0.25 and 0.75 themselves fail (12.75, 38.25)", {E(13, 100), E(44, 90)}, {13}},
        {"12 and 39 pass", {E(12, 100), E(39, 90)}, {12, 39}},
        {"minima count alike", {E(6, 20), TMinMax{false, 44.0 / 51, 100}}, {6, 44}},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.nom);
        TTMinMax l = c.entree;
        ReduireExtremums(l);
        std::vector<int> pos;
        for (const TMinMax &e : l) pos.push_back(int(std::lround(e.PosRel * 51)));
        EXPECT_EQ(pos, c.positions);
    }
}

// --- Operation 5 -------------------------------------------------------------

TEST(AjustAutoLum, GrisUniformeInchange) {
    const std::vector<TPtImg> px(500, Gris(128));
    const TTMinMax L = AnalyseBimodale(ProfilLisse(px), Seuil(ProfilLisse(px)));
    ASSERT_EQ(L.size(), 1u);
    const TNiveaux niv = CorrectionNiveaux(ProfilLisse(px), Seuil(ProfilLisse(px)));
    EXPECT_EQ(niv.Bas, 125);
    EXPECT_EQ(niv.Haut, 131);
    EXPECT_EQ(niv.Decalage, 0);
    EXPECT_EQ(niv.Facteur, 42.5L);
    EgalPixels(Executer(AjustAutoLum, px), px);
}

TEST(AjustAutoLum, DeuxPicsExtremesCourbe) {
    // Dark peak at 30, bright at 220, a faint cluster at 75 making the valley
    // rise early enough for the bright peak to be recorded.
    std::vector<TPtImg> px = Niveaux({{30, 1000}, {75, 50}, {220, 1000}});
    // Colour in the pixels: the curve applies to every byte alike.
    px[0] = {30, 10, 50};
    px[1] = {220, 200, 240};
    const TTMinMax L = AnalyseBimodale(ProfilLisse(px), Seuil(ProfilLisse(px)));
    ASSERT_EQ(L.size(), 2u);
    EXPECT_EQ(L[0].PosRel, 6.0 / 51);
    EXPECT_EQ(L[1].PosRel, 44.0 / 51);
    // The curve of these two peaks (its values are checked in AjustAutoCourbe).
    const TTableNiv t = CourbeDeuxPics(6.0 / 51, 44.0 / 51);
    const auto attendu = Transformer(px, [&t](int v) { return t[v]; });
    EgalPixels(Executer(AjustAutoLum, px), attendu);
    EXPECT_GT(attendu[2].Rouge, 30); // the dark peak is lifted
    EXPECT_LT(attendu[1100].Rouge, 220); // the bright one lowered
}

TEST(AjustAutoLum, SecondPicAuMilieuNiveaux) {
    // Second peak at 150 (coarse 30/51): levels over lo 27, hi 153.
    const std::vector<TPtImg> px = Niveaux({{30, 1000}, {75, 50}, {150, 1000}});
    const TTMinMax L = AnalyseBimodale(ProfilLisse(px), Seuil(ProfilLisse(px)));
    ASSERT_EQ(L.size(), 1u);
    EXPECT_EQ(L[0].PosRel, 6.0 / 51);
    const auto attendu = Transformer(px, [](int v) { return Etire(Decale(v, 38), {255, 126}); });
    EgalPixels(Executer(AjustAutoLum, px), attendu);
}

TEST(AjustAutoLum, DeuxPicsIsolesNiveaux) {
    // Without anything between them, the valley's minimum is only recorded
    // just before the bright peak, which then lies too close to be recorded:
    // one peak, levels over lo 27, hi 223.
    const std::vector<TPtImg> px = Niveaux({{30, 1000}, {220, 1000}});
    const TTMinMax L = AnalyseBimodale(ProfilLisse(px), Seuil(ProfilLisse(px)));
    ASSERT_EQ(L.size(), 1u);
    const auto attendu = Transformer(px, [](int v) { return Etire(Decale(v, 3), {255, 196}); });
    EgalPixels(Executer(AjustAutoLum, px), attendu);
}

TEST(AjustAutoLum, HistogrammePlatDecalageSeul) {
    // Every luminance equally common, from pixels that are not all grey.
    std::vector<TPtImg> px;
    for (int rep = 0; rep < 3; ++rep)
        for (int v = 0; v < 256; ++v) {
            const int b = std::min(255, v + 1), r = std::max(0, 3 * v - b - v);
            px.push_back(TPtImg{uint8_t(b), uint8_t(v), uint8_t(r)});
        }
    for (const TPtImg &p : px) ASSERT_LE(std::abs((p.Bleu + p.Vert + p.Rouge) / 3 - p.Vert), 0);
    const TProfilS S = ProfilLisse(px);
    const TTMinMax L = AnalyseBimodale(S, Seuil(S));
    ASSERT_EQ(L.size(), 1u);
    EXPECT_EQ(L[0].PosRel, 49.0 / 51);
    const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
    EXPECT_EQ(niv.Bas, 4);
    EXPECT_EQ(niv.Haut, 251);
    EXPECT_FALSE(niv.Etirer);
    EgalPixels(Executer(AjustAutoLum, px), Transformer(px, [](int v) { return Decale(v, 1); }));
}

TEST(AjustAutoLum, NoirEtExtremesInchanges) {
    EgalPixels(Executer(AjustAutoLum, std::vector<TPtImg>(300, Gris(0))),
               std::vector<TPtImg>(300, Gris(0)));
    // Luminances only in 0..2 and 253..255: nothing survives smoothing.
    const auto px = Niveaux({{1, 100}, {2, 100}, {254, 100}, {255, 100}});
    EgalPixels(Executer(AjustAutoLum, px), px);
}

// --- Operation 6 -------------------------------------------------------------

TEST(AjustAutoCoul, GrisUniformeInchange) {
    const std::vector<TPtImg> px(500, Gris(128));
    EgalPixels(Executer(AjustAutoCoul, px), px);
}

TEST(AjustAutoCoul, RougeEtroitVertBleuPleins) {
    // Red: every value of 100..150 256 times; green and blue: every value of
    // 0..255 51 times, in different orders.
    std::vector<TPtImg> px;
    for (int k = 0; k < 51 * 256; ++k)
        px.push_back({uint8_t(255 - k % 256), uint8_t((k * 7) % 256), uint8_t(100 + k / 256)});
    auto rouge = [](int v) { return Etire(Decale(v, 3), {255, 56}); };
    auto plus1 = [](int v) { return Decale(v, 1); };
    const auto obtenu = Executer(AjustAutoCoul, px);
    EgalPixels(obtenu, Transformer(px, rouge, plus1, plus1));
}

TEST(AjustAutoCoul, SeuilEtirementParCanal) {
    // Each channel spread evenly over 10..246 (lo 7, hi 249, span 242) is
    // stretched; over 10..247 (span 243, centre 128) it is left as it is.
    for (int fin : {246, 247}) {
        SCOPED_TRACE(fin);
        std::vector<TPtImg> px;
        for (int rep = 0; rep < 5; ++rep)
            for (int v = 10; v <= fin; ++v) px.push_back({uint8_t(v), uint8_t(fin + 10 - v), uint8_t(v)});
        const auto regle = [fin](int v) {
            return fin == 246 ? Etire(v, {255, 242}) : uint8_t(v);
        };
        EgalPixels(Executer(AjustAutoCoul, px), Transformer(px, regle));
    }
}

TEST(AjustAutoCoul, RougePurEtNoir) {
    const std::vector<TPtImg> rouge(200, TPtImg{0, 0, 255});
    EgalPixels(Executer(AjustAutoCoul, rouge), std::vector<TPtImg>(200, TPtImg{1, 1, 255}));
    // No channel finds a bound: each is shifted by +1.
    EgalPixels(Executer(AjustAutoCoul, std::vector<TPtImg>(200, Gris(0))),
               std::vector<TPtImg>(200, Gris(1)));
}

// --- Both ------------------------------------------------------------------

TEST(AjustAuto, TableauVideEtCompteDuTableau) {
    for (Operation op : {AjustAutoLum, AjustAutoCoul}) {
        op(nullptr);  // an empty array: nothing to read or write
        // The array's own count is what is read and written (the sanitizer
        // build catches any overrun).
        EgalPixels(Executer(op, std::vector<TPtImg>(7, Gris(128))),
                   std::vector<TPtImg>(7, Gris(128)));
    }
}

TEST(AjustAuto, GrandeImageParTranches) {
    // Large enough to be split across threads: histograms and passes must
    // match a plain count and a plain per-byte loop.
    const std::size_t n = 700 * 500;
    std::mt19937 alea(12345);
    std::vector<TPtImg> px(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int base = int((i % 700) * 255 / 699);
        px[i] = {uint8_t(std::clamp<int>(base + int(alea() % 41) - 20, 0, 255)),
                 uint8_t(alea() % 256), uint8_t(std::clamp<int>(base / 2 + int(alea() % 21), 0, 255))};
    }
    THistFin lum{}, r{}, v{}, b{};
    for (const TPtImg &p : px) {
        ++lum[(p.Bleu + p.Vert + p.Rouge) / 3];
        ++r[p.Rouge];
        ++v[p.Vert];
        ++b[p.Bleu];
    }
    EXPECT_EQ(HistLuminance(px.data(), n), lum);
    // Counted by pairs or byte by byte depending on the slice's size, the
    // luminance four pixels at a time then one by one: every prefix length
    // around the switches and the split across threads, odd ones and those
    // that are not multiples of 4 included, counts the same.
    for (std::size_t m : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(5),
                          std::size_t(7), std::size_t(9), std::size_t(16383), std::size_t(16384),
                          std::size_t(16385), std::size_t(32767), std::size_t(32768),
                          std::size_t(32769), std::size_t(65537), SeuilParallele + 1,
                          SeuilParallele + 2, SeuilParallele + 3, SeuilParallele + 6, n - 1, n}) {
        THistFin rm{}, vm{}, bm{}, lm{};
        for (std::size_t i = 0; i < m; ++i) {
            ++rm[px[i].Rouge];
            ++vm[px[i].Vert];
            ++bm[px[i].Bleu];
            ++lm[(px[i].Bleu + px[i].Vert + px[i].Rouge) / 3];
        }
        const THistCanaux h = HistCanaux(px.data(), m);
        EXPECT_EQ(h.Rouge, rm) << m;
        EXPECT_EQ(h.Vert, vm) << m;
        EXPECT_EQ(h.Bleu, bm) << m;
        EXPECT_EQ(HistLuminance(px.data(), m), lm) << m;
    }

    // Operation 6 over the whole image against the per-channel rule.
    std::function<uint8_t(int)> regles[3];
    const THistFin *hists[3] = {&r, &v, &b};
    for (int c = 0; c < 3; ++c) {
        THistFin lisse;
        LissageHist(*hists[c], lisse);
        const TProfilS S = ProfilDe(lisse);
        const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
        regles[c] = [niv](int x) {
            const uint8_t d = Decale(x, niv.Decalage);
            return niv.Etirer ? Etire(d, {255, niv.Haut - niv.Bas}) : d;
        };
    }
    EgalPixels(Executer(AjustAutoCoul, px),
               Transformer(px, regles[0], regles[1], regles[2]));
    // Operation 5 too (a single broad peak: levels).
    const TProfilS S = ProfilLisse(px);
    ASSERT_EQ(AnalyseBimodale(S, Seuil(S)).size(), 1u);
    const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
    const auto attendu = Transformer(px, [niv](int x) {
        const uint8_t d = Decale(x, niv.Decalage);
        return niv.Etirer ? Etire(d, {255, niv.Haut - niv.Bas}) : d;
    });
    EgalPixels(Executer(AjustAutoLum, px), attendu);
}
