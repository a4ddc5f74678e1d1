#include "dialogs/BalanceCoul/BalanceCoul.h"

#include <gtest/gtest.h>

#include <vector>

// Where the comparisons of gtest and the standard library find it (TPtImg is global).
inline bool operator==(TPtImg a, TPtImg b) {
    return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge;
}

using velmora::TColor;
using velmora::TImage;
using velmora::TTempCoul;
using namespace velmora::balancecoul;

namespace {

// (Rouge, Vert, Bleu) written in that order, as the examples give them.
TPtImg P(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }

std::vector<TPtImg> Uniforme(std::size_t n, TPtImg p) { return std::vector<TPtImg>(n, p); }

TPtImg Corrige(TPtImg p, const TRVB &k) {
    TPtImg r;
    AppliqueZone(&p, &r, 1, k);
    return r;
}

} // namespace

TEST(TableCoul, RowsOfTheScale) {
    ASSERT_EQ(TTempCoul.size(), 71u);
    for (int i = 0; i < 71; ++i) EXPECT_EQ(TTempCoul[i].Temperature, 3000 + 100 * i) << i;
    // Every row as the scale lists it (red, green, blue), the duplicates included.
    const int rvb[71][3] = {
        {255, 180, 107}, {255, 184, 114}, {255, 187, 120}, {255, 190, 126}, {255, 193, 132},
        {255, 196, 137}, {255, 199, 143}, {255, 201, 153}, {255, 204, 153}, {255, 206, 159},
        {255, 209, 163}, {255, 211, 168}, {255, 213, 173}, {255, 215, 177}, {255, 217, 182},
        {255, 219, 186}, {255, 221, 190}, {255, 223, 194}, {255, 225, 198}, {255, 227, 202},
        {255, 228, 206}, {255, 230, 210}, {255, 232, 213}, {255, 233, 217}, {255, 235, 220},
        {255, 236, 224}, {255, 238, 227}, {255, 239, 230}, {255, 240, 233}, {255, 242, 236},
        {255, 243, 239}, {255, 244, 242}, {255, 245, 245}, {255, 246, 248}, {255, 248, 251},
        {255, 249, 253}, {254, 249, 255}, {252, 247, 255}, {249, 246, 255}, {247, 245, 255},
        {245, 243, 255}, {243, 243, 255}, {240, 241, 255}, {239, 240, 255}, {237, 239, 255},
        {235, 238, 255}, {233, 237, 255}, {231, 236, 255}, {230, 235, 255}, {228, 234, 255},
        {227, 233, 255}, {225, 232, 255}, {224, 231, 255}, {222, 230, 255}, {221, 230, 255},
        {220, 229, 255}, {218, 228, 255}, {217, 227, 255}, {216, 227, 255}, {215, 226, 255},
        {214, 225, 255}, {212, 225, 255}, {211, 224, 255}, {210, 223, 255}, {209, 223, 255},
        {208, 222, 255}, {207, 221, 255}, {207, 221, 255}, {206, 220, 255}, {205, 220, 255},
        {204, 219, 255},
    };
    for (int i = 0; i < 71; ++i)
        EXPECT_EQ(TTempCoul[i].Couleur, TColor(rvb[i][0] | rvb[i][1] << 8 | rvb[i][2] << 16)) << i;
}

TEST(BalanceCoul, HueAndCaption) {
    const TRVB h = TeinteDe(32);  // 6200 K: (255, 245, 245)
    EXPECT_EQ(h.Rouge, 1.0L);
    EXPECT_EQ(h.Vert, 245.0L / 255);
    EXPECT_EQ(h.Bleu, 245.0L / 255);
    EXPECT_EQ(TexteTeinteEquil(37), " Teinte d'\xC3\xA9quilibrage  T = 6700 \xC2\xB0K ");
    EXPECT_EQ(TexteTeinteEquil(0), " Teinte d'\xC3\xA9quilibrage  T = 3000 \xC2\xB0K ");
    EXPECT_EQ(TexteTeinteEquil(70), " Teinte d'\xC3\xA9quilibrage  T = 10000 \xC2\xB0K ");
}

// The single-zone examples, with the zone and the corrected pixel.
TEST(BalanceCoul, SingleZone) {
    const TRVB h6200 = TeinteDe(32);
    const struct {
        const char *cas;
        TPtImg zone;
        LumRef lum;
        bool saturation;
        TPtImg pixel, attendu;
    } cas[] = {
        {"grey, no saturation", P(100, 100, 100), LumRef::Moyenne, false, P(100, 100, 100),
         P(101, 97, 97)},
        {"grey, saturation", P(100, 100, 100), LumRef::Moyenne, true, P(100, 100, 100),
         P(101, 97, 97)},
        {"coloured, saturation", P(100, 50, 50), LumRef::Moyenne, true, P(100, 50, 50),
         P(67, 65, 65)},
        {"coloured, no saturation", P(100, 50, 50), LumRef::Moyenne, false, P(100, 50, 50),
         P(53, 51, 51)},
        // Max reference: mL = 100, k = (1, 0.5 · 255/245, same): 51 / k = 98 exactly.
        {"max, saturation", P(100, 50, 50), LumRef::Maxi, true, P(100, 50, 50), P(101, 98, 98)},
        // No saturation: (1.9216, 1, 1) again.
        {"max, no saturation", P(100, 50, 50), LumRef::Maxi, false, P(100, 50, 50),
         P(53, 51, 51)},
        // Blue mean 0 counts as 1: k = (100/66, 100/66 · 255/245, 1/66 · 255/245);
        // 101·66/100 = 66.66, 101·66·245/25500 = 64.05, 66·245/255 = 63.41.
        {"blue mean 0", P(100, 100, 0), LumRef::Moyenne, true, P(100, 100, 0), P(67, 64, 63)},
        // Without saturation everything is divided by kB: (96.08, 100, 1).
        {"blue mean 0, no saturation", P(100, 100, 0), LumRef::Moyenne, false,
         P(200, 200, 200), P(2, 2, 201)},
        // All factors 1 (a grey zone at 6500 K is not neutral, 6200 K is not either:
        // use a zone that makes k = 1 at 6200 K): every channel rises by one, 255 stays.
        {"255 stays", P(255, 245, 245), LumRef::Maxi, true, P(255, 254, 0), P(255, 255, 1)},
    };
    for (const auto &c : cas) {
        const auto k = FacteursZone(&c.zone, 1, c.lum, c.saturation, h6200);
        ASSERT_TRUE(k) << c.cas;
        EXPECT_EQ(Corrige(c.pixel, *k), c.attendu) << c.cas;
    }
}

TEST(BalanceCoul, ZoneMeansUseIntegerDivision) {
    // Sums 301, 3, 0 over 2 pixels: means 150, 1, 0 -> the blue mean counts as 1.
    const std::vector<TPtImg> zone = {P(150, 2, 0), P(151, 1, 0)};
    const auto m = MoyenneZone(zone.data(), zone.size(), TeinteDe(32));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Rouge, 150.0L);
    EXPECT_EQ(m->Vert, 1.0L * (245.0L / 255));
    EXPECT_EQ(m->Bleu, 0.0L);
}

TEST(BalanceCoul, DegenerateZonesAreRefused) {
    const TRVB h = TeinteDe(37);
    const TPtImg noir = P(0, 0, 0), presqueNoir = P(1, 1, 0);  // mL = 2 div 3 = 0
    EXPECT_FALSE(FacteursZone(nullptr, 0, LumRef::Moyenne, false, h));
    EXPECT_FALSE(FacteursZone(&noir, 1, LumRef::Moyenne, false, h));
    EXPECT_FALSE(FacteursZone(&noir, 1, LumRef::Maxi, true, h));
    EXPECT_FALSE(FacteursZone(&presqueNoir, 1, LumRef::Moyenne, true, h));
    EXPECT_TRUE(FacteursZone(&presqueNoir, 1, LumRef::Maxi, true, h));  // max 1
    EXPECT_FALSE(MoyenneZone(nullptr, 0, h));

    // Two zones equal in one channel: nothing is written.
    const TRVB claire{200, 150, 100}, sombre{50, 150, 20};
    EXPECT_FALSE(TablesDeuxZones(claire, sombre));
    TPtImg src = P(10, 20, 30), dst = P(1, 2, 3);
    EXPECT_FALSE(AppliqueDeuxZones(&src, &dst, 1, claire, sombre));
    EXPECT_EQ(dst, P(1, 2, 3));
}

TEST(BalanceCoul, LargeZoneSumsDoNotWrap) {
    // 9,000,000 white pixels: 32-bit sums would wrap past 8,421,504 pixels.
    const auto zone = Uniforme(9'000'000, P(255, 255, 255));
    const auto k = FacteursZone(zone.data(), zone.size(), LumRef::Moyenne, true, TeinteDe(32));
    ASSERT_TRUE(k);
    EXPECT_EQ(k->Rouge, 1.0L);
    const auto m = MoyenneZone(zone.data(), zone.size(), TeinteDe(32));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Rouge, 255.0L);
}

TEST(BalanceCoul, TwoZones) {
    const TRVB h = TeinteDe(32);
    const auto claire = Uniforme(4, P(200, 200, 200)), sombre = Uniforme(3, P(50, 50, 50));
    const auto L = MoyenneZone(claire.data(), claire.size(), h);
    const auto D = MoyenneZone(sombre.data(), sombre.size(), h);
    ASSERT_TRUE(L && D);
    EXPECT_EQ(L->Rouge, 200.0L);
    EXPECT_EQ(D->Vert, 50 * (245.0L / 255));
    const std::vector<TPtImg> src = {P(125, 125, 125), P(50, 125, 200), P(49, 40, 0),
                                     P(200, 200, 200)};
    std::vector<TPtImg> dst(src.size());
    ASSERT_TRUE(AppliqueDeuxZones(src.data(), dst.data(), src.size(), *L, *D));
    EXPECT_EQ(dst[0], P(128, 136, 136));  // 127.5 -> 128
    EXPECT_EQ(dst[1], P(0, 136, 255));    // blue 268.9 clamped
    EXPECT_EQ(dst[2], P(0, 0, 0));        // below the dark zone: clamped to 0
    EXPECT_EQ(dst[3], P(255, 255, 255));  // green and blue: 268.9 clamped
}

// The correction over an image large enough to be split across the cores: every
// slice gets the same table, and nothing past n is written.
TEST(BalanceCoul, WholeImageEverySlice) {
    const std::size_t n = 1'000'003;
    const auto src = Uniforme(n, P(100, 100, 100));
    std::vector<TPtImg> dst(n + 5, P(7, 7, 7));
    const TPtImg zone = P(100, 100, 100);
    const auto k = FacteursZone(&zone, 1, LumRef::Moyenne, false, TeinteDe(32));
    ASSERT_TRUE(k);
    AppliqueZone(src.data(), dst.data(), n, *k);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(dst[i], P(101, 97, 97)) << i;
    for (std::size_t i = n; i < dst.size(); ++i) EXPECT_EQ(dst[i], P(7, 7, 7));
}

TEST(BalanceCoul, ColourStrip) {
    const TImage b = BandeCouleurs();
    ASSERT_EQ(b.Largeur(), 284);
    ASSERT_EQ(b.Hauteur(), 16);
    const struct {
        int x;
        TPtImg couleur;
    } points[] = {{0, P(255, 180, 107)},  {3, P(255, 180, 107)}, {4, P(255, 184, 114)},
                  {28, P(255, 201, 153)}, {32, P(255, 204, 153)}, {148, P(252, 247, 255)},
                  {283, P(204, 219, 255)}};
    for (const auto &p : points)
        for (int y : {0, 15}) EXPECT_EQ(b.Pixel(p.x, y), p.couleur) << p.x << "," << y;
}
