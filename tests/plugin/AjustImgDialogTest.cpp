// "Ajustement manuel L, G, C, S" (operation 2) driven through the built library.
#include "HotePlugin.h"

#include "imaging/ParamCoul.h"

#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSignalSpy>
#include <QTest>


#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace velmora;
using namespace banc;

namespace {

void Cliquer(QWidget *d, const char *bouton) {
    QTest::mouseClick(Controle<QPushButton>(d, bouton), Qt::LeftButton);
}

QImage ImageApercu(QWidget *d) {
    return Controle<QWidget>(d, "PreVisu")->property("Image").value<QImage>();
}

// The thumbnail bitmap (1:1 for a small image) against pixels.
void ComparerApercu(const QImage &img, const TPtImg *pixels, int largeur, int hauteur) {
    ASSERT_EQ(img.format(), QImage::Format_BGR888);
    ASSERT_EQ(img.width(), largeur);
    ASSERT_EQ(img.height(), hauteur);
    for (int y = 0; y < hauteur; ++y)
        ASSERT_EQ(std::memcmp(img.constScanLine(y), pixels + y * largeur, std::size_t(largeur) * 3), 0)
            << "row " << y;
}

// Centre of a slider's thumb, as the style places it.
QPoint CentrePoignee(QSlider *s) {
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.orientation = s->orientation();
    opt.minimum = s->minimum();
    opt.maximum = s->maximum();
    opt.sliderPosition = s->sliderPosition();
    opt.sliderValue = s->value();
    opt.tickPosition = s->tickPosition();
    opt.tickInterval = s->tickInterval();
    opt.singleStep = s->singleStep();
    opt.pageStep = s->pageStep();
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s).center();
}

QString Sep() { return QLocale().decimalPoint(); }

class AjustImgDialogue : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
    }
    Plugin &P() { return Plugin::Instance(); }
};

} // namespace

// A host running a QCoreApplication without widgets: the dialog cannot run; nothing
// happens, no callback, the pixels and counts stay as they were.
TEST(AjustImgSansWidgets, ApplicationNonGraphique) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    int argc = 1;
    char nom[] = "test";
    char *argv[] = {nom, nullptr};
    auto *app = new QCoreApplication(argc, argv);
    Plugin &h = Plugin::Instance();
    h.Brancher();
    Image t(4, 3);
    t.Remplir(3);
    const auto avant = t.Octets();
    h.Executer(2, t.pixels, 4, 3);
    EXPECT_TRUE(h.appels.empty());
    EXPECT_TRUE(t.Octets() == avant);
    EXPECT_EQ(t.References(), 1);
    EXPECT_EQ(QCoreApplication::instance(), app);
    delete app;
}

// The names Qt gives keys, as its boxes and menus show them.
QString CtrlMajS() {
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S).toString(QKeySequence::NativeText);
}

// A host without Qt: the plug-in makes its QApplication on first need, once,
// and Qt's own boxes then speak French like the dialogs.
TEST(AjustImgSansQt, ApplicationCreeeParLeModule) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    Plugin &h = Plugin::Instance();
    h.Brancher();
    Image t(3, 2);
    t.Remplir(5);
    auto ouvrir = [&] {
        PendantDialogueSansQt pilote("AjustCoul", [](QDialog *d) { Cliquer(d, "Appliquer"); });
        h.Executer(2, t.pixels, 3, 2);
    };
    ouvrir();
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    ASSERT_EQ(h.appels.size(), 1u);
    EXPECT_EQ(h.appels[0].imageModifiee, 1);
    ouvrir();
    EXPECT_EQ(QCoreApplication::instance(), app);  // never a second one
    EXPECT_EQ(h.appels.size(), 2u);
    EXPECT_EQ(CtrlMajS(), QStringLiteral("Ctrl+Maj+S"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
}

// A host's own application object keeps its language.
TEST_F(AjustImgDialogue, LangueDeLHoteGardee) {
    Image t(2, 2);
    PendantDialogue("AjustCoul", [](QDialog *d) { Cliquer(d, "Annuler"); });
    P().Executer(2, t.pixels, 2, 2);
    EXPECT_EQ(CtrlMajS(), QStringLiteral("Ctrl+Shift+S"));
}

TEST_F(AjustImgDialogue, FormeEtControles) {
    Image t(8, 6);
    t.Remplir(1);
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Ajustement des paramètres d'image"));
        EXPECT_EQ(d->size(), QSize(642, 344));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowSystemMenuHint));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        EXPECT_TRUE(d->isModal());
        const struct {
            const char *nom;
            QRect geometrie;
            int min, max, position, frequence;
        } barres[] = {
            {"PosGamma", {405, 30, 201, 36}, -50, 50, 0, 5},
            {"PosContraste", {405, 80, 201, 36}, 0, 100, 50, 5},
            {"PosLuminosite", {405, 130, 201, 45}, 0, 100, 50, 5},
            {"PosSaturation", {405, 185, 201, 45}, -100, 100, 0, 10},
        };
        for (const auto &b : barres) {
            auto *s = Controle<QSlider>(d, b.nom);
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->geometry(), b.geometrie) << b.nom;
            EXPECT_EQ(s->minimum(), b.min) << b.nom;
            EXPECT_EQ(s->maximum(), b.max) << b.nom;
            EXPECT_EQ(s->value(), b.position) << b.nom;
            EXPECT_EQ(s->tickInterval(), b.frequence) << b.nom;
            EXPECT_EQ(s->orientation(), Qt::Horizontal);
            EXPECT_EQ(s->tickPosition(), QSlider::TicksBelow);
        }
        const struct {
            const char *nom;
            QString texte;
            QPoint position;
        } etiquettes[] = {
            {"Label1", QStringLiteral("Gamma :"), {345, 35}},
            {"Label2", QStringLiteral("Contraste :"), {345, 85}},
            {"Label3", QStringLiteral("Luminosité :"), {345, 135}},
            {"Label4", QStringLiteral("Saturation :"), {345, 190}},
            {"ValG", QStringLiteral("1") + Sep() + QStringLiteral("00"), {608, 35}},
            {"ValC", QStringLiteral("50 %"), {608, 85}},
            {"ValL", QStringLiteral("50 %"), {608, 135}},
            {"ValS", QStringLiteral("0 %"), {608, 190}},
        };
        for (const auto &e : etiquettes) {
            auto *l = Controle<QLabel>(d, e.nom);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->text(), e.texte) << e.nom;
            EXPECT_EQ(l->pos(), e.position) << e.nom;
        }
        const struct {
            const char *nom, *texte;
            QRect geometrie;
        } boutons[] = {
            {"ReInit", "Réinitialiser", {345, 303, 80, 25}},
            {"Annuler", "Annuler", {447, 303, 80, 25}},
            {"Appliquer", "Appliquer", {550, 303, 80, 25}},
        };
        for (const auto &b : boutons) {
            auto *p = Controle<QPushButton>(d, b.nom);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->text(), QString::fromUtf8(b.texte));
            EXPECT_EQ(p->geometry(), b.geometrie);
        }
        EXPECT_TRUE(Controle<QPushButton>(d, "Appliquer")->isDefault());
        EXPECT_EQ(Controle<QWidget>(d, "CadreAff")->geometry(), QRect(10, 10, 322, 322));
        // 8 x 6 image: 1:1 thumbnail centred in the panel.
        EXPECT_EQ(Controle<QWidget>(d, "PreVisu")->pos(), QPoint(157, 158));
        // Tab order.
        const char *ordre[] = {"PosGamma", "PosContraste", "PosLuminosite", "ReInit",
                               "Annuler", "Appliquer"};
        auto suivant = [](QWidget *w) {
            do w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        for (int i = 0; i + 1 < 6; ++i)
            EXPECT_EQ(suivant(Controle<QWidget>(d, ordre[i])), Controle<QWidget>(d, ordre[i + 1]))
                << ordre[i];
        EXPECT_EQ(suivant(Controle<QWidget>(d, "Appliquer")), Controle<QWidget>(d, "PosSaturation"));
        Cliquer(d, "Annuler");
    });
    P().Executer(2, t.pixels, 8, 6);
    EXPECT_EQ(P().appels.size(), 1u);
}

// Preview and result follow the same rule: after moving every slider (by value and
// with the mouse), the thumbnail of a small image equals what "Appliquer" writes.
TEST_F(AjustImgDialogue, ApercuEgaleResultat) {
    const int L = 37, H = 23;
    Image t(L, H);
    t.Remplir(7);
    QImage apercu;
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        Controle<QSlider>(d, "PosGamma")->setValue(13);
        Controle<QSlider>(d, "PosContraste")->setValue(71);
        Controle<QSlider>(d, "PosLuminosite")->setValue(44);
        auto *sat = Controle<QSlider>(d, "PosSaturation");
        sat->setValue(-20);
        // The thumb dragged with the mouse to the right, then released.
        const int avant = sat->value();
        const QPoint depart = CentrePoignee(sat);
        QSignalSpy relachements(sat, SIGNAL(MouseUp()));
        QTest::mousePress(sat, Qt::LeftButton, {}, depart);
        QMouseEvent deplacement(QEvent::MouseMove, QPointF(depart + QPoint(30, 0)),
                                sat->mapToGlobal(QPointF(depart + QPoint(30, 0))), Qt::NoButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sat, &deplacement);
        QTest::mouseRelease(sat, Qt::LeftButton, {}, depart + QPoint(30, 0));
        EXPECT_GT(sat->value(), avant);
        EXPECT_EQ(relachements.count(), 1);
        // A click on the track fires it as well.
        QTest::mouseClick(sat, Qt::LeftButton, {}, QPoint(sat->width() - 2, sat->height() / 2));
        EXPECT_EQ(relachements.count(), 2);
        EXPECT_EQ(Controle<QLabel>(d, "ValS")->text(), QString::number(sat->value()) + " %");
        EXPECT_EQ(Controle<QLabel>(d, "ValC")->text(), QStringLiteral("71 %"));
        EXPECT_EQ(Controle<QLabel>(d, "ValG")->text(), QStringLiteral("1") + Sep() + QStringLiteral("80"));
        apercu = ImageApercu(d);
        Cliquer(d, "Appliquer");
    });
    P().Executer(2, t.pixels, L, H);
    ComparerApercu(apercu, t.pixels, L, H);
    ASSERT_EQ(P().appels.size(), 1u);
    EXPECT_EQ(P().appels[0].imageModifiee, 1);
}

// At the defaults the result is SaturerPixel with factor 1 through identity tables,
// and it stands in the host's array by the time the host is called back. Enter
// presses "Appliquer".
TEST_F(AjustImgDialogue, AppliquerAuxValeursParDefaut) {
    Image t(64, 48);
    t.Remplir(13);
    const std::vector<TPtImg> avant(t.pixels, t.pixels + t.size());
    bool ecritAvantRetour = false;
    P().PendantAppel = [&](const Appel &) {
        ecritAvantRetour = true;
        for (int i = 0; i < t.size(); ++i) {
            const TPtImg e = SaturerPixel(ValeurDe(avant[i]), 1);
            if (std::memcmp(&e, &t[i], 3) != 0) ecritAvantRetour = false;
        }
    };
    PendantDialogue("AjustCoul", [&](QDialog *d) { QTest::keyClick(d, Qt::Key_Return); });
    P().Executer(2, t.pixels, 64, 48);
    ASSERT_EQ(P().appels.size(), 1u);
    EXPECT_EQ(P().appels[0].imageModifiee, 1);
    EXPECT_EQ(P().appels[0].fin, 1);
    EXPECT_TRUE(ecritAvantRetour);
}

// Enter presses the button that has the focus, as on Windows; with the focus
// on a slider it presses "Appliquer". Luminosity 90 maps 10, 100, 200 to
// 255 - 0.2 x (255 - v): 206, 224, 244.
TEST_F(AjustImgDialogue, EntreeSurLeBoutonQuiALeFocus) {
    const struct {
        int tabs;  // from PosLuminosite: ReInit, then Annuler
        bool ferme, modifie;
        TPtImg apres;
    } cas[] = {
        {0, true, true, {206, 224, 244}},
        {1, false, false, {10, 100, 200}},  // "Réinitialiser": the dialog stays open
        {2, true, false, {10, 100, 200}},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.tabs);
        P().appels.clear();
        Image t(1, 1);
        t[0] = {10, 100, 200};
        PendantDialogue("AjustCoul", [&](QDialog *d) {
            d->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            auto *lum = Controle<QSlider>(d, "PosLuminosite");
            lum->setValue(90);
            lum->setFocus();
            auto touche = [](Qt::Key k) {
                QWidget *focus = QApplication::focusWidget();
                ASSERT_NE(focus, nullptr);
                QTest::keyClick(focus, k);
            };
            for (int i = 0; i < c.tabs; ++i) touche(Qt::Key_Tab);
            ASSERT_NE(QApplication::focusWidget(), nullptr);
            EXPECT_EQ(QApplication::focusWidget()->objectName(),
                      QString::fromLatin1(c.tabs == 0 ? "PosLuminosite" : c.tabs == 1 ? "ReInit" : "Annuler"));
            touche(Qt::Key_Return);
            EXPECT_EQ(d->isVisible(), !c.ferme);
            if (!c.ferme) {
                EXPECT_EQ(lum->value(), 50);
                QTest::keyClick(d, Qt::Key_Escape);
            }
        });
        P().Executer(2, t.pixels, 1, 1);
        ASSERT_EQ(P().appels.size(), 1u);
        EXPECT_EQ(P().appels[0].imageModifiee, c.modifie ? 1 : 0);
        EXPECT_EQ(t[0].Bleu, c.apres.Bleu);
        EXPECT_EQ(t[0].Vert, c.apres.Vert);
        EXPECT_EQ(t[0].Rouge, c.apres.Rouge);
    }
}

// PageUp/PageDown move a slider by 2 and an arrow key by 1, as on Windows.
TEST_F(AjustImgDialogue, PasDesCurseurs) {
    Image t(2, 2);
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        for (QSlider *s : d->findChildren<QSlider *>()) {
            SCOPED_TRACE(s->objectName().toStdString());
            const int depart = s->value();
            QTest::keyClick(s, Qt::Key_PageUp);
            EXPECT_EQ(s->value(), depart + 2);
            QTest::keyClick(s, Qt::Key_Left);
            EXPECT_EQ(s->value(), depart + 1);
        }
        Cliquer(d, "Annuler");
    });
    P().Executer(2, t.pixels, 2, 2);
}

// The dialog's loop ended by the toolkit, no button pressed (the window hidden
// under it): the host still gets exactly one final notice, no result standing,
// and the widgets the closed dialog keeps send nothing more.
TEST_F(AjustImgDialogue, BoucleFinieSansBouton) {
    Image t(5, 4);
    t.Remplir(21);
    const auto avant = t.Octets();
    QDialog *dialogue = nullptr;
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        dialogue = d;
        Controle<QSlider>(d, "PosLuminosite")->setValue(90);
        d->hide();
    });
    P().Executer(2, t.pixels, 5, 4);
    ASSERT_EQ(P().appels.size(), 1u);
    AppelAttendu(P().appels[0], 5, 4, 0, 0, 1);
    EXPECT_EQ(t.Octets(), avant);
    ASSERT_NE(dialogue, nullptr);
    Controle<QPushButton>(dialogue, "Appliquer")->click();
    Controle<QPushButton>(dialogue, "ReInit")->click();
    EXPECT_EQ(P().appels.size(), 1u);
    EXPECT_EQ(t.Octets(), avant);
}

// A 1000 x 1 image has an empty thumbnail, yet "Appliquer" processes every pixel;
// saturation -100 gives grey pixels of Round(Y).
TEST_F(AjustImgDialogue, ImageSansApercuTraiteeEntierement) {
    Image t(1000, 1);
    t.Remplir(17);
    const std::vector<TPtImg> avant(t.pixels, t.pixels + t.size());
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        EXPECT_TRUE(ImageApercu(d).isNull());
        Controle<QSlider>(d, "PosSaturation")->setValue(-100);
        Cliquer(d, "Appliquer");
    });
    P().Executer(2, t.pixels, 1000, 1);
    for (int i = 0; i < 1000; ++i) {
        const TPtImg e = SaturerPixel(ValeurDe(avant[i]), 0);
        ASSERT_EQ(std::memcmp(&e, &t[i], 3), 0) << i;
        ASSERT_TRUE(t[i].Bleu == t[i].Vert && t[i].Vert == t[i].Rouge) << i;
    }
}

// The thumbnail of a larger image samples it (640 x 480: pixel (x, y) from (2x, 2y)).
TEST_F(AjustImgDialogue, ApercuReduit) {
    Image t(640, 480);
    t.Remplir(19);
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        EXPECT_EQ(Controle<QWidget>(d, "PreVisu")->pos(), QPoint(1, 41));
        Cliquer(d, "ReInit");
        const QImage img = ImageApercu(d);
        ASSERT_EQ(img.size(), QSize(320, 240));
        for (int y : {0, 1, 120, 239})
            for (int x : {0, 5, 319}) {
                const TPtImg e = SaturerPixel(ValeurDe(t[std::size_t(2 * y) * 640 + 2 * x]), 1);
                EXPECT_EQ(std::memcmp(img.constScanLine(y) + 3 * x, &e, 3), 0) << x << "," << y;
            }
        Cliquer(d, "Annuler");
    });
    P().Executer(2, t.pixels, 640, 480);
}

// The dialog keeps one reference on the host's array until the next opening.
TEST_F(AjustImgDialogue, ReferencesApresLAppel) {
    Image a(6, 5), b(5, 6);
    a.Remplir(29);
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        EXPECT_EQ(a.References(), 4);  // the host, XchgData, Lancer, the dialog
        Cliquer(d, "Appliquer");
    });
    P().Executer(2, a.pixels, 6, 5);
    EXPECT_EQ(a.References(), 2);
    PendantDialogue("AjustCoul", [&](QDialog *d) { Cliquer(d, "Annuler"); });
    P().Executer(2, b.pixels, 5, 6);
    EXPECT_EQ(a.References(), 1);
    EXPECT_EQ(b.References(), 2);
    // A size that does not match the array opens nothing and keeps nothing.
    Image c(6, 5);
    P().appels.clear();
    P().Executer(2, c.pixels, 7, 5);
    EXPECT_EQ(c.References(), 1);
    EXPECT_TRUE(P().appels.empty());
}

// Unloading: with the application object gone first, the dialogs are left alone;
// the library unloads and the process carries on.
TEST(AjustImgDechargement, ApplicationDetruiteAvantDechargement) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    int argc = 1;
    char nom[] = "test";
    char *argv[] = {nom, nullptr};
    auto *app = new QApplication(argc, argv);
    void *lib = dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr);
    auto xchg = reinterpret_cast<Plugin::FnXchgData>(dlsym(lib, "XchgData"));
    Image t(2, 2);
    PendantDialogue("AjustCoul", [](QDialog *d) { Cliquer(d, "Annuler"); });
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable();  // the dialogs made now are abandoned with the application, on purpose
#endif
    xchg(2, 0, 0, 0, 0, 2, 2, 0, 0, t.pixels, nullptr, 0, 0);
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
    delete app;
    EXPECT_EQ(dlclose(lib), 0);
}

// Unloading a library that made its own QApplication destroys the dialogs, then it.
TEST(AjustImgDechargement, ApplicationDuModuleDetruiteAuDechargement) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    void *lib = dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr);
    auto xchg = reinterpret_cast<Plugin::FnXchgData>(dlsym(lib, "XchgData"));
    Image t(2, 2);
    {
        PendantDialogueSansQt pilote("AjustCoul", [](QDialog *d) { Cliquer(d, "Annuler"); });
        xchg(2, 0, 0, 0, 0, 2, 2, 0, 0, t.pixels, nullptr, 0, 0);
    }
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(t.References(), 2);
    EXPECT_EQ(dlclose(lib), 0);
    EXPECT_EQ(dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(t.References(), 1);  // the dialog's reference went with it
}

// Unloading while the modeless colour balance is still shown: its form, its
// working copy and its reference go with the library, then the QApplication.
TEST(AjustImgDechargement, BalanceOuverteAuDechargement) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    void *lib = dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr);
    auto xchg = reinterpret_cast<Plugin::FnXchgData>(dlsym(lib, "XchgData"));
    Image t(3, 2);
    t.Remplir(8);
    xchg(7, 0, 0, 0, 0, 3, 2, 0, 0, t.pixels, nullptr, 0, 0);
    ASSERT_NE(FenetreVisible("BalCoul"), nullptr);
    EXPECT_EQ(t.References(), 2);
    EXPECT_EQ(dlclose(lib), 0);
    EXPECT_EQ(dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(t.References(), 1);
}
