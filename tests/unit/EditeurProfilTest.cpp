#include "imaging/EditeurProfil.h"
#include "imaging/ParamCoul.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace velmora;

namespace {

struct CasModif {
    const char *nom;
    Noyau noyau;
    int32_t X, Y;
    int32_t premier;               // first entry given
    std::vector<int32_t> attendu;  // entries premier, premier + 1, ...
};

// Worked out from the stated move and kernels (the edge cases of the editor).
const CasModif Cas[] = {
    {"gamma_0", Noyau::Gamma, 0, 0, -3, {249, 229, 171, 113, 177, 210, 232, 243, 246, 247}},
    {"lum_0", Noyau::Luminosite, 0, 0, -3, {249, 229, 171, 140, 192, 214, 227, 238, 242, 244}},
    {"gamma_128", Noyau::Gamma, 128, 27, 124,
     {129, 122, 106, 86, 69, 94, 108, 116, 120, 121, 120}},
    {"lum_128", Noyau::Luminosite, 128, 27, 123,
     {131, 126, 115, 104, 92, 79, 100, 109, 114, 118, 119, 119}},
    {"gamma_255", Noyau::Gamma, 255, 255, 249, {6, 6, 9, 22, 60, 108, 149, 84, 26, 6}},
    {"lum_255", Noyau::Luminosite, 255, 255, 249, {7, 8, 16, 42, 65, 94, 122, 84, 26, 6}},
    // Beyond the graph: exactly the edit at (255, 255).
    {"gamma_300", Noyau::Gamma, 300, 300, 249, {6, 6, 9, 22, 60, 108, 149, 84, 26, 6}},
    {"lum_300", Noyau::Luminosite, 300, 300, 249, {7, 8, 16, 42, 65, 94, 122, 84, 26, 6}},
    {"gamma_x256", Noyau::Gamma, 256, 255, 249, {6, 6, 9, 22, 60, 108, 149, 84, 26, 6}},
    {"lum_y256", Noyau::Luminosite, 255, 256, 249, {7, 8, 16, 42, 65, 94, 122, 84, 26, 6}},
};

class ModifProfilCas : public testing::TestWithParam<CasModif> {};

TEST_P(ModifProfilCas, ValeursDonnees) {
    const CasModif &c = GetParam();
    TProfil p = TProfil::Identite();
    ModifProfil(p, c.X, c.Y, c.noyau);
    for (std::size_t k = 0; k < c.attendu.size(); ++k)
        EXPECT_EQ(p[c.premier + int32_t(k)], c.attendu[k]) << "entry " << c.premier + int32_t(k);
    // Left of the edited window the straight line passes through the smoothing.
    for (int32_t i = -3; i < c.X - 4 && i < c.premier; ++i) EXPECT_EQ(p[i], 255 - i) << i;
}

INSTANTIATE_TEST_SUITE_P(Editeur, ModifProfilCas, testing::ValuesIn(Cas),
                         [](const auto &i) { return std::string(i.param.nom); });

TEST(ModifProfil, SansDeplacementRienNeChange) {
    for (Noyau n : {Noyau::Gamma, Noyau::Luminosite})
        for (int32_t x : {0, 1, 77, 254, 255}) {
            TProfil p = TProfil::Identite();
            ModifProfil(p, x, 255 - x, n);
            EXPECT_EQ(p, TProfil::Identite()) << x;
        }
}

TEST(ModifProfil, HorsDuGrapheSerre) {
    // The caller clamps, but a raw point must still land inside the table.
    TProfil a = TProfil::Identite(), b = TProfil::Identite();
    ModifProfil(a, -40, 400, Noyau::Gamma);
    ModifProfil(b, 0, 255, Noyau::Gamma);
    EXPECT_EQ(a, b);
    // Values from a file at the ends of int32 do not wrap.
    TProfil p = TProfil::Identite();
    for (int32_t i = -3; i <= 258; ++i) p[i] = (i & 1) ? INT_MAX : INT_MIN;
    ModifProfil(p, 128, 0, Noyau::Luminosite);
    ModifProfil(p, 3, 200, Noyau::Gamma);
    SUCCEED();
}

TEST(Readout, TexteEtZone) {
    EXPECT_EQ(TexteCoord(-20, -15), "X = -20  Y = 270");
    EXPECT_EQ(TexteCoord(0, 255), "X = 0  Y = 0");
    EXPECT_EQ(TexteCoord(300, INT_MIN), "X = 300  Y = 2147483903");
    // Left 470 - 45, top 275 - 6, right 470 + 45, bottom 275 + 6.
    EXPECT_EQ(ZoneCoord(91, 13), (TRect{425, 269, 90, 12}));
    EXPECT_EQ(GaucheCoord(91), 425);
}

TEST(Readout, SeulLeBoutonGaucheSeulEdite) {
    struct {
        bool gauche, autres, touches, dbl, edite;
    } const cas[] = {
        {true, false, false, false, true},  {true, true, false, false, false},
        {true, false, true, false, false},  {true, false, false, true, false},
        {false, true, false, false, false}, {false, false, false, false, false},
    };
    for (const auto &c : cas) EXPECT_EQ(GaucheSeul(c.gauche, c.autres, c.touches, c.dbl), c.edite);
}

// Pixels and pictures compared as values.
uint32_t Px(const TImage &g, int x, int y) { return ValeurDe(g.Pixel(x, y)); }
uint32_t V(TPtImg p) { return ValeurDe(p); }
bool Pareilles(const TImage &a, const TImage &b) {
    return a.Largeur() == b.Largeur() && a.Hauteur() == b.Hauteur() &&
           std::memcmp(a.Donnees(), b.Donnees(), std::size_t(a.Largeur()) * a.Hauteur() * 3) == 0;
}

struct Editeur4 {
    TProfil t = TProfil::Identite(), r = t, v = t, b = t;
    EditeurProfil e{{{&t, CouleurNoire}, {&r, CouleurRouge}, {&v, CouleurVerte}, {&b, CouleurBleue}},
                    {1, 2, 3, 0},
                    Noyau::Gamma};
};

TEST(Graphe, CourbesIdentite) {
    Editeur4 f;
    f.e.ReInit();
    const TImage &g = f.e.Graphe();
    ASSERT_EQ(g.Largeur(), 256);
    ASSERT_EQ(g.Hauteur(), 256);
    int noirs = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) noirs += Px(g, x, y) == V(CouleurNoire);
    // The diagonal (0, 255)..(254, 1), its end point left out, the black curve
    // drawn last; the axes cover two of its points.
    EXPECT_EQ(noirs, 253);
    EXPECT_EQ(Px(g, 0, 255), V(CouleurNoire));
    EXPECT_EQ(Px(g, 254, 1), V(CouleurNoire));
    EXPECT_EQ(Px(g, 255, 0), V(CouleurRouge));   // top row, the curve's end point not drawn
    EXPECT_EQ(Px(g, 200, 0), V(CouleurRouge));
    EXPECT_EQ(Px(g, 0, 200), V(CouleurRouge));   // left column
    EXPECT_EQ(Px(g, 255, 200), V(FondGraphe));   // no frame on the right and bottom
    EXPECT_EQ(Px(g, 200, 255), V(FondGraphe));
    EXPECT_EQ(Px(g, 127, 128), V(CouleurAxes));  // the axes over the curve
    EXPECT_EQ(Px(g, 128, 127), V(CouleurAxes));
    EXPECT_EQ(Px(g, 127, 0), V(CouleurAxes));
    EXPECT_EQ(Px(g, 0, 127), V(CouleurAxes));
    EXPECT_EQ(Px(g, 127, 254), V(CouleurAxes));
    EXPECT_EQ(Px(g, 127, 255), V(FondGraphe));   // the axes leave out their end points
    EXPECT_EQ(Px(g, 255, 127), V(FondGraphe));
}

TEST(Graphe, LaCourbeActiveSeuleEstModifiee) {
    Editeur4 f;
    f.e.ReInit();
    f.e.Active = 2;
    f.e.Modifier(64, 10);
    TProfil attendu = TProfil::Identite();
    ModifProfil(attendu, 64, 10, Noyau::Gamma);
    EXPECT_EQ(f.v, attendu);
    EXPECT_EQ(f.t, TProfil::Identite());
    EXPECT_EQ(f.r, TProfil::Identite());
    EXPECT_EQ(f.b, TProfil::Identite());
    // The green curve now shows where the black one does not lie; the black
    // diagonal, drawn last, still covers the green one elsewhere.
    EXPECT_EQ(Px(f.e.Graphe(), 64, f.v[64]), V(CouleurVerte));
    EXPECT_EQ(Px(f.e.Graphe(), 10, 245), V(CouleurNoire));

    f.e.Active = -1;  // no item selected: nothing edited
    const TImage avant = f.e.Graphe();
    f.e.Modifier(64, 200);
    EXPECT_EQ(f.v, attendu);
    EXPECT_TRUE(Pareilles(f.e.Graphe(), avant));

    // Raw mouse positions: the readout keeps them, the edit clamps them.
    f.e.Active = 0;
    EXPECT_EQ(f.e.Souris(-20, -15, true), "X = -20  Y = 270");
    EXPECT_EQ(f.t[0], 113);  // the edit at (0, 0) of the gamma kernel
    EXPECT_EQ(f.e.Souris(100, 100, false), "X = 100  Y = 155");
    EXPECT_EQ(f.t[100], 155);

    f.e.ReInit();
    EXPECT_EQ(f.v, TProfil::Identite());
    EXPECT_EQ(f.t, TProfil::Identite());
}

TEST(Graphe, ValeursLointainesRogneesSansFin) {
    // Rows from a file can be anything: the drawing clips them and ends.
    TProfil p = TProfil::Identite();
    for (int32_t i = 0; i < 256; ++i) p[i] = (i % 3 == 0) ? INT_MIN : (i % 3 == 1 ? INT_MAX : 100);
    EditeurProfil e({{&p, CouleurNoire}}, {0}, Noyau::Luminosite);
    e.Redessiner();
    EXPECT_EQ(Px(e.Graphe(), 2, 100), V(CouleurNoire));  // point 2 lies inside
}

// The usual error-term line loop: the pixels a line must have.
std::vector<std::pair<int, int>> LigneReference(int x1, int y1, int x2, int y2) {
    std::vector<std::pair<int, int>> pts;
    int64_t x = x1, y = y1;
    const int64_t dx = std::llabs(int64_t(x2) - x1), dy = -std::llabs(int64_t(y2) - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    while (!(x == x2 && y == y2)) {
        pts.emplace_back(int(x), int(y));
        const int64_t e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
    return pts;
}

void ComparerLigne(int x1, int y1, int x2, int y2) {
    const TPtImg fond{1, 2, 3}, c{9, 9, 9};
    TImage a(12, 10, fond), b(12, 10, fond);
    a.Ligne(x1, y1, x2, y2, c);
    for (auto [x, y] : LigneReference(x1, y1, x2, y2)) b.Point(x, y, c);
    ASSERT_TRUE(Pareilles(a, b)) << x1 << "," << y1 << " -> " << x2 << "," << y2;
}

TEST(Graphe, LignesCommeLaBoucleHabituelle) {
    for (int x1 = -4; x1 <= 15; x1 += 1)
        for (int y1 = -4; y1 <= 13; y1 += 1)
            for (int x2 = -4; x2 <= 15; x2 += 2)
                for (int y2 = -4; y2 <= 13; y2 += 2) ComparerLigne(x1, y1, x2, y2);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> loin(-3000, 3000);
    for (int i = 0; i < 3000; ++i) ComparerLigne(loin(gen), loin(gen), loin(gen), loin(gen));
}

} // namespace
