// The bridge in GIMP with its user interface, on a virtual display: GIMP runs
// Script-Fu's server, the dialogs are answered from outside as a user would
// (xdotool), and the results are compared with what the plug-in gives in the
// reference host's loader for the same action.
#include "OutilsGimp.h"

#include "ChargeurPlugin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <array>
#include <functional>

using namespace essai;

namespace {

constexpr int Largeur = 160, Hauteur = 120;

QString Xdotool(const QStringList &arguments, int *code = nullptr) {
    return Lancer(QStringLiteral("xdotool"), arguments, QProcessEnvironment::systemEnvironment(),
                  20000, code)
        .trimmed();
}

// The first visible window whose title contains `titre`, waited for.
QString Fenetre(const QString &titre) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000) {
        int code = -1;
        const QString id = Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--name"), titre},
                                   &code);
        if (code == 0 && !id.isEmpty()) return id.section(QLatin1Char('\n'), 0, 0);
        QThread::msleep(100);
    }
    ADD_FAILURE() << "no window " << titre.toStdString();
    return {};
}

// What a window shows, as the display has it.
QImage Ecran(const QString &fenetre) {
    return QApplication::primaryScreen()->grabWindow(WId(fenetre.toULongLong())).toImage();
}

// A key pressed in a window: the pointer over it and the focus on it first,
// as there is no window manager to give it.
void Touche(const QString &fenetre, const char *touche) {
    Xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), fenetre, QStringLiteral("20"),
             QStringLiteral("20"), QStringLiteral("windowfocus"), QStringLiteral("--sync"), fenetre,
             QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("key"),
             QLatin1String(touche)});
}

// The plug-in in this process, through the reference host's loader, on a
// counted array made from `image`; `pendant` acts on its dialog once shown.
QImage
ResultatReference(int operation, const QImage &image,
                  const std::function<void(velmora::hote::ChargeurPlugin &, TPtImg *)> &pendant,
                  const char *dialogue) {
    static velmora::hote::ChargeurPlugin chargeur; // loaded once, as in a host
    if (!chargeur.Charge()) {
        EXPECT_TRUE(chargeur.Charger(Env("VELMORA_PLUGIN"))) << chargeur.Erreur().toStdString();
    }
    velmora::TPtsImg pixels = velmora::TPtsImg::Creer(image.width() * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            pixels[std::size_t(y) * image.width() + x] = {uint8_t(qBlue(p)), uint8_t(qGreen(p)),
                                                          uint8_t(qRed(p))};
        }
    bool fait = false;
    auto agir = [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!fait && w->isVisible() && w->objectName() == QLatin1String(dialogue)) {
                fait = true;
                pendant(chargeur, pixels.data());
            }
    };
    QTimer minuteur; // the modal dialogs: acted on from inside their loop
    QObject::connect(&minuteur, &QTimer::timeout, agir);
    minuteur.start(20);
    chargeur.Executer(uint32_t(operation), pixels.data(), image.width(), image.height());
    for (int i = 0; i < 100 && !fait; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    agir(); // a modeless dialog is still open now
    EXPECT_TRUE(fait && chargeur.ResultatRetenu());
    QImage r(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const TPtImg &p = pixels[std::size_t(y) * image.width() + x];
            r.setPixel(x, y, qRgb(p.Rouge, p.Vert, p.Bleu));
        }
    return r;
}

void Cliquer(const char *bouton) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            if (auto *b = w->findChild<QPushButton *>(QLatin1String(bouton))) return b->click();
    ADD_FAILURE() << "no button " << bouton;
}

class GimpInteractif : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // This process shows the reference dialogs on the same display.
        qunsetenv("QT_QPA_PLATFORM");
        static int argc = 1;
        static char nom[] = "velmora_gimp_tests";
        static char *argv[] = {nom, nullptr};
        if (!QCoreApplication::instance()) new QApplication(argc, argv);

        profil_ = new Profil;
        QImage photo = QImage(Env("VELMORA_SAMPLES") + QStringLiteral("/coffee.png"))
                           .copy(200, 100, Largeur, Hauteur)
                           .convertToFormat(QImage::Format_ARGB32);
        photo_ = photo;
        photo.save(profil_->Chemin(QStringLiteral("velmora-photo.png")));
        // For the colour balance: one colour in the middle, whatever the zone
        // dragged there, and varied pixels around it to correct.
        QImage balance = photo;
        for (int y = 30; y < 90; ++y)
            for (int x = 40; x < 120; ++x) balance.setPixel(x, y, qRgb(210, 180, 140));
        balance_ = balance;
        balance.save(profil_->Chemin(QStringLiteral("velmora-balance.png")));

        QTcpServer libre;
        libre.listen(QHostAddress::LocalHost, 0);
        port_ = libre.serverPort();
        libre.close();
        gimp_ = new QProcess;
        gimp_->setProcessEnvironment(profil_->Environnement());
        gimp_->setProcessChannelMode(QProcess::MergedChannels);
        gimp_->setStandardOutputFile(profil_->Chemin(QStringLiteral("gimp.log")));
        gimp_->start(QLatin1String(Gimp::Programme), Gimp::ArgumentsServeur(port_));
        QElapsedTimer t;
        t.start();
        QString texte;
        while (t.elapsed() < 120000 && gimp_->state() != QProcess::NotRunning) {
            if (Reponse(Envoyer(port_, QStringLiteral("(gimp-version)")), &texte, 2000)) return;
            QThread::msleep(200);
        }
        FAIL() << "GIMP's Script-Fu server did not answer";
    }
    static void TearDownTestSuite() {
        if (gimp_) {
            Reponse(Envoyer(port_, QStringLiteral("(gimp-quit 1)")), nullptr, 5000);
            if (!gimp_->waitForFinished(10000)) gimp_->kill();
            gimp_->waitForFinished();
        }
        delete gimp_;
        gimp_ = nullptr;
        delete profil_;
        profil_ = nullptr;
    }

    // The file opened in GIMP with a display, as `img` and `d`, not dirty.
    static void Ouvrir(const QString &nom) {
        Demander(port_, QStringLiteral("(begin %1 (define affichage (car (gimp-display-new img)))"
                                       " (gimp-image-clean-all img))")
                            .arg(ScriptCharger(profil_->Chemin(nom))));
    }
    static void Fermer() { Demander(port_, QStringLiteral("(gimp-display-delete affichage)")); }
    // The layer as exported to PNG: as 8-bit ARGB, or as the file holds it.
    static QImage Pixels(bool argb = true) {
        const QString f = profil_->Chemin(QStringLiteral("resultat.png"));
        QFile::remove(f);
        Demander(port_, ScriptExporter(f));
        return argb ? Lire(f) : QImage(f);
    }
    static bool Sale() {
        return Demander(port_, QStringLiteral("(car (gimp-image-is-dirty img))")) == "1";
    }

    static Profil *profil_;
    static QProcess *gimp_;
    static quint16 port_;
    static QImage photo_, balance_;
};
Profil *GimpInteractif::profil_ = nullptr;
QProcess *GimpInteractif::gimp_ = nullptr;
quint16 GimpInteractif::port_ = 0;
QImage GimpInteractif::photo_, GimpInteractif::balance_;

} // namespace

// Run from the menu's procedure in the interactive mode, the inversion is one
// undo step: one Ctrl+Z in the image window gives every byte back.
TEST_F(GimpInteractif, InversionAnnuleeEnUneEtape) {
    Ouvrir(QStringLiteral("velmora-photo.png"));
    Demander(port_,
             QStringLiteral("(gimp-image-select-rectangle img CHANNEL-OP-REPLACE 20 10 50 40)"
                            " (gimp-image-clean-all img)")); // the selection is a step too
    Demander(port_, ScriptAppel("inversion", "RUN-INTERACTIVE"));
    const QImage inverse = Pixels();
    const QRect zone(20, 10, 50, 40);
    int faux = 0;
    for (int y = 0; y < Hauteur; ++y)
        for (int x = 0; x < Largeur; ++x) {
            const QRgb o = photo_.pixel(x, y);
            const QRgb attendu =
                zone.contains(x, y) ? qRgb(255 - qRed(o), 255 - qGreen(o), 255 - qBlue(o)) : o;
            if (inverse.pixel(x, y) != attendu) ++faux;
        }
    EXPECT_EQ(faux, 0);
    EXPECT_TRUE(Sale());

    Touche(Fenetre(Gimp::TitreImage(QStringLiteral("velmora-photo"))), "ctrl+z");
    QElapsedTimer t;
    t.start();
    while (Sale() && t.elapsed() < 10000) QThread::msleep(100);
    EXPECT_FALSE(Sale());
    EXPECT_EQ(Differences(Pixels(), photo_, photo_.rect()), 0);
    Fermer();
}

// MonoChrome with its defaults: Enter presses Appliquer; Escape, Annuler.
TEST_F(GimpInteractif, MonoChromeAppliquerPuisAnnuler) {
    const QImage attendu = ResultatReference(
        9, photo_, [](auto &, TPtImg *) { Cliquer("Appliquer"); }, "MonoCouleur");
    Ouvrir(QStringLiteral("velmora-photo.png"));

    QTcpSocket *requete =
        Envoyer(port_, ScriptAppel("monochrome", "RUN-INTERACTIVE"));
    const QString dialogue = Fenetre(QStringLiteral("Réalisation de Monochrome"));
    Touche(dialogue, "Return");
    QString texte;
    EXPECT_TRUE(Reponse(requete, &texte)) << texte.toStdString();
    EXPECT_EQ(Differences(Pixels(), attendu, attendu.rect()), 0);
    EXPECT_TRUE(Sale());

    Demander(port_, QStringLiteral("(gimp-image-clean-all img)"));
    const QImage avant = Pixels();
    requete = Envoyer(port_, ScriptAppel("monochrome", "RUN-INTERACTIVE"));
    Touche(Fenetre(QStringLiteral("Réalisation de Monochrome")), "Escape");
    EXPECT_TRUE(Reponse(requete, &texte)) << texte.toStdString();
    EXPECT_EQ(Differences(Pixels(), avant, avant.rect()), 0);
    EXPECT_FALSE(Sale()); // no undo step either
    Fermer();
}

// Filters › Repeat: the settings of the dialog's last "Appliquer", applied
// with no dialog (the slider the dialog opens with focus taken to its end).
TEST_F(GimpInteractif, RepeterLesReglagesDuDernierAppliquer) {
    const QImage attendu = ResultatReference(
        2, photo_,
        [](auto &, TPtImg *) {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->objectName() == QLatin1String("AjustCoul"))
                    w->findChild<QSlider *>(QStringLiteral("PosGamma"))->setValue(50);
            Cliquer("Appliquer");
        },
        "AjustCoul");
    Ouvrir(QStringLiteral("velmora-photo.png"));
    QTcpSocket *requete = Envoyer(port_, ScriptAppel("lgcs", "RUN-INTERACTIVE"));
    const QString dialogue = Fenetre(QStringLiteral("Ajustement des paramètres d'image"));
    Touche(dialogue, "End");
    Touche(dialogue, "Return");
    QString texte;
    EXPECT_TRUE(Reponse(requete, &texte)) << texte.toStdString();
    EXPECT_EQ(Differences(Pixels(), attendu, attendu.rect()), 0);
    Fermer();

    Ouvrir(QStringLiteral("velmora-photo.png"));
    Demander(port_, ScriptAppel("lgcs", "RUN-WITH-LAST-VALS"));
    EXPECT_EQ(Differences(Pixels(), attendu, attendu.rect()), 0);
    EXPECT_TRUE(Sale());
    Fermer();
}

// The colour balance: a zone dragged in the bridge's window, its correction
// shown at once, then Appliquer (the reference host's bytes, one undo step) or
// Annuler (every byte back, no undo step). The zone is dragged twice: each is
// cut from the pixels of the opening, so the second gives the first one's
// correction again, not one measured on it.
TEST_F(GimpInteractif, BalanceAvecUneZoneTireeDansLaFenetreDuPont) {
    const QImage attendu = ResultatReference(
        7, balance_,
        [](velmora::hote::ChargeurPlugin &c, TPtImg *image) {
            velmora::TPtsImg zone = velmora::TPtsImg::Creer(25);
            for (TPtImg &p : zone) p = {140, 180, 210};
            c.EnvoyerZone(7, zone.data(), 5, 5, image);
            Cliquer("Appliquer");
        },
        "BalCoul");
    ASSERT_GT(Differences(attendu, balance_, balance_.rect()), 1000);
    Ouvrir(QStringLiteral("velmora-balance.png"));

    for (const char *touche : {"Return", "Escape"}) {
        SCOPED_TRACE(touche);
        const bool appliquer = std::string(touche) == "Return";
        // Annuler on 16-bit linear pixels that 8 bits cannot hold (moved off
        // the 8-bit steps): they must come back as they were, not as the
        // plug-in saw them.
        if (!appliquer)
            Demander(port_, QStringLiteral("(gimp-image-convert-precision img PRECISION-U16-LINEAR)"
                                           " (gimp-drawable-brightness-contrast d 0.013 0.021)"));
        Demander(port_, QStringLiteral("(gimp-image-clean-all img)"));
        const QImage avant = Pixels();
        const QImage avantBrut = Pixels(false);
        QTcpSocket *requete =
            Envoyer(port_, ScriptAppel("equilibrage", "RUN-INTERACTIVE"));
        const QString zones = Fenetre(QStringLiteral("zones de référence"));
        const QString dialogue = Fenetre(QStringLiteral("Balance des couleurs"));
        // The picture is shown whole in the middle of the window: a drag about
        // the centre stays in the one-colour middle of it.
        const QString geometrie =
            Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), zones});
        int l = 0, h = 0;
        for (const QString &ligne : geometrie.split(QLatin1Char('\n'))) {
            if (ligne.startsWith(QLatin1String("WIDTH="))) l = ligne.mid(6).toInt();
            if (ligne.startsWith(QLatin1String("HEIGHT="))) h = ligne.mid(7).toInt();
        }
        ASSERT_GT(l, 0);
        auto point = [&](int dx, int dy) {
            return QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), zones,
                               QString::number(l / 2 + dx), QString::number(h / 2 + dy)};
        };
        const QImage avantZone = Ecran(zones);
        for (int fois = 0; fois < 2; ++fois)
            Xdotool(point(-12, -5) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} +
                    point(0, 3) + QStringList{QStringLiteral("sleep"), QStringLiteral("0.1")} +
                    point(12, 10) + QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
        // The key once the bridge shows the correction in its window, that is
        // once it has caught up with the display's events up to the drags: on
        // a busy machine it may lag seconds behind, and a window it maps takes
        // the keyboard only when it reads that the window is mapped, possibly
        // after the focus was given to the dialog. It reads the key after the
        // second drag.
        QElapsedTimer attente;
        attente.start();
        while (Ecran(zones) == avantZone && attente.elapsed() < 30000) QThread::msleep(100);
        ASSERT_NE(Ecran(zones), avantZone) << "no correction shown in the bridge's window";
        Touche(dialogue, touche);
        QString texte;
        EXPECT_TRUE(Reponse(requete, &texte)) << texte.toStdString();
        EXPECT_EQ(Differences(Pixels(), appliquer ? attendu : avant, avant.rect()), 0);
        if (!appliquer) {
            const QImage apres = Pixels(false);
            EXPECT_EQ(apres.format(), QImage::Format_RGBA64);
            EXPECT_TRUE(apres == avantBrut);
        }
        EXPECT_EQ(Sale(), appliquer);
        if (appliquer) { // back to the photo for the second round
            Touche(Fenetre(Gimp::TitreImage(QStringLiteral("velmora-balance"))), "ctrl+z");
            QElapsedTimer t;
            t.start();
            while (Sale() && t.elapsed() < 10000) QThread::msleep(100);
            EXPECT_EQ(Differences(Pixels(), avant, avant.rect()), 0);
        }
    }
    Fermer();
}

// As a user runs it: from the image window (GIMP's command search finds the
// menu entry by its caption); the dialog is kept over that window.
TEST_F(GimpInteractif, DepuisLaFenetreDeLImage) {
    Ouvrir(QStringLiteral("velmora-photo.png"));
    const QString image = Fenetre(Gimp::TitreImage(QStringLiteral("velmora-photo")));
    auto visibles = [] {
        return Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("")})
            .split(QLatin1Char('\n'));
    };
    const QStringList avant = visibles();
    Touche(image, "slash");
    // The search box is a window of its own; with no window manager, the
    // focus is given to it by hand.
    QString recherche;
    for (int i = 0; i < 50 && recherche.isEmpty(); ++i, QThread::msleep(100))
        for (const QString &id : visibles())
            if (!avant.contains(id)) recherche = id;
    ASSERT_FALSE(recherche.isEmpty());
    Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), recherche,
             QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"),
             QStringLiteral("MonoChrome")});
    QThread::msleep(1000); // the search lists what it found
    Xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    const QString dialogue = Fenetre(QStringLiteral("Réalisation de Monochrome"));
    const QString transient =
        Lancer(QStringLiteral("xprop"),
               {QStringLiteral("-id"), dialogue, QStringLiteral("WM_TRANSIENT_FOR")},
               QProcessEnvironment::systemEnvironment(), 10000);
    EXPECT_TRUE(
        transient.trimmed().endsWith(QStringLiteral("# 0x%1").arg(image.toULongLong(), 0, 16)))
        << transient.toStdString();
    Touche(dialogue, "Escape");
    Fermer();
}

// Not a check: with VELMORA_CAPTURE=file.png, the picture of GIMP with a
// Velmora dialog open that the documentation shows.
TEST_F(GimpInteractif, CaptureDeLaDocumentation) {
    const QString capture = Env("VELMORA_CAPTURE");
    if (capture.isEmpty()) GTEST_SKIP() << "VELMORA_CAPTURE not set";
    QFile::copy(Env("VELMORA_SAMPLES") + QStringLiteral("/coffee.png"),
                profil_->Chemin(QStringLiteral("velmora-coffee.png")));
    Ouvrir(QStringLiteral("velmora-coffee.png"));
    QTcpSocket *requete =
        Envoyer(port_, ScriptAppel("monochrome", "RUN-INTERACTIVE"));
    const QString dialogue = Fenetre(QStringLiteral("Réalisation de Monochrome"));
#if VELMORA_GIMP == 3
    // GIMP 3's one window, large enough to hold the dialog beside the picture.
    Xdotool({QStringLiteral("windowsize"), Fenetre(Gimp::TitreImage(QStringLiteral("velmora-coffee"))),
             QStringLiteral("1280"), QStringLiteral("860")});
#endif
    // Beside the picture rather than over it.
    Xdotool({QStringLiteral("windowmove"), dialogue, QStringLiteral("560"), QStringLiteral("300")});
    QThread::msleep(3000);
    int g[4] = {};
    const QString geometrie =
        Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                 Fenetre(Gimp::TitreImage(QStringLiteral("velmora-coffee")))});
    for (const QString &ligne : geometrie.split(QLatin1Char('\n')))
        for (int i = 0; i < 4; ++i)
            if (ligne.startsWith(QLatin1String(std::array{"X=", "Y=", "WIDTH=", "HEIGHT="}[i])))
                g[i] = ligne.section(QLatin1Char('='), 1).toInt();
    EXPECT_TRUE(QApplication::primaryScreen()->grabWindow(0, g[0], g[1], g[2], g[3]).save(capture));
    Touche(dialogue, "Escape");
    Reponse(requete, nullptr);
    Fermer();
}
