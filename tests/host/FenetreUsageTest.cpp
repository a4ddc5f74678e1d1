// The host window as a new user meets it: a 16-bit file saved in place, a
// result that changes nothing (the real dialog's case is in FenetreTest), the
// keyboard on the menu bar, recent files of the same name, the status bar's
// path hint beside a note, a damaged JPEG, the busy pointer while reading and
// writing, Qt's own texts in French.
#include "FauxPlugin.h"
#include "FenetreHote.h"
#include "Lancement.h"
#include "OutilsFenetre.h"
#include "Programme.h"
#include "VersionExiv2.h"

#include <QColorSpace>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTranslator>

#include <cstring>
#include <optional>
#include <random>
#include <vector>

namespace velmora::hote::essai {
namespace {

class Usage : public FenetreReelle {
protected:
    QString erreur;
};

QString Note(FenetreHote &f) {
    auto *e = f.findChild<QLabel *>("etiquetteNote");
    return e && e->isVisible() ? e->text() : QString();
}

// 16 bits per channel, values that 8 bits cannot hold.
QImage Seize(int largeur, int hauteur) {
    std::mt19937 gen(3);
    QImage image(largeur, hauteur, QImage::Format_RGBX64);
    for (int y = 0; y < hauteur; ++y)
        for (int x = 0; x < largeur; ++x)
            image.setPixelColor(x, y, QColor::fromRgba64(quint16(gen()), quint16(gen()), quint16(gen())));
    return image;
}

void Ecrire(const QString &chemin, const QByteArray &octets) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(octets), octets.size());
}

// Ctrl+S on a file read with 16 bits per channel: the depth goes only when the
// user says so, and afterwards the status bar says what the file now has.
TEST_F(Usage, SeizeBitsCtrlSDemandeAvantDeReduire) {
    const QString chemin = Chemin("seize.png"), autre = Chemin("huit.png");
    const QMessageBox::StandardButton remplacer = QMessageBox::Yes, ailleurs = QMessageBox::Save;
    for (const QMessageBox::StandardButton reponse : {QMessageBox::Cancel, ailleurs, remplacer}) {
        SCOPED_TRACE(reponse);
        QFile::remove(autre);
        ASSERT_TRUE(Seize(7, 5).save(chemin));
        const QByteArray octets = Octets(chemin);
        FenetreHote f(plugin);
        ASSERT_TRUE(f.Ouvrir(chemin, &erreur)) << erreur.toStdString();
        ASSERT_TRUE(Montrer(f));
        Action(f, "actionOperation1")->trigger();
        const QImage resultat = f.Image();

        Reponses reponses{{reponse}, {autre}};
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
        ASSERT_EQ(reponses.vues.size(), reponse == ailleurs ? 2u : 1u);
        EXPECT_EQ(reponses.vues[0].nom, QStringLiteral("questionProfondeur"));
        EXPECT_TRUE(reponses.vues[0].texte.contains("16 bits")) << reponses.vues[0].texte.toStdString();
        EXPECT_EQ(QSet<QString>(reponses.vues[0].boutons.begin(), reponses.vues[0].boutons.end()),
                  (QSet<QString>{"Remplacer par une version en 8 bits", "Enregistrer sous…", "Annuler"}));
        EXPECT_EQ(Octets(chemin) == octets, reponse != remplacer);
        if (reponse == QMessageBox::Cancel) {
            EXPECT_TRUE(f.isWindowModified());
            EXPECT_FALSE(QFile::exists(autre));
            EXPECT_TRUE(Note(f).contains("16 bits")) << Note(f).toStdString();
            continue;
        }
        const QString ecrit = reponse == remplacer ? chemin : autre;
        EXPECT_FALSE(f.isWindowModified());
        EXPECT_EQ(f.Fichier(), ecrit);
        const QImage relu(ecrit);
        EXPECT_LE(relu.depth(), 32);
        EXPECT_TRUE(MemesOctets(relu, resultat));
        EXPECT_EQ(Note(f), QStringLiteral("« %1 » est enregistrée en 8 bits par canal")
                               .arg(QFileInfo(ecrit).fileName()));
        // The file has 8 bits now: the next save asks nothing.
        Action(f, "actionOperation1")->trigger();
        EXPECT_TRUE(CtrlSSansQuestion(f));
        EXPECT_FALSE(f.isWindowModified());
    }
    // Quitting with a result: "Enregistrer", then the depth question's
    // "Annuler", keeps the window, the image and the file.
    ASSERT_TRUE(Seize(7, 5).save(chemin));
    const QByteArray octets = Octets(chemin);
    FenetreHote f(plugin);
    ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
    ASSERT_TRUE(Montrer(f));
    Action(f, "actionOperation1")->trigger();
    Reponses enregistrerPuisAnnuler{{QMessageBox::Save}, {QMessageBox::Cancel}};
    EXPECT_FALSE(f.close());
    ASSERT_EQ(enregistrerPuisAnnuler.vues.size(), 2u);
    EXPECT_EQ(enregistrerPuisAnnuler.vues[1].nom, QStringLiteral("questionProfondeur"));
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isWindowModified());
    EXPECT_EQ(Octets(chemin), octets);
}

// A plug-in window that wrote as it went, then ended with a result equal to
// the image it started from.
TEST(UsageFaux, ResultatFinalIdentiqueApresDesEtapes) {
    Appli();
    ReglagesIsoles reglages;
    FauxPlugin::Reinitialiser();
    ChargeurPlugin plugin;
    ASSERT_TRUE(plugin.Initialiser(FauxPlugin::Points()));
    {
        FenetreHote f(plugin);
        QImage deux(6, 4, QImage::Format_RGB888);
        deux.fill(QColor(2, 2, 2)); // what the operation ends with
        ASSERT_TRUE(f.DefinirImage(deux));
        ASSERT_TRUE(f.ExecuterOperation(FauxPlugin::EcritEnDeuxTemps));
        EXPECT_EQ(f.OperationEnCours(), 0);
        EXPECT_TRUE(MemesOctets(f.Image(), deux));
        EXPECT_FALSE(f.PeutAnnuler());
        EXPECT_FALSE(f.isWindowModified());
    }
    FauxPlugin::Reinitialiser();
}

// Alt and a letter open every menu of the bar, the plug-in's included, and no
// two menus share a letter.
TEST_F(Usage, MenusAuClavierSansConflit) {
    FenetreHote f(plugin);
    ASSERT_TRUE(Montrer(f));
    QList<QKeySequence> touches;
    for (QAction *a : f.menuBar()->actions()) {
        const QKeySequence touche = QKeySequence::mnemonic(a->text());
        EXPECT_FALSE(touche.isEmpty()) << a->text().toStdString();
        EXPECT_FALSE(touches.contains(touche)) << a->text().toStdString();
        touches << touche;
    }
    auto *menu = f.findChild<QMenu *>("menuPlugin");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("&Couleurs"));
    QTest::keyClick(&f, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

// Whatever the plug-in calls its menu: the first plain letter no other menu has.
TEST(UsageFaux, MnemoniqueDuMenuDuModule) {
    Appli();
    const struct {
        const char *categorie; // Windows-1252, as the plug-in gives it
        const char *titre;
    } cas[] = {
        {"Cat\xE9gorie", "&Catégorie"},
        {"Affichages", "Aff&ichages"}, // A and F are taken, the second f too
        {"\xC9t\xE9 & co", "\xC3\x89&t\xC3\xA9 && co"}, // É passed over, a lone & doubled
        {"FAD", "FAD"}, // nothing left
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.categorie);
        FauxPlugin::Reinitialiser();
        FauxPlugin::categorie = c.categorie;
        ChargeurPlugin plugin;
        ASSERT_TRUE(plugin.Initialiser(FauxPlugin::Points()));
        FenetreHote f(plugin);
        auto *menu = f.findChild<QMenu *>("menuPlugin");
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QString::fromUtf8(c.titre));
    }
    FauxPlugin::Reinitialiser();
}

// Recent files of the same name are told apart by as many folders as it takes.
TEST_F(Usage, RecentsDeMemeNomAvecLeurDossier) {
    const QStringList chemins{Chemin("a/x/p.png"), Chemin("b/x/p.png"), Chemin("c/p.png"),
                              Chemin("q.png")};
    FenetreHote f(plugin);
    for (const QString &c : chemins) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(c).path()));
        ASSERT_TRUE(ImageAleatoire(3, 2, 1).save(c));
        ASSERT_TRUE(f.OuvrirDemande(c));
    }
    QStringList textes;
    for (int i = 1; i <= 4; ++i) textes << Action(f, QStringLiteral("actionRecent%1").arg(i))->text();
    EXPECT_EQ(textes, (QStringList{"&1 q.png", "&2 p.png (c)", "&3 p.png (b/x)", "&4 p.png (a/x)"}));
    Action(f, "actionRecent3")->trigger();
    EXPECT_EQ(f.Fichier(), chemins[1]);
}

// A recent entry's path, shown in the status bar while the menu is open,
// keeps its whole width beside the 16-bit note, which steps aside.
TEST_F(Usage, CheminDUnRecentEntierAcoteDeLaNote) {
    const QString chemin = Chemin("vacances en bretagne/p16.png");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(chemin).path()));
    ASSERT_TRUE(Seize(7, 5).save(chemin));
    FenetreHote f(plugin);
    f.resize(800, 600);
    ASSERT_TRUE(Montrer(f));
    ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
    ASSERT_TRUE(Note(f).contains("16 bits"));
    QAction *recent = Action(f, "actionRecent1");
    ASSERT_EQ(recent->statusTip(), chemin);
    recent->showStatusText(&f);
    QStatusBar *barre = f.statusBar();
    ASSERT_EQ(barre->currentMessage(), chemin);
    const int largeur = barre->fontMetrics().horizontalAdvance(chemin);
    for (QLabel *e : barre->findChildren<QLabel *>()) {
        if (e->isVisible()) {
            EXPECT_GT(e->geometry().left(), largeur) << e->objectName().toStdString();
        }
    }
    barre->clearMessage();
    EXPECT_TRUE(Note(f).contains("16 bits"));
}

// A JPEG cut short opens (the decoder fills in what is missing) and says so:
// in the status bar, and as a note line of --apply instead of the decoder's own.
TEST_F(Usage, JpegTronqueDit) {
    const QString entier = Chemin("entier.jpg"), tronque = Chemin("tronque.jpg");
    ASSERT_TRUE(ImageAleatoire(64, 48, 2).save(entier, "jpeg", 90));
    const QByteArray octets = Octets(entier);
    Ecrire(tronque, octets.left(octets.size() / 2));
    FenetreHote f(plugin);
    f.show();
    ASSERT_TRUE(f.Ouvrir(entier, &erreur));
    EXPECT_TRUE(Note(f).isEmpty()) << Note(f).toStdString();
    ASSERT_TRUE(f.Ouvrir(tronque, &erreur)) << erreur.toStdString();
    EXPECT_EQ(Note(f), QStringLiteral("« tronque.jpg » est tronquée ou endommagée : une partie de "
                                      "l'image n'a pas pu être lue"));

    const Resultat r = Lancer({"--apply", "1", tronque, Chemin("inv.png")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.erreurs, QStringLiteral("velmora-host : « tronque.jpg » est tronquée ou endommagée : "
                                        "une partie de l'image n'a pas pu être lue\n"));
    EXPECT_TRUE(QFile::exists(Chemin("inv.png")));
}

// Notes the pointer each time Qt speaks from inside a read or a write (a
// decoder, a colour profile): what the user sees while it works.
struct PointeurPendantLeTravail {
    static inline std::vector<int> formes;
    static inline QtMessageHandler precedent = nullptr;
    static void Noter(QtMsgType, const QMessageLogContext &contexte, const QString &) {
        const QCursor *c = QGuiApplication::overrideCursor();
        if (contexte.category && (std::strncmp(contexte.category, "qt.gui.imageio", 14) == 0 ||
                                  std::strcmp(contexte.category, "qt.gui.icc") == 0))
            formes.push_back(c ? int(c->shape()) : -1);
    }
    PointeurPendantLeTravail() {
        formes.clear();
        precedent = qInstallMessageHandler(&Noter);
    }
    ~PointeurPendantLeTravail() { qInstallMessageHandler(precedent); }
};

// Opening and saving show the busy pointer while they work, and give it back.
TEST_F(Usage, PointeurOccupePendantOuvrirEtEnregistrer) {
    // An RGB profile Qt cannot parse: it says so as it reads, and again as it writes.
    const QString chemin = Chemin("profil.png");
    ASSERT_TRUE(ImageAleatoire(8, 8, 5).save(chemin));
    {
        QByteArray profil = QColorSpace(QColorSpace::DisplayP3).iccProfile();
        profil.replace(36, 4, "xxxx"); // not the profile signature
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(chemin).toStdString());
        image->readMetadata();
        velmora::hote::exiv2::DonnerProfil(*image, velmora::hote::exiv2::Tampon(profil), false);
        image->writeMetadata();
    }
    FenetreHote f(plugin);
    ASSERT_TRUE(Montrer(f));
    PointeurPendantLeTravail pointeur;
    ASSERT_TRUE(f.OuvrirDemande(chemin));
    EXPECT_FALSE(pointeur.formes.empty());
    for (int forme : pointeur.formes) EXPECT_EQ(forme, int(Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    Action(f, "actionOperation1")->trigger();
    pointeur.formes.clear();
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(f.isWindowModified());
    EXPECT_FALSE(pointeur.formes.empty());
    for (int forme : pointeur.formes) EXPECT_EQ(forme, int(Qt::WaitCursor));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A file that cannot be read: the error box comes with the normal pointer.
    std::optional<bool> occupePendantLaBoite;
    QTimer::singleShot(0, [&] { occupePendantLaBoite = QGuiApplication::overrideCursor() != nullptr; });
    Reponses erreurAffichee{{QMessageBox::Ok}};
    EXPECT_FALSE(f.OuvrirDemande(Chemin("absente.png")));
    ASSERT_EQ(erreurAffichee.vues.size(), 1u);
    EXPECT_EQ(occupePendantLaBoite, std::optional<bool>(false));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// With the host's translation, Qt's own texts in its window are French: the
// key names in the menus and the buttons of its file box.
TEST_F(Usage, TextesDeQtEnFrancais) {
    QTranslator *traduction = TraduireQt();
    ASSERT_NE(traduction, nullptr);
    {
        FenetreHote f(plugin);
        ASSERT_TRUE(Montrer(f));
        EXPECT_EQ(Action(f, "actionEnregistrerSous")->shortcut().toString(QKeySequence::NativeText),
                  QStringLiteral("Ctrl+Maj+S"));
        QStringList boutons;
        QTimer boite;
        QObject::connect(&boite, &QTimer::timeout, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!d) return;
            for (QPushButton *b : d->findChildren<QPushButton *>()) boutons << b->text();
            d->reject();
        });
        boite.start(0);
        QTest::keyClick(&f, Qt::Key_O, Qt::ControlModifier);
        EXPECT_TRUE(boutons.contains(QStringLiteral("Annuler"))) << boutons.join('|').toStdString();
        EXPECT_FALSE(boutons.contains(QStringLiteral("Cancel")));
    }
    QCoreApplication::removeTranslator(traduction);
    delete traduction;
}

} // namespace
} // namespace velmora::hote::essai
