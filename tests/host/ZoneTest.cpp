// Zone picking in the host's window, offscreen, with the real plug-in: the
// colour balance asks for zones, a rectangle dragged on the view goes back to
// it (mode 1) with the whole image, and its correction shows in the window.
#include "FenetreHote.h"
#include "OutilsFenetre.h"
#include "VueImage.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSlider>

#include <cmath>
#include <optional>

namespace velmora::hote::essai {
namespace {

QRgb Rvb(int r, int v, int b) { return qRgb(r, v, b); }

// Left: grey (100, 100, 100); middle column: (200, 200, 200); right: (50, 50, 50);
// one pixel (125, 125, 125) and one (50, 125, 200) to follow.
QImage Mire() {
    QImage img(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            img.setPixel(x, y, x < 10 ? Rvb(100, 100, 100) : x < 20 ? Rvb(200, 200, 200)
                                                                    : Rvb(50, 50, 50));
    img.setPixel(0, 0, Rvb(125, 125, 125));
    img.setPixel(1, 0, Rvb(50, 125, 200));
    return img;
}

QWidget *DialogueVisible(const char *nom) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(nom)) return w;
    return nullptr;
}

class Zones : public ::testing::Test {
protected:
    void SetUp() override {
        Appli();
        ASSERT_TRUE(plugin.Charger(Plugin())) << plugin.Erreur().toStdString();
        f.emplace(plugin);
        ASSERT_TRUE(Montrer(*f));
        ASSERT_TRUE(f->DefinirImage(Mire()));
        vue = f->findChild<VueImage *>("vueImage");
        ASSERT_NE(vue, nullptr);
    }
    void TearDown() override {
        if (QWidget *d = DialogueVisible("BalCoul")) static_cast<QDialog *>(d)->reject();
        f.reset();
    }

    // The centre of an image pixel, on the view's surface.
    QPoint Point(int x, int y) const {
        const QPointF p = vue->DepuisPixel(QPointF(x + 0.5, y + 0.5));
        return {int(std::floor(p.x())), int(std::floor(p.y()))};
    }
    void Souris(QEvent::Type t, QPoint p, Qt::MouseButtons boutons, Qt::KeyboardModifiers touches) {
        QWidget *surface = vue->viewport();
        QMouseEvent e(t, p, surface->mapToGlobal(p),
                      t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, boutons, touches);
        QApplication::sendEvent(surface, &e);
    }
    // A drag from pixel a to pixel b, as the user does it; the band shows while
    // the window waits for zones.
    void Tracer(QPoint a, QPoint b, Qt::KeyboardModifiers touches = {}, bool attendue = true) {
        Souris(QEvent::MouseButtonPress, Point(a.x(), a.y()), Qt::LeftButton, touches);
        Souris(QEvent::MouseMove, (Point(a.x(), a.y()) + Point(b.x(), b.y())) / 2, Qt::LeftButton,
               touches);
        auto *bande = vue->viewport()->findChild<QRubberBand *>("bandeZone");
        EXPECT_EQ(bande && bande->isVisible(), attendue);
        Souris(QEvent::MouseMove, Point(b.x(), b.y()), Qt::LeftButton, touches);
        Souris(QEvent::MouseButtonRelease, Point(b.x(), b.y()), Qt::NoButton, touches);
        EXPECT_FALSE(bande && bande->isVisible());
    }
    QRgb Pixel(int x, int y) const { return f->Image().pixel(x, y) | 0xFF000000u; }

    ReglagesIsoles reglages;
    ChargeurPlugin plugin;
    std::optional<FenetreHote> f;
    VueImage *vue = nullptr;
};

TEST_F(Zones, OneZoneDraggedCorrectsTheImage) {
    EXPECT_FALSE(vue->SelectionZone());
    ASSERT_TRUE(f->ExecuterOperation(7));
    // The dialog stays open; the window waits for zones.
    EXPECT_EQ(f->OperationEnCours(), 7);
    EXPECT_TRUE(vue->SelectionZone());
    EXPECT_EQ(f->Indication(), QStringLiteral("Choisissez une zone de référence dans l'image"));
    QWidget *d = DialogueVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    d->findChild<QSlider *>("TempCoul")->setValue(32);  // 6200 K

    Tracer({2, 3}, {8, 15});  // inside the grey part
    EXPECT_EQ(Pixel(5, 5), Rvb(101, 97, 97));  // redrawn at the notice
    EXPECT_EQ(f->OperationEnCours(), 7);       // still picking
    // The same zone again: measured on the image as it was, not on the correction.
    Tracer({8, 15}, {2, 3});
    EXPECT_EQ(Pixel(5, 5), Rvb(101, 97, 97));

    d->findChild<QAbstractButton *>("Appliquer")->click();
    EXPECT_EQ(f->OperationEnCours(), 0);
    EXPECT_FALSE(vue->SelectionZone());
    EXPECT_TRUE(f->Indication().isEmpty());
    EXPECT_TRUE(f->PeutAnnuler());
    EXPECT_EQ(Pixel(5, 5), Rvb(101, 97, 97));
    // Zone mode is over: a drag sends nothing.
    Tracer({2, 3}, {8, 15}, {}, false);
    EXPECT_EQ(Pixel(5, 5), Rvb(101, 97, 97));
}

TEST_F(Zones, LightThenDarkZoneWithCtrlThenCancel) {
    const QImage avant = f->Image();
    ASSERT_TRUE(f->ExecuterOperation(7));
    QWidget *d = DialogueVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    d->findChild<QSlider *>("TempCoul")->setValue(32);
    d->findChild<QAbstractButton *>("ZoneRef_1")->click();  // "Double : claire et sombre"

    Reponses reponses{QMessageBox::Ok};
    Tracer({12, 2}, {17, 18});  // the light zone, from right to left is as good
    ASSERT_EQ(reponses.vues.size(), 1u);
    EXPECT_EQ(reponses.vues[0].texte,
              QStringLiteral("Sélectionnez la zone sombre : même méthode + touche \"CTRL\""));
    EXPECT_TRUE(MemesOctets(f->Image(), avant));
    Tracer({28, 19}, {22, 1}, Qt::ControlModifier);  // the dark zone
    EXPECT_EQ(Pixel(0, 0), Rvb(128, 136, 136));
    EXPECT_EQ(Pixel(1, 0), Rvb(0, 136, 255));

    d->findChild<QAbstractButton *>("Annuler")->click();
    EXPECT_EQ(f->OperationEnCours(), 0);
    EXPECT_TRUE(MemesOctets(f->Image(), avant));  // the host puts its image back
    EXPECT_FALSE(f->PeutAnnuler());
}

} // namespace
} // namespace velmora::hote::essai
