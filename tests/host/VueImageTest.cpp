// The image view on its own: zoom steps, the wheel zoom about the pointer,
// scrolling, and how reduced and enlarged views are drawn.
#include "OutilsHote.h"
#include "VueImage.h"

#include <QScrollBar>
#include <QWheelEvent>

namespace velmora::hote::essai {
namespace {

TEST(VueImageZoom, Paliers) {
    const struct {
        double depuis, avant, arriere;
    } cas[] = {
        {1.0, 1.5, 2.0 / 3},
        {2.0 / 3, 1.0, 0.5},
        {0.6666666666, 1.0, 0.5}, // a fitted zoom next to a step counts as that step
        {0.4, 0.5, 1.0 / 3},      // a fitted zoom between steps goes to its neighbours
        {1.25, 1.5, 1.0},
        {32.0, 32.0, 24.0},          // the largest stays
        {1.0 / 32, 1.0 / 24, 1.0 / 32}, // the smallest stays
        {0.01, 1.0 / 32, 0.01},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.depuis);
        EXPECT_DOUBLE_EQ(VueImage::PalierSuivant(c.depuis), c.avant);
        EXPECT_DOUBLE_EQ(VueImage::PalierPrecedent(c.depuis), c.arriere);
    }
}

// A 200 x 150 viewport (no bars, so the sizes are exact) on a 400 x 300 image.
class VueFixe : public ::testing::Test {
protected:
    void SetUp() override {
        vue.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        vue.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        vue.resize(200, 150);
        vue.show();
        vue.DefinirImage(ImageAleatoire(400, 300, 1));
        QCoreApplication::processEvents();
        ASSERT_EQ(vue.viewport()->size(), QSize(200, 150));
    }
    // Before the view: widgets need the application.
    struct AvecAppli {
        AvecAppli() { Appli(); }
    } appli;
    QPoint Defilement() const {
        return {vue.horizontalScrollBar()->value(), vue.verticalScrollBar()->value()};
    }
    void Molette(QPoint ou, int angle) {
        QWheelEvent e(QPointF(ou), vue.viewport()->mapToGlobal(QPointF(ou)), QPoint(),
                      QPoint(0, angle), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vue.viewport(), &e);
    }
    VueImage vue;
};

TEST_F(VueFixe, AjusteeParDefautJamaisAgrandie) {
    EXPECT_TRUE(vue.Ajuste());
    EXPECT_DOUBLE_EQ(vue.Zoom(), 0.5);
    EXPECT_EQ(vue.CadreImage(), QRect(0, 0, 200, 150));
    vue.DefinirImage(ImageAleatoire(50, 30, 2)); // smaller than the view: 100 %, centred
    EXPECT_DOUBLE_EQ(vue.Zoom(), 1.0);
    EXPECT_EQ(vue.CadreImage(), QRect(75, 60, 50, 30));
    vue.DefinirImage(ImageAleatoire(400, 30, 2)); // wide: the width decides
    EXPECT_DOUBLE_EQ(vue.Zoom(), 0.5);
}

// Ctrl + wheel: one step per notch, the image point under the pointer stays
// under it while the scroll range allows; an image smaller than the view is centred.
TEST_F(VueFixe, MoletteCentreeSurLePointeur) {
    const struct {
        double zoom;
        QPoint defilement, pointeur;
        int angle;
        double zoomApres;
        QRect cadreApres; // where the image lands, worked out by hand
    } cas[] = {
        // (50,40) at 100 % is pixel (50,40); at 150 % that pixel is at 75,60.
        {1.0, {0, 0}, {50, 40}, 120, 1.5, {-25, -20, 600, 450}},
        // Pixel (250,176) under (150,100); at 150 %: 375,264.
        {1.0, {100, 76}, {150, 100}, 120, 1.5, {-225, -164, 600, 450}},
        // At 200 %, pixel (150,80) under (100,50); at 150 %: 225,120.
        {2.0, {200, 110}, {100, 50}, -120, 1.5, {-125, -70, 600, 450}},
        // The bottom-right corner stays there, at the end of the range.
        {1.5, {400, 300}, {200, 150}, -120, 1.0, {-200, -150, 400, 300}},
        // Two notches at once: two steps.
        {1.0, {0, 0}, {0, 0}, 240, 2.0, {0, 0, 800, 600}},
        // Smaller than the view: centred whatever the pointer.
        {0.5, {0, 0}, {10, 10}, -120, 1.0 / 3, {33, 25, 133, 100}},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(testing::Message() << c.zoom << " at " << c.pointeur.x() << "," << c.pointeur.y());
        vue.DefinirZoom(c.zoom);
        vue.horizontalScrollBar()->setValue(c.defilement.x());
        vue.verticalScrollBar()->setValue(c.defilement.y());
        ASSERT_EQ(Defilement(), c.defilement);
        Molette(c.pointeur, c.angle);
        EXPECT_DOUBLE_EQ(vue.Zoom(), c.zoomApres);
        EXPECT_FALSE(vue.Ajuste());
        EXPECT_EQ(vue.CadreImage(), c.cadreApres);
    }
}

TEST_F(VueFixe, MoletteSansCtrlDefile) {
    vue.DefinirZoom(1.0);
    vue.horizontalScrollBar()->setValue(0);
    vue.verticalScrollBar()->setValue(0);
    QWheelEvent e(QPointF(10, 10), vue.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                  QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(vue.viewport(), &e);
    EXPECT_DOUBLE_EQ(vue.Zoom(), 1.0);
    EXPECT_GT(vue.verticalScrollBar()->value(), 0);
}

TEST_F(VueFixe, PixelSousLePointEtRetour) {
    vue.DefinirZoom(2.0);
    vue.horizontalScrollBar()->setValue(100);
    vue.verticalScrollBar()->setValue(40);
    EXPECT_EQ(vue.VersPixel(QPoint(0, 0)), QPoint(50, 20));
    EXPECT_EQ(vue.VersPixel(QPoint(3, 3)), QPoint(51, 21));
    EXPECT_EQ(vue.DepuisPixel(QPointF(51, 21)), QPointF(2, 2));
    EXPECT_EQ(vue.VersPixel(QPoint(-500, 10000)), QPoint(0, 299)); // clamped
}

// Reduced: smoothed (a one-pixel checkerboard at 50 % turns grey). Enlarged:
// square pixels (each source pixel a block of exact colour).
TEST(VueImageDessin, LisseeReduiteCarreeAgrandie) {
    Appli();
    QImage damier(64, 64, QImage::Format_RGB888);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) damier.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    VueImage vue;
    vue.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vue.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vue.resize(160, 160);
    vue.show();
    vue.DefinirImage(damier);

    vue.DefinirZoom(0.5);
    QImage vu = vue.viewport()->grab().toImage();
    const QRect cadre = vue.CadreImage();
    ASSERT_EQ(cadre, QRect(64, 64, 32, 32));
    for (const QPoint p : {QPoint(66, 66), QPoint(76, 86), QPoint(94, 94)}) {
        const QColor c = vu.pixelColor(p);
        EXPECT_NEAR(c.red(), 128, 8) << p.x() << "," << p.y();
    }
    // Another picture of the same size (as when comparing) is drawn, not the
    // reduced copy kept from the first; back to the first, it is drawn again.
    QImage blanc(damier.size(), QImage::Format_RGB888);
    blanc.fill(Qt::white);
    const std::pair<QImage, int> suite[] = {{blanc, 255}, {damier, 128}, {blanc, 255}, {damier, 128}};
    for (const auto &[image, rouge] : suite) {
        vue.DefinirImage(image);
        EXPECT_DOUBLE_EQ(vue.Zoom(), 0.5);
        EXPECT_NEAR(vue.viewport()->grab().toImage().pixelColor(70, 70).red(), rouge, 8);
    }

    vue.DefinirZoom(2.0); // 128 x 128, centred
    ASSERT_EQ(vue.CadreImage(), QRect(16, 16, 128, 128));
    vu = vue.viewport()->grab().toImage();
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(vu.pixelColor(16 + x, 16 + y), damier.pixelColor(x / 2, y / 2)) << x << "," << y;
}

} // namespace
} // namespace velmora::hote::essai
