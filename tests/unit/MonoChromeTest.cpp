#include "dialogs/MonoChrome/MonoChrome.h"
#include "imaging/BouclePixels.h"
#include "imaging/ErreursFichier.h"
#include "Chemins.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <cstring>
#include <unistd.h>
#include <sstream>

using namespace velmora;
using namespace velmora::monochrome;

namespace {

const Geometrie G = Geometrie::De(208, 208);

Reel Somme(const Coefficients &k) { return k.kR + k.kV + k.kB; }

std::string LireTout(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void EcrireTout(const std::filesystem::path &p, const std::string &octets) {
    std::ofstream(p, std::ios::binary) << octets;
}

std::filesystem::path Dossier() {
    auto d = std::filesystem::temp_directory_path() /
             ("velmora-mono-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
}

} // namespace

TEST(MonoChromeSelecteur, Geometrie) {
    EXPECT_EQ(G.centre, (Point{104, 104}));
    EXPECT_EQ(G.rayon, 100);
    EXPECT_EQ(G.rayon2, 10000);
    EXPECT_EQ(G.rouge, (Point{104, 4}));
    EXPECT_EQ(G.vert, (Point{17, 154}));
    EXPECT_EQ(G.bleu, (Point{191, 154}));
    // The lower corners lie just outside the disc.
    EXPECT_EQ(G.Distance2(G.vert), 10069);
    EXPECT_FALSE(G.DansDisque(G.bleu));
    EXPECT_TRUE(G.DansDisque({104, 4}));
}

TEST(MonoChromeSelecteur, Image) {
    const TPtImg fond{0xF0, 0xF0, 0xF0};
    const auto img = ImageSelecteur(G, 208, 208, fond);
    ASSERT_EQ(img.size(), 208u * 208u);
    auto px = [&](int x, int y) { return img[std::size_t(y) * 208 + x]; };
    auto egal = [](TPtImg a, int r, int v, int b) {
        return a.Rouge == r && a.Vert == v && a.Bleu == b;
    };
    EXPECT_TRUE(egal(px(104, 104), 85, 85, 85));
    EXPECT_TRUE(egal(px(104, 4), 255, 0, 0));   // the red corner itself
    EXPECT_TRUE(egal(px(17, 154), 0xF0, 0xF0, 0xF0)); // lower corners: outside
    EXPECT_TRUE(egal(px(191, 154), 0xF0, 0xF0, 0xF0));
    EXPECT_TRUE(egal(px(0, 0), 0xF0, 0xF0, 0xF0));
    // Near each corner its colour dominates.
    EXPECT_GT(px(104, 6).Rouge, 200);
    EXPECT_GT(px(20, 152).Vert, 150);
    EXPECT_GT(px(188, 152).Bleu, 150);
}

TEST(MonoChromeSelecteur, Coefficients) {
    const auto c = CalculeCoeffs(G, G.centre);
    EXPECT_NEAR(double(c.kR), 0.334098, 5e-7);
    EXPECT_NEAR(double(c.kV), 0.332951, 5e-7);
    EXPECT_EQ(c.kV, c.kB);

    const struct { Point p; Reel r, v, b; } coins[] = {
        {{104, 4}, 1, 0, 0}, {{17, 154}, 0, 1, 0}, {{191, 154}, 0, 0, 1}};
    for (const auto &k : coins) {
        const auto w = CalculeCoeffs(G, k.p);
        EXPECT_EQ(w.kR, k.r);
        EXPECT_EQ(w.kV, k.v);
        EXPECT_EQ(w.kB, k.b);
        // The grey level is then that one channel.
        EXPECT_EQ(Gris(TPtImg{30, 20, 10}, w), k.r ? 10 : k.v ? 20 : 30);
    }

    for (Point p : {Point{0, 0}, Point{207, 207}, Point{-400, 900}, Point{104, 300}}) {
        const auto w = CalculeCoeffs(G, p);
        EXPECT_NEAR(double(Somme(w)), 1.0, 1e-15);
        EXPECT_GE(w.kR, 0);
        EXPECT_GE(w.kV, 0);
        EXPECT_GE(w.kB, 0);
    }
}

TEST(MonoChromeSelecteur, Libelles) {
    const auto c = CalculeCoeffs(G, G.centre);
    EXPECT_EQ(TexteCoefficient("kR", c.kR, ","), "kR = 0,33");
    EXPECT_EQ(TexteCoefficient("kB", c.kB, "."), "kB = 0.33");
    EXPECT_EQ(TexteCoefficient("kV", 1, ","), "kV = 1,00");
    EXPECT_EQ(TexteCoefficient("kV", 0.996L, ","), "kV = 1,00");
}

TEST(MonoChromeSelecteur, RetourSurLeCercle) {
    const struct { Point hors, attendu; } cas[] = {
        {{104, -50}, {104, 4}},  {{300, 104}, {204, 104}}, {{0, 0}, {33, 33}},
        {{204, 105}, {204, 105}}, {{-1000, 1104}, {30, 171}},
    };
    for (const auto &c : cas) {
        const Point p = G.SurCercle(c.hors);
        EXPECT_EQ(p, c.attendu) << c.hors.x << "," << c.hors.y;
        EXPECT_NEAR(std::sqrt(double(G.Distance2(p))), 100.0, 1.0);
    }
}

TEST(MonoChromeTeinte, TablesDesExemples) {
    struct Cas { int32_t rgb; int i; int r, v, b; };
    const Cas cas[] = {
        // Neutre: the three tables equal.
        {0x808080, 0, 0, 0, 0},       {0x808080, 32, 33, 33, 33},   {0x808080, 64, 65, 65, 65},
        {0x808080, 127, 129, 129, 129}, {0x808080, 128, 129, 129, 129},
        {0x808080, 192, 192, 192, 192}, {0x808080, 255, 255, 255, 255},
        // Sanguine.
        {0x850606, 64, 70, 9, 9},     {0x850606, 128, 139, 17, 17}, {0x850606, 192, 197, 137, 137},
        {0x850606, 255, 255, 255, 255},
        // A dark tint reaches its colour at its own largest component.
        {0x402010, 64, 64, 32, 16},   {0x402010, 128, 128, 65, 34}, {0x402010, 192, 192, 161, 145},
        {0x402010, 0, 0, 0, 0},       {0x402010, 255, 255, 255, 255},
        // Largest component 127: dark formulas, its colour at grey 127.
        {0x7F400A, 127, 127, 64, 10},
        // Largest component 128: light formulas (dark ones would give 128 at 127).
        {0x800000, 127, 129, 2, 2},
        // Bits above 23 are not part of the colour.
        {int32_t(0xFF808080), 32, 33, 33, 33},
    };
    for (const auto &c : cas) {
        const Tables t = CalculeTeinte(c.rgb);
        EXPECT_EQ(t.R[c.i], c.r) << std::hex << c.rgb << std::dec << " i=" << c.i;
        EXPECT_EQ(t.V[c.i], c.v) << std::hex << c.rgb << std::dec << " i=" << c.i;
        EXPECT_EQ(t.B[c.i], c.b) << std::hex << c.rgb << std::dec << " i=" << c.i;
    }
}

TEST(MonoChromeTeinte, NoirEtGrisSombresDonnentLaRampe) {
    const Tables id = Identite();
    for (int32_t rgb : {0x000000, 0x010101, 0x7F7F7F}) {
        const Tables t = CalculeTeinte(rgb);
        EXPECT_EQ(t.R, id.R) << rgb;
        EXPECT_EQ(t.V, id.V) << rgb;
        EXPECT_EQ(t.B, id.B) << rgb;
    }
}

TEST(MonoChromeTeinte, TablesMonotonesEtBornees) {
    // Every colour of a coarse grid: entries climb from black to white.
    for (int r = 0; r < 256; r += 17)
        for (int v = 0; v < 256; v += 51)
            for (int b = 0; b < 256; b += 85) {
                const Tables t = CalculeTeinte(r << 16 | v << 8 | b);
                for (auto *tab : {&t.R, &t.V, &t.B}) {
                    EXPECT_EQ((*tab)[0], 0);
                    EXPECT_EQ((*tab)[255], 255);
                    for (int i = 1; i < 256; ++i) ASSERT_LE((*tab)[i - 1], (*tab)[i]);
                }
            }
}

TEST(MonoChromeRegle, PixelSelonLaRegle) {
    const Tables t = CalculeTeinte(0x850606);
    const auto k = CalculeCoeffs(G, G.centre);
    // (R 200, G 100, B 10): 200*0.334098 + 100*0.332951 + 10*0.332951 = 103.44 -> 103.
    const TPtImg p = Tonaliser(TPtImg{10, 100, 200}, k, t);
    EXPECT_EQ(Gris(TPtImg{10, 100, 200}, k), 103);
    EXPECT_EQ(p.Rouge, t.R[103]);
    EXPECT_EQ(p.Vert, t.V[103]);
    EXPECT_EQ(p.Bleu, t.B[103]);
    // Halves go to the even neighbour.
    const Coefficients moitie{0.5L, 0.5L, 0};
    EXPECT_EQ(Gris(TPtImg{0, 2, 1}, moitie), 2);  // 1.5
    EXPECT_EQ(Gris(TPtImg{0, 3, 2}, moitie), 2);  // 2.5
    // After a reset the tables are the identity: a plain grey image.
    const TPtImg gris = Tonaliser(TPtImg{10, 100, 200}, k, Identite());
    EXPECT_EQ(gris.Rouge, 103);
    EXPECT_EQ(gris.Vert, 103);
    EXPECT_EQ(gris.Bleu, 103);
}

// Weights of a half: every other pixel's level is an exact half, so most
// groups go to the exact path.
TEST(MonoChromeRegle, ToutesLesLongueursEtSurPlace) {
    const Tables t = CalculeTeinte(0xA98C78);
    const Coefficients k{0.5L, 0.5L, 0};
    ToutesLesLongueurs(Regle(k, t), [&](TPtImg p) { return Tonaliser(p, k, t); });
}

// The whole-image path takes shortcuts; every colour must still come out as
// the rule gives it, including weights whose sums fall on exact halves and
// weights that binary fractions do not hold (typed ones and picker points).
TEST(MonoChromeRegle, ImageEntiereIdentiqueALaRegle) {
    SurChaqueChemin([&] {
        std::vector<TPtImg> tous(1 << 24), sortie(1 << 24);
        for (uint32_t c = 0; c < tous.size(); ++c)
            tous[c] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
        const Tables t = CalculeTeinte(0xA98C78);
        const Coefficients poids[] = {
            CalculeCoeffs(G, G.centre), {0.5L, 0.5L, 0}, {0.25L, 0.25L, 0.5L},
            {0.1L, 0.2L, 0.7L},         {0.3L, 0.3L, 0.4L}, CalculeCoeffs(G, {60, 120}),
            CalculeCoeffs(G, {150, 80}),
        };
        for (const auto &k : poids) {
            Traiter(tous.data(), sortie.data(), tous.size(), k, t);
            std::atomic<std::size_t> differents{0};
            velmora::PourTranches(tous.size(), [&](std::size_t d, std::size_t f) {
                std::size_t ici = 0;
                for (std::size_t i = d; i < f; ++i) {
                    const TPtImg a = Tonaliser(tous[i], k, t);
                    ici += a.Rouge != sortie[i].Rouge || a.Vert != sortie[i].Vert ||
                           a.Bleu != sortie[i].Bleu;
                }
                differents += ici;
            });
            EXPECT_EQ(differents.load(), 0u) << double(k.kR) << " " << double(k.kV);
        }
        // Random weights from the whole picker (corners included), on random pixels, in place.
        std::mt19937 alea(7);
        std::vector<TPtImg> img(300000);
        for (int essai = 0; essai < 23; ++essai) {
            const Point p = essai == 20   ? G.rouge
                            : essai == 21 ? G.vert
                            : essai == 22 ? G.bleu
                                          : Point{int32_t(alea() % 300) - 50, int32_t(alea() % 300) - 50};
            const auto k = CalculeCoeffs(G, p);
            for (auto &px : img) px = {uint8_t(alea()), uint8_t(alea()), uint8_t(alea())};
            std::vector<TPtImg> attendu(img.size());
            for (std::size_t i = 0; i < img.size(); ++i) attendu[i] = Tonaliser(img[i], k, t);
            Traiter(img.data(), img.data(), img.size(), k, t);
            ASSERT_EQ(0, std::memcmp(img.data(), attendu.data(), img.size() * 3)) << p.x << "," << p.y;
        }
    });
}

TEST(MonoChromeListe, TeintesInitiales) {
    const auto &l = TeintesInitiales();
    ASSERT_EQ(l.size(), 15u);
    EXPECT_EQ(l.front(), "Neutre : $808080");
    EXPECT_EQ(l[12], "Sépia : $A98C78");
    EXPECT_EQ(l.back(), "Autre teinte ...");
    const int32_t valeurs[] = {0x808080, 0x3A8EBA, 0xF0C300, 0x686F8C, 0xFEC3AC,
                               0xB0F2B6, 0x798933, 0x85C17E, 0x97DFC6, 0xD2CB0F,
                               0x985717, 0x850606, 0xA98C78, 0xA10684};
    for (int i = 0; i < 14; ++i) EXPECT_EQ(ValeurTeinte(l[i]), valeurs[i]) << l[i];
}

TEST(MonoChromeListe, LectureDesEntrees) {
    const struct { const char *entree; int32_t valeur; } bons[] = {
        {"Neutre : $808080", 0x808080}, {"X : $fff", 0xFFF}, {"1234567890", 1234567},
        {"Long : $12345678", 0x123456}, {"-1", -1}, {"$00FF00 et la suite", 0x00FF00},
    };
    for (const auto &c : bons) EXPECT_EQ(ValeurTeinte(c.entree), c.valeur) << c.entree;

    const struct { const char *entree, *message; } mauvais[] = {
        {"Neutre", "'Neutre' n'est pas une valeur entière correcte"},
        {"Rouge : $80G080", "'$80G080' n'est pas une valeur entière correcte"},
        // A "$" in the name is found first.
        {"A$B : $808080", "'$B : $8' n'est pas une valeur entière correcte"},
        {"", "'' n'est pas une valeur entière correcte"},
        {"Vide : $", "'$' n'est pas une valeur entière correcte"},
        {"Autre teinte ...", "'Autre t' n'est pas une valeur entière correcte"},
        // Characters, not bytes.
        {"éééééééé", "'ééééééé' n'est pas une valeur entière correcte"},
    };
    for (const auto &c : mauvais) {
        try {
            ValeurTeinte(c.entree);
            ADD_FAILURE() << c.entree;
        } catch (const ErreurConversion &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(MonoChromeListe, NouvelleEntree) {
    EXPECT_EQ(NouvelleEntree("Teinte", 255, 128, 1), "Teinte : $FF8001");
    EXPECT_EQ(NouvelleEntree("Nuit", 0, 0, 10), "Nuit : $00000A");
    EXPECT_EQ(ValeurTeinte(NouvelleEntree("Ciel", 0x12, 0xAB, 0xEF)), 0x12ABEF);
}

TEST(MonoChromeFichier, EnregistrerPuisCharger) {
    const auto d = Dossier();
    const auto f = d / "neutre.uni";
    EnregistrerTeinte(f, "Neutre : $808080");
    EXPECT_EQ(LireTout(f), "Neutre : $808080"); // 16 bytes, no line end
    EXPECT_EQ(ChargerTeinte(f), "Neutre : $808080");

    // The name in Windows-1252: é is one byte.
    EnregistrerTeinte(f, "Sépia : $A98C78");
    EXPECT_EQ(LireTout(f), "S\xE9pia : $A98C78");
    EXPECT_EQ(ChargerTeinte(f), "Sépia : $A98C78");

    // Only the first line counts, whatever the line end.
    using namespace std::string_literals;
    const struct { std::string octets; const char *entree; } cas[] = {
        {"S\xE9pia : $A98C78\r\nOr : $D2CB0F\r\n", "Sépia : $A98C78"},
        // A NUL ends the entry as it ends a list item (it would cut the error message short).
        {"T : $1\0\0\0\r67"s, "T : $1"},
        {"Or : $D2CB0F\nNeutre : $808080", "Or : $D2CB0F"},
        {"\x80 : $102030\r", "€ : $102030"},
        {"", ""},
        {"\nOr : $D2CB0F", ""},
    };
    for (const auto &c : cas) {
        EcrireTout(f, c.octets);
        EXPECT_EQ(ChargerTeinte(f), c.entree);
    }
    std::filesystem::remove_all(d);
}

TEST(MonoChromeFichier, Erreurs) {
    const auto d = Dossier();
    auto message = [](auto &&etape) -> std::string {
        try {
            etape();
        } catch (const ErreurFichier &e) {
            return e.what();
        }
        return "aucune erreur";
    };
    EXPECT_EQ(message([&] { ChargerTeinte(d / "absent.uni"); }), "Fichier introuvable");
    EXPECT_EQ(message([&] { ChargerTeinte(d); }), "Accès au fichier refusé");
    EXPECT_EQ(message([&] { EnregistrerTeinte(d, "Or : $D2CB0F"); }), "Accès au fichier refusé");
    EXPECT_EQ(message([&] { EnregistrerTeinte(d / "pas-de-dossier" / "x.uni", "x"); }),
              "Nom de fichier incorrect");
    EXPECT_EQ(message([&] { EnregistrerTeinte("/dev/full", "Or : $D2CB0F"); }), "Disque plein");
    std::filesystem::remove_all(d);
}
