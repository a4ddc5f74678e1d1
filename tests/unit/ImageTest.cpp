// The dialogs' pictures: fills of every length, grey or coloured, and filled
// rectangles clipped at the picture's edges.
#include "imaging/dialogue/Image.h"

#include <gtest/gtest.h>

using namespace velmora;

namespace {
bool Egal(TPtImg a, TPtImg b) { return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge; }
} // namespace

TEST(Image, RemplissagesEtRectangles) {
    const TPtImg couleurs[] = {{7, 7, 7}, {1, 2, 3}, {255, 0, 128}};
    const struct { int32_t l, h; } tailles[] = {{1, 1}, {3, 1}, {16, 1}, {17, 1}, {33, 2}, {5, 7}, {256, 256}, {0, 5}, {-3, 4}};
    for (TPtImg c : couleurs)
        for (auto t : tailles) {
            TImage im(t.l, t.h, c);
            const int32_t l = std::max(0, t.l), h = l ? std::max(0, t.h) : 0;
            ASSERT_EQ(im.Largeur(), h ? l : 0);
            for (int32_t y = 0; y < im.Hauteur(); ++y)
                for (int32_t x = 0; x < im.Largeur(); ++x) ASSERT_TRUE(Egal(im.Pixel(x, y), c)) << x << "," << y;

            // A rectangle from (-2, 1) of 4 x 3 pixels: columns 0..1, rows 1..3, clipped.
            const TPtImg autre{9, 8, 6};
            im.RectanglePlein({-2, 1, 4, 3}, autre);
            for (int32_t y = 0; y < im.Hauteur(); ++y)
                for (int32_t x = 0; x < im.Largeur(); ++x)
                    ASSERT_TRUE(Egal(im.Pixel(x, y), x <= 1 && y >= 1 && y <= 3 ? autre : c)) << x << "," << y;
            im.Remplir(autre);
            for (int32_t y = 0; y < im.Hauteur(); ++y)
                for (int32_t x = 0; x < im.Largeur(); ++x) ASSERT_TRUE(Egal(im.Pixel(x, y), autre));
        }
}

TEST(Image, Copies) {
    TImage a(5, 3, {1, 2, 3}), b(5, 3, {9, 9, 9}), c(2, 7, {4, 5, 6});
    a.Point(4, 2, {7, 8, 9});
    b = a;  // same size: the buffer kept
    EXPECT_TRUE(b == a);
    c = a;  // another size
    EXPECT_TRUE(c == a);
    EXPECT_EQ(c.Largeur(), 5);
    const TImage d(c);
    EXPECT_TRUE(d == a);
    c = TImage();
    EXPECT_TRUE(c.Vide());
    b = c;
    EXPECT_TRUE(b.Vide());
    EXPECT_TRUE(b == TImage());
}
