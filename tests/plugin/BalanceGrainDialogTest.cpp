// "Equilibrage" (operation 7, modeless, zones through mode 1) and "Grain ou
// Bruit" (operation 8) driven through the built library and the Qt back end.
#include "HotePlugin.h"

#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

using namespace banc;

namespace {

TPtImg Px(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }
bool Egal(TPtImg a, TPtImg b) { return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge; }

void Cliquer(QWidget *d, const char *nom) {
    QTest::mouseClick(Controle<QAbstractButton>(d, nom), Qt::LeftButton);
}

// A slider set by the program (a change), then clicked where its thumb is (a release).
void Glisser(QWidget *d, const char *nom, int position) {
    auto *s = Controle<QSlider>(d, nom);
    s->setValue(position);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(s->width() / 2, s->height() / 2));
    s->setValue(position);  // a click beside the thumb may have paged it
    QTest::mouseRelease(s, Qt::LeftButton);
}

// Answers the next information box (clicks OK) and keeps its text.
void RepondreInformation(QString *texte) {
    QTimer::singleShot(20, [texte] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible()) {
                *texte = b->windowTitle() + '|' + b->text();
                b->button(QMessageBox::Ok)->click();
                return;
            }
        ADD_FAILURE() << "no information box";
    });
}

class BalanceGrain : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
    }
    Plugin &P() { return Plugin::Instance(); }
};

// A zone as the host cuts it out: a counted array through the shared allocator.
struct Zone : Image {
    Zone(int n, TPtImg p) : Image(n, 1) { Uniforme(p); }
};

} // namespace

TEST_F(BalanceGrain, BalanceOpensModelessAndCorrectsFromZones) {
    Image img(2, 2);
    img[0] = Px(100, 100, 100);
    img[1] = Px(125, 125, 125);
    img[2] = Px(50, 125, 200);
    img[3] = Px(100, 50, 50);
    P().Executer(7, img.pixels, 2, 2, 0);  // returns with the dialog open
    QWidget *d = FenetreVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(qobject_cast<QDialog *>(d)->isModal());
    EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Balance des couleurs"));
    EXPECT_EQ(Controle<QGroupBox>(d, "TeinteEquil")->title(),
              QString::fromUtf8(" Teinte d'équilibrage  T = 6700 °K "));
    ASSERT_EQ(P().appels.size(), 1u);
    AppelAttendu(P().appels[0], 2, 2, 1, 0, 0);

    // 6200 K, one grey zone.
    Controle<QSlider>(d, "TempCoul")->setValue(32);
    EXPECT_EQ(Controle<QGroupBox>(d, "TeinteEquil")->title(),
              QString::fromUtf8(" Teinte d'équilibrage  T = 6200 °K "));
    Zone gris(5, Px(100, 100, 100));
    P().Executer(7, gris.pixels, 0, 0, 1, img.pixels);
    EXPECT_TRUE(Egal(img[0], Px(101, 97, 97)));
    ASSERT_EQ(P().appels.size(), 2u);
    AppelAttendu(P().appels[1], 2, 2, 0, 1, 0);
    EXPECT_EQ(gris.References(), 1);  // the zone is not kept

    // Two zones: the prompt between the picks, answered.
    Cliquer(d, "ZoneRef_1");
    EXPECT_FALSE(Controle<QGroupBox>(d, "LumRef")->isEnabled());
    Zone claire(3, Px(200, 200, 200)), sombre(2, Px(50, 50, 50));
    QString invite;
    RepondreInformation(&invite);
    P().Executer(7, claire.pixels, 0, 0, 1, img.pixels);
    EXPECT_EQ(invite, QString::fromUtf8(
                          "Information|Sélectionnez la zone sombre : même méthode + touche \"CTRL\""));
    EXPECT_FALSE(Controle<QGroupBox>(d, "ZoneRef")->isEnabled());
    EXPECT_EQ(P().appels.size(), 2u);
    P().Executer(7, sombre.pixels, 0, 0, 1, img.pixels);
    EXPECT_TRUE(Egal(img[1], Px(128, 136, 136)));
    EXPECT_TRUE(Egal(img[2], Px(0, 136, 255)));
    EXPECT_TRUE(Controle<QGroupBox>(d, "ZoneRef")->isEnabled());

    Cliquer(d, "Appliquer");
    EXPECT_FALSE(d->isVisible());
    ASSERT_EQ(P().appels.size(), 4u);
    AppelAttendu(P().appels[3], 2, 2, 0, 1, 1);
}

TEST_F(BalanceGrain, BalanceReInitAndCancel) {
    Image img(3, 1);
    img.Remplir(4);
    const auto avant = img.Octets();
    P().Executer(7, img.pixels, 3, 1, 0);
    QWidget *d = FenetreVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Controle<QSlider>(d, "TempCoul")->value(), 37);  // FormShow, whatever was left
    Zone z(2, Px(90, 120, 150));
    P().Executer(7, z.pixels, 0, 0, 1, img.pixels);
    EXPECT_NE(img.Octets(), avant);
    Cliquer(d, "ReInit");
    EXPECT_EQ(img.Octets(), avant);
    Cliquer(d, "Annuler");
    EXPECT_FALSE(d->isVisible());
    ASSERT_EQ(P().appels.size(), 4u);
    AppelAttendu(P().appels[2], 3, 1, 0, 0, 0);
    AppelAttendu(P().appels[3], 3, 1, 0, 0, 1);
    EXPECT_EQ(img.References(), 2);  // the dialog keeps its reference until the next opening
    // The hidden form's buttons, pressed after the closing: nothing runs.
    Controle<QPushButton>(d, "ReInit")->click();
    Controle<QPushButton>(d, "Appliquer")->click();
    EXPECT_EQ(P().appels.size(), 4u);
}

// Operation 7, mode 0, again while the dialog is open (a host that leaves its
// menu on): the second image is the one corrected, from its own copy. At the
// default 6700 K the hue is (252, 247, 255) / 255, so a grey zone gives
// kR = 255/252, kG = 255/247, kB = 1, and (R30, G20, B10) becomes
// (Round(31 * 252/255), Round(21 * 247/255), 11) = (31, 20, 11).
TEST_F(BalanceGrain, BalanceOpenedAgainWhileShownTakesTheNewImage) {
    Image premiere(2, 2), seconde(3, 1);
    premiere.Uniforme(Px(100, 100, 100));
    seconde.Uniforme(Px(30, 20, 10));
    P().Executer(7, premiere.pixels, 2, 2, 0);
    QWidget *d = FenetreVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    P().Executer(7, seconde.pixels, 3, 1, 0);
    EXPECT_EQ(FenetreVisible("BalCoul"), d);
    EXPECT_EQ(premiere.References(), 1);  // let go by the dialog
    Zone gris(4, Px(100, 100, 100));
    P().Executer(7, gris.pixels, 0, 0, 1, seconde.pixels);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Egal(seconde[i], Px(31, 20, 11))) << i;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Egal(premiere[i], Px(100, 100, 100))) << i;
    Cliquer(d, "Annuler");
    ASSERT_EQ(P().appels.size(), 4u);
    AppelAttendu(P().appels[0], 2, 2, 1, 0, 0);
    AppelAttendu(P().appels[1], 3, 1, 1, 0, 0);
    AppelAttendu(P().appels[2], 3, 1, 0, 1, 0);
    AppelAttendu(P().appels[3], 3, 1, 0, 0, 1);
}

TEST_F(BalanceGrain, GrainLabelsComputationsAndTheHostNotices) {
    Image img(30, 20);
    img.Remplir(9);
    const auto avant = img.Octets();
    std::vector<uint8_t> apresTaches;
    PendantDialogue("AjoutGrain", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Ajout de Grain ou de Bruit dans l'image"));
        EXPECT_EQ(Controle<QLabel>(d, "NBr")->text(), QStringLiteral("0 %"));
        EXPECT_EQ(Controle<QLabel>(d, "BC")->text(), QStringLiteral("50 %"));
        EXPECT_EQ(Controle<QLabel>(d, "DPt")->text(), QStringLiteral("N/3"));
        EXPECT_EQ(Controle<QLabel>(d, "Km1")->text(), QStringLiteral("1") + QLocale().decimalPoint() + "0");
        EXPECT_TRUE(Controle<QRadioButton>(d, "TacheAlea")->isChecked());
        EXPECT_TRUE(P().appels.empty());
        Glisser(d, "NivBr", 200);
        EXPECT_EQ(Controle<QLabel>(d, "NBr")->text(), QStringLiteral("78 %"));
        ASSERT_FALSE(P().appels.empty());
        AppelAttendu(P().appels.back(), 30, 20, 0, 1, 0);
        apresTaches = img.Octets();
        EXPECT_NE(apresTaches, avant);
        const auto n = P().appels.size();
        Cliquer(d, "TacheAlea");  // already selected: nothing
        EXPECT_EQ(P().appels.size(), n);
        Cliquer(d, "PseudoAlea");
        EXPECT_EQ(P().appels.size(), n + 1);
        EXPECT_NE(img.Octets(), apresTaches);
        Cliquer(d, "Appliquer");
    });
    P().Executer(8, img.pixels, 30, 20);
    AppelAttendu(P().appels.back(), 30, 20, 0, 1, 1);
    // Reopened with the pseudo-random method left selected: one computation at level 0.
    P().Brancher();
    const auto rouvert = img.Octets();
    PendantDialogue("AjoutGrain", [&](QDialog *d) {
        EXPECT_TRUE(Controle<QRadioButton>(d, "TacheAlea")->isChecked());
        ASSERT_EQ(P().appels.size(), 1u);
        AppelAttendu(P().appels[0], 30, 20, 0, 1, 0);
        EXPECT_EQ(img.Octets(), rouvert);
        Cliquer(d, "Annuler");
    });
    P().Executer(8, img.pixels, 30, 20);
    ASSERT_EQ(P().appels.size(), 2u);
    AppelAttendu(P().appels[1], 30, 20, 0, 0, 1);
}
