#include "dialogs/GrainOuBr/GrainOuBr.h"
#include "Chemins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

// Where the comparisons of gtest and the standard library find it (TPtImg is global).
inline bool operator==(TPtImg a, TPtImg b) {
    return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge;
}

using velmora::Reel;
using namespace velmora::grainoubr;

namespace {

TPtImg P(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }

// The generator's state after k more steps, stepped here on 64-bit integers.
uint32_t Avance(uint32_t graine, uint64_t k) {
    uint64_t g = graine;
    for (uint64_t i = 0; i < k; ++i) g = (g * 134775813u + 1u) % 4294967296u;
    return uint32_t(g);
}

Reglages Regles(int niveau, int txcl, int dstpt, int ord1, int ord2) {
    Reglages r;
    r.DefinirNiveau(niveau);
    r.DefinirTxCl(txcl);
    r.DefinirDstPt(dstpt);
    r.DefinirOrd1(ord1);
    r.DefinirOrd2(ord2);
    return r;
}

std::vector<TPtImg> Aleatoire(std::size_t n, unsigned graine, int bas = 0, int haut = 255) {
    std::mt19937 g(graine);
    std::uniform_int_distribution<int> d(bas, haut);
    std::vector<TPtImg> v(n);
    for (auto &p : v) p = P(d(g), d(g), d(g));
    return v;
}

// Worked out independently (exact rationals, sines to 200 bits) from seed 0:
// a 5 x 4 image, level 200, TxCl 5 (t = 1/2), Ord1 = Ord2 = 2 (K1 = K2 = 1, S = 5).
const std::vector<TPtImg> Image5x4 = {
    P(165, 77, 202), P(24, 37, 48),   P(187, 29, 109), P(19, 44, 222),  P(214, 35, 123),
    P(46, 217, 30),  P(63, 114, 31),  P(203, 25, 113), P(23, 68, 148),  P(214, 73, 60),
    P(157, 92, 52),  P(96, 190, 49),  P(32, 30, 105),  P(254, 218, 160), P(238, 232, 185),
    P(153, 127, 92), P(124, 41, 153), P(253, 175, 229), P(147, 37, 60),  P(214, 84, 175)};
const std::vector<TPtImg> Pseudo5x4 = {
    P(184, 83, 219), P(28, 40, 54),   P(197, 35, 117), P(28, 57, 240),  P(214, 29, 123),
    P(45, 208, 35),  P(69, 116, 38),  P(207, 19, 117), P(23, 62, 137),  P(201, 66, 64),
    P(174, 95, 66),  P(105, 180, 52), P(37, 26, 113),  P(255, 213, 162), P(236, 225, 187),
    P(158, 132, 99), P(126, 36, 152), P(255, 173, 231), P(139, 32, 58),  P(197, 72, 162)};

class Grain : public ::testing::Test {
protected:
    void SetUp() override { GraineAlea = 0; }
};

} // namespace

TEST_F(Grain, FirstDrawsFromSeedZero) {
    // State 1, 134775814, 134775814 · 134775813 + 1 mod 2^32, ...: high words of state · n.
    const uint32_t attendus1000[] = {0, 31, 861, 202, 272, 671};
    for (uint32_t a : attendus1000) EXPECT_EQ(Alea(1000), a);
    GraineAlea = 0;
    const uint32_t attendusMax[] = {0, 67387906, 1849087502, 435039309};
    for (uint32_t a : attendusMax) EXPECT_EQ(Alea(2147483647u), a);
    // n = 0 gives 0 and still advances.
    const uint32_t avant = GraineAlea;
    EXPECT_EQ(Alea(0), 0u);
    EXPECT_EQ(GraineAlea, Avance(avant, 1));
    // Centred draws: 0 for a = 0 and 1; within (a div 2) - a + 1 .. a div 2.
    EXPECT_EQ(X(0), 0);
    EXPECT_EQ(X(1), 0);
    for (int i = 0; i < 1000; ++i) {
        const int x = X(7);
        EXPECT_GE(x, 3 - 7 + 1);
        EXPECT_LE(x, 3);
    }
}

TEST_F(Grain, Amplitude) {
    EXPECT_EQ(Amplitude(0, 255), 0);
    EXPECT_EQ(Amplitude(255, 255), 0);
    EXPECT_EQ(Amplitude(127.5L, 200), 200);
    EXPECT_EQ(Amplitude(128, 255), 255);  // sin² = 0.99996
    EXPECT_EQ(Amplitude(64, 100), 50);    // sin²(64 π/255) = 0.503
}

TEST_F(Grain, PseudoRandomWorkedExample) {
    std::vector<TPtImg> hote(Image5x4.size());
    MethodePseudoAlea(Image5x4.data(), hote.data(), hote.size(), 5, Regles(200, 5, 7, 2, 2));
    EXPECT_EQ(hote, Pseudo5x4);
    EXPECT_EQ(GraineAlea, 3713897392u);  // 4 draws a pixel: 80
    EXPECT_EQ(GraineAlea, Avance(0, 80));
}

TEST_F(Grain, SpotWorkedExample) {
    const std::vector<TPtImg> image = {
        P(78, 165, 147),  P(50, 211, 59),  P(182, 186, 120), P(127, 129, 192), P(167, 188, 156),
        P(57, 63, 109),   P(161, 210, 56), P(55, 119, 205),  P(187, 214, 154), P(112, 138, 211),
        P(128, 45, 158),  P(130, 83, 196), P(69, 166, 55),   P(95, 113, 73),   P(103, 141, 140),
        P(167, 60, 82),   P(154, 142, 180), P(111, 75, 150), P(180, 111, 146), P(131, 214, 137),
        P(99, 78, 61),    P(85, 78, 99),   P(208, 99, 43),   P(164, 190, 86),  P(107, 112, 41)};
    std::vector<TPtImg> hote = image;
    AjouteTache(image.data(), hote.data(), 12, 5, Regles(200, 5, 7, 2, 2));
    std::vector<TPtImg> attendu = image;
    attendu[7] = P(67, 128, 225);
    attendu[11] = P(142, 90, 209);
    attendu[12] = P(78, 211, 77);
    attendu[13] = P(100, 125, 86);
    attendu[17] = P(112, 85, 152);  // the corners 6, 8, 16, 18 keep their value
    EXPECT_EQ(hote, attendu);
    EXPECT_EQ(GraineAlea, Avance(0, 28));  // 1 + 9 x 3 draws
    EXPECT_EQ(GraineAlea, 1059369348u);
}

// The spot method as stated, one position after the other through AjouteTache,
// against the method (which draws positions ahead, sorts them into bands of rows
// and shares the bands among the cores): the same bytes and the same final state.
TEST_F(Grain, SpotsInDrawingOrder) {
    const struct {
        int largeur, hauteur, dstpt;
    } cas[] = {{400, 300, 9}, {7, 900, 9}, {1500, 41, 5}, {50, 60, 7}};
    for (const auto &c : cas) {
        const auto image = Aleatoire(std::size_t(c.largeur) * c.hauteur, 11);
        const Reglages r = Regles(180, 7, c.dstpt, 2, 2);
        const int n = c.largeur * c.hauteur;
        std::vector<TPtImg> attendu = image, obtenu = image;
        GraineAlea = 5;
        for (int i = 0; i < n / (10 - c.dstpt) + 1; ++i) {
            const int e = int(Alea(uint32_t(n)));
            if (2 * c.largeur < e && e < n - 2 * c.largeur)
                AjouteTache(image.data(), attendu.data(), e, c.largeur, r);
        }
        const uint32_t fin = GraineAlea;
        GraineAlea = 5;
        MethodeTaches(image.data(), obtenu.data(), c.largeur, c.hauteur, r);
        EXPECT_EQ(GraineAlea, fin) << c.largeur;
        EXPECT_EQ(obtenu, attendu) << c.largeur;
    }
}

// Draw counts: 28 a spot, 4 a pixel, (N div D) + 1 spot positions.
TEST_F(Grain, DrawCounts) {
    const auto image = Aleatoire(7 * 6, 3);
    std::vector<TPtImg> hote = image;
    for (uint32_t depart : {0u, 12345u, 4000000000u}) {
        GraineAlea = depart;
        AjouteTache(image.data(), hote.data(), 20, 7, Regles(255, 3, 7, 2, 2));
        EXPECT_EQ(GraineAlea, Avance(depart, 28));
        GraineAlea = depart;
        MethodePseudoAlea(image.data(), hote.data(), image.size(), 7, Regles(255, 3, 7, 4, 1));
        EXPECT_EQ(GraineAlea, Avance(depart, 4 * image.size()));
    }
    // Fewer than 5 rows: no position qualifies, the positions are still drawn.
    const struct {
        int largeur, hauteur, dstpt;
    } cas[] = {{10, 4, 0}, {10, 4, 9}, {1, 5, 7}, {300, 2, 7}};
    for (const auto &c : cas) {
        const auto img = Aleatoire(std::size_t(c.largeur) * c.hauteur, 4);
        std::vector<TPtImg> h = img;
        GraineAlea = 99;
        MethodeTaches(img.data(), h.data(), c.largeur, c.hauteur, Regles(255, 5, c.dstpt, 2, 2));
        const int n = c.largeur * c.hauteur;
        EXPECT_EQ(GraineAlea, Avance(99, n / (10 - c.dstpt) + 1)) << c.largeur << "x" << c.hauteur;
        EXPECT_EQ(h, img);
    }
}

TEST_F(Grain, LevelZeroLeavesThePixels) {
    const auto image = Aleatoire(40 * 30, 5);
    std::vector<TPtImg> hote(image.size(), P(1, 2, 3));
    MethodePseudoAlea(image.data(), hote.data(), hote.size(), 40, Regles(0, 5, 7, 2, 2));
    EXPECT_EQ(hote, image);
    EXPECT_EQ(GraineAlea, Avance(0, 4 * image.size()));
    hote = image;
    MethodeTaches(image.data(), hote.data(), 40, 30, Regles(0, 10, 9, 2, 2));
    EXPECT_EQ(hote, image);
}

TEST_F(Grain, SpotsSpareTheFirstAndLastRows) {
    const int L = 50, H = 20;
    const auto image = Aleatoire(L * H, 6, 60, 200);
    std::vector<TPtImg> hote = image;
    MethodeTaches(image.data(), hote.data(), L, H, Regles(255, 5, 9, 2, 2));  // N + 1 positions
    int changes = 0;
    for (int i = 0; i < L * H; ++i) {
        const int y = i / L;
        if (y == 0 || y == H - 1)
            ASSERT_EQ(hote[i], image[i]) << i;
        else
            changes += !(hote[i] == image[i]);
    }
    EXPECT_GT(changes, L * (H - 2) / 2);
}

TEST_F(Grain, SpotInTheFirstColumnReachesThePreviousRow) {
    const int L = 6, H = 6;
    const std::vector<TPtImg> image(L * H, P(128, 128, 128));
    for (int graine = 0; graine < 3; ++graine) {
        GraineAlea = uint32_t(graine);
        std::vector<TPtImg> hote = image;
        const int e = 3 * L;  // row 3, column 0
        AjouteTache(image.data(), hote.data(), e, L, Regles(255, 5, 7, 2, 2));
        // The left neighbour is the last pixel of row 2; the corners e - 1 ± L
        // (weight 0.0000172) get their value back.
        EXPECT_FALSE(hote[e - 1] == image[e - 1]) << graine;
        for (int i : {e - 1 - L, e - 1 + L}) EXPECT_EQ(hote[i], image[i]);
        // Nothing outside the nine pixels.
        for (int i = 0; i < L * H; ++i) {
            const int dx[] = {-1, 0, 1};
            bool dedans = false;
            for (int a : dx)
                for (int b : dx) dedans |= i == e + a + b * L;
            if (!dedans) {
                ASSERT_EQ(hote[i], image[i]) << i;
            }
        }
    }
}

TEST_F(Grain, TwoComputationsDiffer) {
    const auto image = Aleatoire(64 * 48, 7, 40, 215);
    std::vector<TPtImg> a(image.size()), b(image.size());
    MethodePseudoAlea(image.data(), a.data(), a.size(), 64, Regles(100, 5, 7, 2, 2));
    MethodePseudoAlea(image.data(), b.data(), b.size(), 64, Regles(100, 5, 7, 2, 2));
    EXPECT_NE(a, b);
    a = image;
    b = image;
    MethodeTaches(image.data(), a.data(), 64, 48, Regles(100, 5, 7, 2, 2));
    MethodeTaches(image.data(), b.data(), 64, 48, Regles(100, 5, 7, 2, 2));
    EXPECT_NE(a, b);
}

// Buffers kept from one computation to the next (the dialog's, from one slider
// release to the next) give the bytes of fresh ones, whether the image keeps its
// size, changes it, or comes back to it; a large one clears its marks on the cores.
TEST_F(Grain, KeptBuffersGiveTheBytesOfFreshOnes) {
    TamponsTaches tampons;
    const struct {
        int32_t largeur, hauteur, dstpt;
    } suite[] = {{64, 48, 7}, {64, 48, 9}, {30, 70, 7}, {64, 48, 3}, {700, 500, 7}, {700, 500, 8}, {5, 5, 9}};
    unsigned graine = 3;
    for (const auto &c : suite) {
        const auto image = Aleatoire(std::size_t(c.largeur) * c.hauteur, ++graine);
        const Reglages r = Regles(150, 5, c.dstpt, 2, 2);
        std::vector<TPtImg> garde = image, frais = image;
        GraineAlea = graine;
        MethodeTaches(image.data(), garde.data(), c.largeur, c.hauteur, r, &tampons);
        const uint32_t fin = GraineAlea;
        GraineAlea = graine;
        MethodeTaches(image.data(), frais.data(), c.largeur, c.hauteur, r);
        EXPECT_EQ(fin, GraineAlea);
        ASSERT_EQ(garde, frais) << c.largeur << "x" << c.hauteur << " D " << c.dstpt;
    }
}

// The same kept buffers on an image large enough for their clearing to be
// shared among the cores, alternating the densest setting (nearly every pixel
// marked) with the sparsest (most left unmarked): a mark a clearing slice
// leaves behind shows on a pixel the next computation does not cover.
TEST_F(Grain, KeptBuffersClearedWholeBetweenDenseAndSparse) {
    TamponsTaches tampons;
    const int32_t L = 700, H = 500;
    const auto image = Aleatoire(std::size_t(L) * H, 21);
    for (unsigned graine = 1; graine <= 8; ++graine) {
        const int dstpt = graine % 2 ? 9 : 0;
        SCOPED_TRACE(testing::Message() << "seed " << graine << " DstPt " << dstpt);
        const Reglages r = Regles(200, 5, dstpt, 2, 2);
        std::vector<TPtImg> garde = image, frais = image;
        GraineAlea = graine;
        MethodeTaches(image.data(), garde.data(), L, H, r, &tampons);
        GraineAlea = graine;
        MethodeTaches(image.data(), frais.data(), L, H, r);
        ASSERT_EQ(garde, frais);
    }
}

// Bands marked on two threads: a spot whose last pixel is exactly the first
// one of the second thread's share, and a later spot over that pixel (at an
// edge or the centre, where the pixel is computed), against plain in-order
// spots. The second thread marks that band first; a spot of the band before
// written one pixel too far would overwrite the later spot's mark (most runs
// show it; the order of the two threads is the system's).
TEST_F(Grain, SpotEndingWhereTheThreadsSplit) {
    const int32_t L = 500, H = 400;
    const int64_t n = int64_t(L) * H;
    // Where the marking's bands split between the calling thread and the first
    // worker: bands of the power of two of pixels above 16 rows, shared in
    // equal runs among the cores.
    int decalage = 0;
    while ((int64_t(1) << decalage) < 16 * int64_t(L) + 3) ++decalage;
    const int64_t nbBandes = (n + (int64_t(1) << decalage) - 1) >> decalage;
    const int64_t coeurs = std::min<int64_t>({int64_t(std::max(1u, std::thread::hardware_concurrency())), 16, nbBandes});
    if (coeurs < 2) GTEST_SKIP() << "one processor: the bands are marked on one thread on this machine";
    const int64_t partage = ((nbBandes + coeurs - 1) / coeurs) << decalage;

    // A seed giving such a pair (densest setting: N + 1 positions drawn).
    auto avance1 = [](uint32_t g) { return uint32_t(g * 134775813u + 1u); };
    uint32_t graine = 0;
    for (uint32_t essai = 1; essai < 200 && !graine; ++essai) {
        uint32_t g = essai;
        bool premier = false;
        for (int64_t i = 0; i <= n && !graine; ++i) {
            g = avance1(g);
            const int64_t e = int64_t((uint64_t(g) * uint64_t(n)) >> 32);
            if (!(2 * L < e && e < n - 2 * L)) continue;
            g = Avance(g, 28);
            if (e + L + 1 == partage) premier = true;
            const int64_t d = partage - e;
            if (premier && e + L + 1 != partage &&
                (d == 0 || d == 1 || d == -1 || d == L || d == -L))
                graine = essai;
        }
    }
    ASSERT_NE(graine, 0u) << "no seed gives the case";

    const auto image = Aleatoire(std::size_t(n), 22);
    const Reglages r = Regles(220, 5, 9, 2, 2);
    std::vector<TPtImg> attendu = image, obtenu = image;
    GraineAlea = graine;
    for (int64_t i = 0; i <= n; ++i) {
        const int64_t e = int64_t(Alea(uint32_t(n)));
        if (2 * L < e && e < n - 2 * L) AjouteTache(image.data(), attendu.data(), int32_t(e), L, r);
    }
    const uint32_t fin = GraineAlea;
    for (int fois = 0; fois < 8; ++fois) {
        GraineAlea = graine;
        obtenu = image;
        MethodeTaches(image.data(), obtenu.data(), L, H, r);
        EXPECT_EQ(GraineAlea, fin);
        ASSERT_EQ(obtenu[std::size_t(partage)], attendu[std::size_t(partage)]) << "run " << fois;
        ASSERT_EQ(obtenu, attendu) << "run " << fois;
    }
}

// TxCl at 0: luminance noise only, the same offset on the three channels.
TEST_F(Grain, GreyGrainAtTxClZero) {
    const int L = 40, H = 30;
    const auto image = Aleatoire(L * H, 8, 70, 185);  // far from the clamps
    std::vector<TPtImg> hote(image.size());
    for (int methode = 0; methode < 2; ++methode) {
        hote = image;
        if (methode == 0)
            MethodeTaches(image.data(), hote.data(), L, H, Regles(60, 0, 8, 2, 2));
        else
            MethodePseudoAlea(image.data(), hote.data(), hote.size(), L, Regles(60, 0, 7, 3, 1));
        int bougent = 0;
        for (std::size_t i = 0; i < image.size(); ++i) {
            const int dr = hote[i].Rouge - image[i].Rouge, dv = hote[i].Vert - image[i].Vert,
                      db = hote[i].Bleu - image[i].Bleu;
            ASSERT_EQ(dr, dv) << methode << " " << i;
            ASSERT_EQ(dr, db) << methode << " " << i;
            bougent += dr != 0;
        }
        EXPECT_GT(bougent, 0) << methode;
    }
}

// The fast paths give the bytes of the extended rule, for every colour share and
// filter weight (halves are frequent at t = 0.5 and integer weights), and for
// weights beyond the sliders' (Ord 40 and 24), whose bound on the sums outgrows
// the 16 bits of the integer filter's records.
TEST_F(Grain, FastPathsMatchTheExtendedRule) {
    const int L = 97, H = 61;
    // A random image, and one whose pixels take every sum R + G + B in turn
    // (each possible mean of a spot's centre, black and white included).
    const std::vector<TPtImg> aleatoire = Aleatoire(L * H, 9);
    const std::vector<TPtImg> sommes = [] {
        std::vector<TPtImg> v(L * H);
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int s = int(i % 766);
            v[i] = P(std::min(s, 255), std::clamp(s - 255, 0, 255), std::max(s - 510, 0));
        }
        return v;
    }();
    SurChaqueChemin([&] {
        for (const std::vector<TPtImg> *image : {&aleatoire, &sommes})
            for (int txcl = 0; txcl <= 10; ++txcl)
                for (auto [o1, o2] : {std::pair{0, 0}, {2, 2}, {1, 4}, {10, 10}, {3, 0}, {40, 24}})
                    for (int methode = 0; methode < 2; ++methode) {
                        Reglages r = Regles(txcl * 25 + 5, txcl, 9, o1, o2);
                        std::vector<TPtImg> vite = *image, exact = *image;
                        for (std::vector<TPtImg> *sortie : {&vite, &exact}) {
                            r.Reference = sortie == &exact;
                            GraineAlea = 77;
                            if (methode) MethodePseudoAlea(image->data(), sortie->data(), sortie->size(), L, r);
                            else MethodeTaches(image->data(), sortie->data(), L, H, r);
                        }
                        ASSERT_EQ(vite, exact) << methode << " t " << txcl << " K " << o1 << "," << o2
                                               << (image == &sommes ? " every sum" : " random");
                    }
    });
}

// A large image with settings whose halves are not exact: the bytes and the
// generator's final state are those of the extended run.
TEST_F(Grain, PseudoRandomOnALargeImage) {
    const int L = 701, H = 400;
    const auto image = Aleatoire(std::size_t(L) * H, 12);
    for (int txcl : {5, 3}) {
        Reglages r = Regles(140, txcl, 7, 3, 2);
        std::vector<TPtImg> vite(image.size()), exact(image.size());
        GraineAlea = 31;
        MethodePseudoAlea(image.data(), vite.data(), vite.size(), L, r);
        const uint32_t fin = GraineAlea;
        r.Reference = true;
        GraineAlea = 31;
        MethodePseudoAlea(image.data(), exact.data(), exact.size(), L, r);
        EXPECT_EQ(fin, GraineAlea);
        EXPECT_EQ(fin, Avance(31, 4 * image.size()));
        ASSERT_EQ(vite, exact) << txcl;
    }
}

TEST(GrainTextes, Labels) {
    EXPECT_EQ(TexteNBr(0), "0 %");
    EXPECT_EQ(TexteNBr(128), "50 %");  // 50.2
    EXPECT_EQ(TexteNBr(255), "100 %");
    EXPECT_EQ(TexteBC(5), "50 %");
    EXPECT_EQ(TexteBC(0), "0 %");
    EXPECT_EQ(TexteDPt(7), "N/3");
    EXPECT_EQ(TexteDPt(0), "N/10");
    EXPECT_EQ(TexteDPt(9), "N/1");
    EXPECT_EQ(TexteKm(2, ","), "1,0");
    EXPECT_EQ(TexteKm(3, ","), "1,5");
    EXPECT_EQ(TexteKm(10, "."), "5.0");
    EXPECT_EQ(TexteKm(0, ","), "0,0");
}

// ---------------------------------------------------------------------------
// Both methods against the rule run plainly: one draw after the other, every
// real in extended precision, each spot written place after place into the
// host's array (so that on an image one or two pixels wide, where several
// places of a spot are one pixel, the last write stands).
namespace {

struct RegleSimple {
    uint32_t etat;
    int32_t niveau;
    Reel t, u, K1, K2;

    uint32_t Tirer(uint32_t n) {
        etat = etat * 134775813u + 1u;
        return uint32_t((uint64_t(etat) * n) >> 32);
    }
    int32_t Centre(int32_t a) { return a / 2 - int32_t(Tirer(uint32_t(a))); }
    int32_t Amp(Reel m) const {
        const Reel s = std::sin(m * 0.012319971190548208L);
        return int32_t(velmora::Round(s * s * niveau));
    }
    static uint8_t Borne(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

    void Taches(const std::vector<TPtImg> &copie, std::vector<TPtImg> &hote, int32_t L, int32_t H,
                int32_t D) {
        const int32_t N = L * H, bas = 2 * L, haut = N - 2 * L;
        for (int32_t k = 0; k < N / D + 1; ++k) {
            const int32_t e = int32_t(Tirer(uint32_t(N)));
            if (!(bas < e && e < haut)) continue;
            const TPtImg centre = copie[std::size_t(e)];
            const int32_t A = Amp((centre.Rouge + centre.Vert + centre.Bleu) / 3);
            const int32_t Xl = Centre(A);
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) {
                    const int32_t p = e + dx + dy * L;
                    const Reel w = std::cos(std::sqrt(Reel(dx * dx + dy * dy)) / 1.5L) - 0.5875L;
                    const TPtImg px = copie[std::size_t(p)];
                    int32_t m = (px.Rouge + px.Vert + px.Bleu) / 3;
                    if (m == 0) m = 1;
                    const int32_t c[3] = {px.Rouge, px.Vert, px.Bleu};
                    int64_t v[3];
                    for (int i = 0; i < 3; ++i) {
                        const int32_t Xc = Centre(int32_t(velmora::Round(Reel(c[i] * A) / m)));
                        v[i] = velmora::Round((Xl * u + Xc * t) * w) + c[i];
                    }
                    hote[std::size_t(p)] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
                }
        }
    }

    void PseudoAlea(const std::vector<TPtImg> &copie, std::vector<TPtImg> &hote, int32_t L) {
        const Reel S = 2 * (K1 + K2) + 1;
        std::vector<int32_t> rang1[3], rang2[3];
        for (int i = 0; i < 3; ++i) rang1[i].assign(std::size_t(L), 0), rang2[i].assign(std::size_t(L), 0);
        int32_t prec1[3] = {0, 0, 0}, prec2[3] = {0, 0, 0};
        for (std::size_t i = 0; i < copie.size(); ++i) {
            const std::size_t col = i % std::size_t(L);
            const TPtImg px = copie[i];
            Reel m = Reel(px.Rouge + px.Vert + px.Bleu) / 3;
            if (m == 0) m = 1;
            const int32_t A = Amp(m);
            const int32_t Xl = Centre(A);
            const int32_t c[3] = {px.Rouge, px.Vert, px.Bleu};
            int64_t v[3];
            for (int k = 0; k < 3; ++k) {
                const int32_t Xc = Centre(int32_t(velmora::Round(Reel(c[k] * A) / m)));
                const int32_t vk = int32_t(velmora::Round(
                    (Xl * u + Xc * t + Reel(rang1[k][col] + prec1[k]) * K1 +
                     Reel(rang2[k][col] + prec2[k]) * K2) / S));
                prec2[k] = prec1[k];
                prec1[k] = vk;
                rang2[k][col] = rang1[k][col];
                rang1[k][col] = vk;
                v[k] = c[k] + vk;
            }
            hote[i] = {Borne(v[2]), Borne(v[1]), Borne(v[0])};
        }
    }
};

} // namespace

TEST_F(Grain, BothMethodsAsTheRuleRunPlainly) {
    SurChaqueChemin([&] {
        // Shapes: one and two pixels wide (several places of a spot on one pixel),
        // narrow, square, wide and flat; 500 x 400 at the highest density is enough
        // spots for the work to be shared among the cores; images without pixels last.
        const struct {
            int32_t largeur, hauteur;
        } formes[] = {{1, 50}, {2, 9}, {2, 400}, {1, 5}, {3, 40}, {5, 5}, {37, 23}, {130, 3}, {500, 400},
                   {4, 0}, {0, 3}};
        // On each shape: colour shares 0, 1/2, 1 (halves everywhere) and 3/10; levels
        // up to 255; every spot divisor D = 1..10 and every filter divisor S = 1..21.
        int cas = 0;
        for (const auto &f : formes) {
            const auto image = Aleatoire(std::size_t(f.largeur) * f.hauteur, 40 + unsigned(cas));
            for (int etape = 0; etape < (f.largeur == 500 ? 2 : 21); ++etape, ++cas) {
                const int txcl = f.largeur == 500 ? 5 - 2 * etape : std::array{0, 5, 10, 3}[etape % 4];
                // S - 1 = 2 (K1 + K2) = Ord1 + Ord2 = etape (0..20).
                const int ord1 = std::min(etape, 10), ord2 = etape - ord1;
                const int dstpt = f.largeur == 500 ? 9 : etape % 10;
                const int niveau = (cas * 37) % 256;
                const Reglages r = Regles(niveau, txcl, dstpt, ord1, ord2);
                RegleSimple simple{uint32_t(cas) * 2654435761u, niveau, r.t, r.UnMoinsT, r.K1, r.K2};
                const uint32_t depart = simple.etat;
                // Spots over an earlier result: the pixels they do not cover keep it.
                std::vector<TPtImg> attendu(image.size(), P(1, 2, 3)), obtenu = attendu;
                simple.Taches(image, attendu, f.largeur, f.hauteur, 10 - dstpt);
                GraineAlea = depart;
                MethodeTaches(image.data(), obtenu.data(), f.largeur, f.hauteur, r);
                ASSERT_EQ(GraineAlea, simple.etat) << f.largeur << "x" << f.hauteur << " cas " << cas;
                ASSERT_EQ(obtenu, attendu) << "spots " << f.largeur << "x" << f.hauteur << " cas " << cas;

                simple.PseudoAlea(image, attendu, f.largeur);
                MethodePseudoAlea(image.data(), obtenu.data(), obtenu.size(), f.largeur, r);
                ASSERT_EQ(GraineAlea, simple.etat) << f.largeur << "x" << f.hauteur << " cas " << cas;
                ASSERT_EQ(obtenu, attendu) << "pseudo " << f.largeur << "x" << f.hauteur << " cas " << cas;
            }
        }
    });
}

// Enough positions to be drawn in runs on the cores, each run starting from a
// walk over the draws before it: shapes where every position is left out
// (four rows), where spots cover one column, and a dense photograph's share
// of positions left out near the edges. Against the rule run plainly, with the
// spots over an earlier result, and with the unprocessed image put back in
// the same pass (the dialog's way), on each path.
TEST_F(Grain, ManyPositionsDrawnInRunsAsInOrder) {
    const struct {
        int32_t largeur, hauteur, dstpt;
    } formes[] = {{60000, 4, 9}, {1, 200000, 8}, {650, 420, 9}};
    unsigned graine = 90;
    for (const auto &f : formes) {
        SCOPED_TRACE(testing::Message() << f.largeur << "x" << f.hauteur);
        const auto image = Aleatoire(std::size_t(f.largeur) * f.hauteur, ++graine);
        const Reglages r = Regles(230, 5, f.dstpt, 2, 2);
        RegleSimple simple{graine * 2654435761u, 230, r.t, r.UnMoinsT, r.K1, r.K2};
        const uint32_t depart = simple.etat;
        std::vector<TPtImg> surAutre(image.size(), P(1, 2, 3)), surImage = image;
        simple.Taches(image, surAutre, f.largeur, f.hauteur, 10 - f.dstpt);
        const uint32_t fin = simple.etat;
        simple.etat = depart;
        simple.Taches(image, surImage, f.largeur, f.hauteur, 10 - f.dstpt);
        SurChaqueChemin([&] {
            for (bool recopier : {false, true}) {
                std::vector<TPtImg> obtenu(image.size(), P(1, 2, 3));
                GraineAlea = depart;
                MethodeTaches(image.data(), obtenu.data(), f.largeur, f.hauteur, r, nullptr, recopier);
                EXPECT_EQ(GraineAlea, fin);
                ASSERT_TRUE(obtenu == (recopier ? surImage : surAutre)) << "recopier " << recopier;
            }
        });
    }
}

// Spots at level 0 with the unprocessed image put back (the dialog's opening
// when the pseudo-random method was left selected): the image as it was over
// whatever the host's array held, and the generator moved as by every draw,
// for a small image and one drawn in runs.
TEST_F(Grain, SpotsAtLevelZeroPutTheImageBackAndMoveTheGenerator) {
    for (auto [L, H] : {std::pair{40, 30}, {650, 420}}) {
        const auto image = Aleatoire(std::size_t(L) * H, 31);
        RegleSimple simple{12345u, 0, 0.5L, 0.5L, 1, 1};
        std::vector<TPtImg> attendu = image;
        simple.Taches(image, attendu, L, H, 1);
        ASSERT_EQ(attendu, image);
        SurChaqueChemin([&] {
            std::vector<TPtImg> hote(image.size(), P(1, 2, 3));
            GraineAlea = 12345u;
            MethodeTaches(image.data(), hote.data(), L, H, Regles(0, 5, 9, 2, 2), nullptr, true);
            EXPECT_EQ(GraineAlea, simple.etat) << L << "x" << H;
            ASSERT_TRUE(hote == image) << L << "x" << H;
        });
    }
}

// A band's list full: its later spots go to the band's overflow, marked after
// the list's in drawing order. Chance does not fill a list at the room the
// image gets, so the buffers are given a smaller one here: one spot a list,
// four, and one short of the longest and of the shortest list (a single spot
// over). Against the rule run plainly, in one run of draws (a narrow image, its
// spots across two bands in both lists, and a square one) and in runs on the
// cores, over an earlier result and with the image put back, on each path.
TEST_F(Grain, FullListsOverflowInDrawingOrder) {
    const struct {
        int32_t largeur, hauteur, dstpt;
    } formes[] = {{3, 400, 5}, {37, 60, 9}, {300, 250, 9}};
    unsigned graine = 120;
    for (const auto &f : formes) {
        const auto image = Aleatoire(std::size_t(f.largeur) * f.hauteur, ++graine);
        const Reglages r = Regles(210, 3, f.dstpt, 2, 2);
        RegleSimple simple{graine * 2654435761u, 210, r.t, r.UnMoinsT, r.K1, r.K2};
        const uint32_t depart = simple.etat;
        std::vector<TPtImg> surAutre(image.size(), P(1, 2, 3)), surImage = image;
        simple.Taches(image, surAutre, f.largeur, f.hauteur, 10 - f.dstpt);
        const uint32_t fin = simple.etat;
        simple.etat = depart;
        simple.Taches(image, surImage, f.largeur, f.hauteur, 10 - f.dstpt);
        // The lists' lengths at the image's own room, where none overflows.
        TamponsTaches tampons;
        {
            std::vector<TPtImg> h = image;
            GraineAlea = depart;
            MethodeTaches(image.data(), h.data(), f.largeur, f.hauteur, r, &tampons);
        }
        uint32_t plusLongue = 0, plusCourte = UINT32_MAX;
        for (uint32_t c : tampons.compte)
            if (c > 1) plusLongue = std::max(plusLongue, c), plusCourte = std::min(plusCourte, c);
        ASSERT_GT(plusLongue, 4u);
        for (std::size_t place : {std::size_t(1), std::size_t(4), std::size_t(plusLongue - 1),
                                  std::size_t(plusCourte - 1)}) {
            tampons.placeParListe = place;
            SCOPED_TRACE(testing::Message() << f.largeur << "x" << f.hauteur << ", room " << place);
            SurChaqueChemin([&] {
                for (bool recopier : {false, true}) {
                    std::vector<TPtImg> obtenu(image.size(), P(1, 2, 3));
                    GraineAlea = depart;
                    MethodeTaches(image.data(), obtenu.data(), f.largeur, f.hauteur, r, &tampons, recopier);
                    ASSERT_TRUE(std::any_of(tampons.debordement.begin(), tampons.debordement.end(),
                                            [](const auto &d) { return !d.empty(); }))
                        << "no list filled";
                    EXPECT_EQ(GraineAlea, fin);
                    ASSERT_TRUE(obtenu == (recopier ? surImage : surAutre)) << "recopier " << recopier;
                }
            });
        }
    }
}
