#include "dialogs/AjustImg/AjustImg.h"
#include "imaging/BouclePixels.h"
#include "imaging/ParamCoul.h"
#include "Chemins.h"
#include "RegleCurseurs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <vector>

using namespace velmora;
using namespace velmora::ajustimg;

TEST(AjustImg, TableGamma) {
    const struct {
        int32_t position;
        std::vector<std::pair<int, int>> entrees;
    } cas[] = {
        {50, {{0, 0}, {1, 147}, {128, 238}, {255, 255}}},
        {-50, {{0, 0}, {128, 0}, {192, 15}, {254, 245}, {255, 255}}},
    };
    for (const auto &c : cas) {
        const Table t = TableGamma(ValeurGamma(c.position));
        for (auto [i, v] : c.entrees) EXPECT_EQ(t[i], v) << c.position << " [" << i << "]";
    }
    EXPECT_EQ(TableGamma(ValeurGamma(0)), Identite());
    // Monotone and within a byte at every position.
    for (int p = -50; p <= 50; ++p) {
        const Table t = TableGamma(ValeurGamma(p));
        for (int i = 1; i < 256; ++i) ASSERT_LE(t[i - 1], t[i]) << p;
        EXPECT_EQ(t[255], 255) << p;
    }
}

TEST(AjustImg, TableContraste) {
    const Table zero = TableContraste(0), cent = TableContraste(100), t75 = TableContraste(75);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(zero[i], 128) << i;
        EXPECT_EQ(cent[i], i < 128 ? 0 : (i == 128 ? 128 : 255)) << i;
    }
    EXPECT_EQ(t75[127], 126);
    EXPECT_EQ(t75[128], 128);
    EXPECT_EQ(t75[129], 130);
    EXPECT_EQ(t75[0], 0);
    EXPECT_EQ(t75[255], 255);
    EXPECT_EQ(TableContraste(50), Identite());
    // Below 50 the curve flattens toward 128: slope 1 / (tan(pi / 4) + 1), about 0.5.
    const Table t25 = TableContraste(25);
    EXPECT_EQ(t25[0], 64);
    EXPECT_EQ(t25[255], 192);
}

TEST(AjustImg, TableLum) {
    const Table t0 = TableLum(0), t25 = TableLum(25), t75 = TableLum(75), t100 = TableLum(100);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(t0[i], 0);
        EXPECT_EQ(t100[i], 255);
    }
    EXPECT_EQ(t25[3], 2);   // 1.5 -> 2
    EXPECT_EQ(t25[5], 2);   // 2.5 -> 2
    EXPECT_EQ(t25[255], 128);  // 127.5 -> 128
    EXPECT_EQ(t75[0], 128);    // 127.5 -> 128
    EXPECT_EQ(t75[255], 255);
    EXPECT_EQ(TableLum(50), Identite());
}

TEST(AjustImg, TableLGCComposeDansLOrdre) {
    Table g = Identite(), c = Identite(), l = Identite();
    g[10] = 20;
    c[20] = 30;
    l[30] = 40;
    EXPECT_EQ(TableLGC(g, c, l)[10], 40);
    EXPECT_EQ(TableLGC(g, c, l)[20], 40);
    EXPECT_EQ(TableLGC(g, c, l)[11], 11);
    EXPECT_EQ(TableLGC(Identite(), Identite(), Identite()), Identite());
}

TEST(AjustImg, Etiquettes) {
    const struct {
        int32_t position;
        const char *attendu;
    } gammas[] = {{0, "1,00"}, {5, "1,30"}, {-5, "0,79"}, {25, "3,20"}, {50, "10,00"},
                  {-50, "0,10"}, {30, "4,00"}, {-1, "0,95"}, {1, "1,00"}, {49, "9,50"},
                  // Below the slider's range (a form that does not hold it there).
                  {-60, "0,06"}, {-150, "0,00"}};
    for (const auto &c : gammas)
        EXPECT_EQ(TexteGamma(ValeurGamma(c.position), ","), c.attendu) << c.position;
    EXPECT_EQ(TexteGamma(ValeurGamma(5), "."), "1.30");
    EXPECT_EQ(TextePourcent(50), "50 %");
    EXPECT_EQ(TextePourcent(0), "0 %");
    EXPECT_EQ(TexteSaturation(-35), "-35 %");
    EXPECT_EQ(TexteSaturation(0), "0 %");
    EXPECT_EQ(TexteSaturation(100), "100 %");
}

TEST(AjustImg, FacteurEtRegleAuxLimites) {
    EXPECT_EQ(FacteurSaturation(-100), 0);
    EXPECT_EQ(FacteurSaturation(0), 1);
    EXPECT_EQ(FacteurSaturation(100), 2);
    RegleAjustCoul r;
    const TPtImg p{10, 100, 200};
    r.Definir(Identite(), FacteurSaturation(-100));
    TPtImg q = r.Reference(p);
    EXPECT_TRUE(q.Bleu == 120 && q.Vert == 120 && q.Rouge == 120);  // grey
    r.Definir(Identite(), FacteurSaturation(100));
    q = r.Reference(p);
    EXPECT_TRUE(q.Bleu == 0 && q.Vert == 80 && q.Rouge == 255);      // doubled, limited
    Table inv;
    for (int i = 0; i < 256; ++i) inv[i] = 255 - i;
    r.Definir(inv, 1);
    q = r.Reference(p);
    EXPECT_TRUE(q.Bleu == 245 && q.Vert == 155 && q.Rouge == 55);    // one table, three channels
}

// The block rule gives the reference rule's bytes, for defaults and other settings.
TEST(AjustImg, RegleBlocEgaleReference) {
    std::mt19937 alea(42);
    std::vector<TPtImg> src(200000), dst(src.size());
    for (auto &p : src) p = {uint8_t(alea()), uint8_t(alea()), uint8_t(alea())};
    const struct {
        int32_t g, c, l, s;
    } reglages[] = {{0, 50, 50, 0}, {17, 63, 41, -37}, {-50, 100, 0, 100}, {50, 0, 100, -100},
                    {-3, 49, 51, 1}, {8, 50, 50, 55}};
    SurChaqueChemin([&] {
        for (const auto &rg : reglages) {
            const RegleAjustCoul r = RegleDe(rg.g, rg.c, rg.l, rg.s);
            r.Traiter(src.data(), dst.data(), src.size());
            for (std::size_t i = 0; i < src.size(); ++i) {
                const TPtImg a = r.Reference(src[i]);
                ASSERT_TRUE(a.Bleu == dst[i].Bleu && a.Vert == dst[i].Vert && a.Rouge == dst[i].Rouge)
                    << "pixel " << i << " settings " << rg.g << "/" << rg.c << "/" << rg.l << "/" << rg.s;
            }
        }
    });
}

TEST(AjustImg, ToutesLesLongueursEtSurPlace) {
    const RegleAjustCoul r = RegleDe(-3, 49, 51, 1);
    ToutesLesLongueurs(r, [&](TPtImg p) { return r.Reference(p); });
}

TEST(AjustImg, ReInitRemetLesCourbes) {
    Reglages st;
    st.ValeurGamma = ValeurGamma(30);
    st.Contraste = 80;
    st.Luminosite = 20;
    st.CalculerGamma();
    st.CalculerContraste();
    st.CalculerLum();
    st.ReInit();
    EXPECT_EQ(st.TableGamma, Identite());
    EXPECT_EQ(st.TableContraste, Identite());
    EXPECT_EQ(st.TableLum, Identite());
}

// The fixed-point path against the 80-bit rule on every one of the 16,777,216
// colours, for factors at the ends, at 1 and in between (slider steps of 0.01).
// (Slices of red shared among the cores: the 80-bit rule is slow to run 10^8 times.)
TEST(AjustImg, CheminRapideSurToutesLesCouleurs) {
    SurChaqueChemin([&] {
        for (int pos : {-100, -63, -1, 0, 37, 100}) {
            RegleAjustCoul r;
            r.Definir(Identite(), FacteurSaturation(pos));
            std::atomic<std::size_t> ecarts{0};
            velmora::PourTranches(256, [&](std::size_t premier, std::size_t fin) {
                std::vector<TPtImg> src(1 << 16), dst(src.size());
                for (uint32_t haut = uint32_t(premier); haut < fin; ++haut) {
                    for (uint32_t i = 0; i < src.size(); ++i)
                        src[i] = PixelDeValeur((haut << 16) | i);
                    r.Traiter(src.data(), dst.data(), src.size());
                    for (uint32_t i = 0; i < src.size(); ++i) {
                        const TPtImg a = SaturerPixel(ValeurDe(src[i]), r.Facteur());
                        if (a.Bleu != dst[i].Bleu || a.Vert != dst[i].Vert || a.Rouge != dst[i].Rouge)
                            ++ecarts;
                    }
                }
            }, 2);
            EXPECT_EQ(ecarts.load(), 0u) << "saturation " << pos;
        }
    });
}
