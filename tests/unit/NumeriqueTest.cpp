#include "imaging/Numerique.h"
#include "imaging/ParamCoul.h"

#include <cfenv>
#include <gtest/gtest.h>

using namespace velmora;

TEST(Numerique, RoundGoesHalfToEven) {
    EXPECT_EQ(fegetround(), FE_TONEAREST);
    const struct { Reel x; int64_t attendu; } cas[] = {
        {0.5L, 0}, {1.5L, 2}, {2.5L, 2}, {3.5L, 4}, {-0.5L, 0}, {-1.5L, -2},
        {2.4999999L, 2}, {127.5L, 128}, {-2.6L, -3},
    };
    for (auto c : cas) EXPECT_EQ(Round(c.x), c.attendu) << double(c.x);
}

TEST(Numerique, TruncDivAndLimit) {
    EXPECT_EQ(Trunc(2.9L), 2);
    EXPECT_EQ(Trunc(-2.9L), -2);
    EXPECT_EQ(Div(-7, 2), -3);
    EXPECT_EQ(Div(7, 2), 3);
    EXPECT_EQ(Limiter(-1), 0);
    EXPECT_EQ(Limiter(256), 255);
    EXPECT_EQ(Limiter(17), 17);
    EXPECT_EQ(Octet(255.4L), 255);
    EXPECT_EQ(Octet(1e30L), 255);
    EXPECT_EQ(Octet(-0.4L), 0);
    EXPECT_EQ(Octet(0.5L), 0);
    EXPECT_EQ(Octet(std::numeric_limits<Reel>::quiet_NaN()), 0);
}

namespace {
TPtImg P(int b, int v, int r) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }
void Egal(TPtImg a, TPtImg b) {
    EXPECT_EQ(a.Bleu, b.Bleu);
    EXPECT_EQ(a.Vert, b.Vert);
    EXPECT_EQ(a.Rouge, b.Rouge);
}
} // namespace

TEST(ParamCoul, SaturerPixel) {
    const struct { TPtImg entree; Reel f; TPtImg attendu; } cas[] = {
        {P(10, 100, 200), 0, P(120, 120, 120)},
        {P(10, 100, 200), 1, P(10, 100, 200)},
        {P(10, 100, 200), 2, P(0, 80, 255)},
        {P(10, 100, 200), 0.5L, P(65, 110, 160)},
        {P(128, 128, 128), 0, P(128, 128, 128)},
        {P(128, 128, 128), 1, P(128, 128, 128)},
        {P(128, 128, 128), 2, P(128, 128, 128)},
        {P(0, 0, 255), 0, P(76, 76, 76)},
    };
    for (auto c : cas) {
        SCOPED_TRACE(double(c.f));
        Egal(SaturerPixel(ValeurDe(c.entree), c.f), c.attendu);
    }
}

TEST(ParamCoul, MultiplierEtCanaux) {
    Egal(MultiplierPixel(ValeurDe(P(1, 3, 200)), 1.5L), P(2, 4, 255));
    EXPECT_EQ(CanauxMoyenne(ValeurDe(P(0, 1, 1))).Lum, 0);
    const TCanaux c = CanauxDeTColor(33023);
    EXPECT_EQ(c.Rouge, 255);
    EXPECT_EQ(c.Vert, 128);
    EXPECT_EQ(c.Bleu, 0);
    TCanauxLum l{};
    EXPECT_EQ(CanauxMaxi(0x0A64C8u | 0xFF000000u, l), 200); // upper byte ignored
    EXPECT_EQ(l.Rouge, 10);
    EXPECT_EQ(l.Bleu, 200);
    Egal(PixelDeValeur(0x123456), P(0x56, 0x34, 0x12));
    const TCanaux d = CanauxDePixel(0xFF123456);
    EXPECT_EQ(d.Rouge, 0x12);
    EXPECT_EQ(d.Bleu, 0x56);
}
