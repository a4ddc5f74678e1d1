// The host window, offscreen: menus, operations, undo and redo, how it
// answers each kind of notice, and how it keeps unsaved work: the question on
// quit, close and open, saving back in place, the undo bound.
#include "FauxPlugin.h"
#include "FenetreHote.h"
#include "OutilsFenetre.h"
#include "VueImage.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <optional>
#include <sys/resource.h>

namespace velmora::hote::essai {
namespace {

QImage Vue(FenetreHote &f) { return f.findChild<VueImage *>("vueImage")->Image(); }

TEST_F(FenetreReelle, MenuDuModuleSousSaCategorie) {
    FenetreHote f(plugin);
    auto *menu = f.findChild<QMenu *>("menuPlugin");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("&Couleurs")); // Alt+C opens it
    ASSERT_EQ(menu->actions().size(), 9);
    EXPECT_EQ(menu->actions().at(3)->text(), QStringLiteral("Ajustement manuel Luminosité"));
    // Nothing to work on yet.
    EXPECT_FALSE(menu->actions().at(0)->isEnabled());
    EXPECT_FALSE(Action(f, "actionAnnuler")->isEnabled());
    EXPECT_FALSE(Action(f, "actionEnregistrerSous")->isEnabled());
}

TEST_F(FenetreReelle, InversionPuisAnnulerEtRetablir) {
    FenetreHote f(plugin);
    f.show();
    const QImage original = ImageAleatoire(31, 17, 5);
    ASSERT_TRUE(f.DefinirImage(original));
    EXPECT_TRUE(MemesOctets(Vue(f), original));

    Action(f, "actionOperation1")->trigger();
    EXPECT_EQ(f.OperationEnCours(), 0);
    EXPECT_TRUE(EstNegatif(original, f.Image()));
    EXPECT_TRUE(MemesOctets(Vue(f), f.Image())); // redrawn from the block
    EXPECT_TRUE(f.isWindowModified());
    ASSERT_TRUE(Action(f, "actionAnnuler")->isEnabled());
    EXPECT_TRUE(Action(f, "actionAnnuler")->text().contains("Inversion"));

    Action(f, "actionAnnuler")->trigger();
    EXPECT_TRUE(MemesOctets(f.Image(), original));
    EXPECT_TRUE(MemesOctets(Vue(f), original));
    EXPECT_FALSE(Action(f, "actionAnnuler")->isEnabled());
    ASSERT_TRUE(Action(f, "actionRetablir")->isEnabled());

    Action(f, "actionRetablir")->trigger();
    EXPECT_TRUE(EstNegatif(original, f.Image()));
    EXPECT_FALSE(Action(f, "actionRetablir")->isEnabled());

    // A new operation after an undo forgets what could be redone.
    Action(f, "actionAnnuler")->trigger();
    Action(f, "actionOperation1")->trigger();
    EXPECT_FALSE(f.PeutRefaire());
    EXPECT_TRUE(EstNegatif(original, f.Image()));
}

// A real dialog closed with "Annuler", or applied with nothing moved (a result
// that is every byte the same): the image stays as it was, with nothing to
// undo, compare, save or ask about on closing.
TEST_F(FenetreReelle, DialogueSansEffetNeChangeRien) {
    for (const char *bouton : {"Annuler", "Appliquer"}) {
        SCOPED_TRACE(bouton);
        FenetreHote f(plugin);
        f.show();
        const QImage original = ImageAleatoire(13, 8, 4);
        ASSERT_TRUE(f.DefinirImage(original));
        QTimer reponse;
        int clics = 0;
        QObject::connect(&reponse, &QTimer::timeout, [&] {
            if (QWidget *d = QApplication::activeModalWidget())
                if (auto *b = d->findChild<QAbstractButton *>(QLatin1String(bouton))) {
                    b->click();
                    ++clics;
                }
        });
        reponse.start(20);
        ASSERT_TRUE(f.ExecuterOperation(2));
        reponse.stop();
        EXPECT_EQ(clics, 1); // it did open, and closed once
        EXPECT_EQ(f.OperationEnCours(), 0);
        EXPECT_TRUE(MemesOctets(f.Image(), original));
        EXPECT_FALSE(f.PeutAnnuler());
        EXPECT_FALSE(f.isWindowModified());
        EXPECT_FALSE(Action(f, "actionComparer")->isEnabled());
        Reponses aucune;
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(aucune.vues.empty());
    }
}

TEST_F(FenetreReelle, OuvrirEtEnregistrerSous) {
    const QImage source = ImageAleatoire(9, 4, 2);
    const QString entree = dossier.filePath("a.bmp"), sortie = dossier.filePath("b.png");
    ASSERT_TRUE(source.save(entree));
    FenetreHote f(plugin);
    QString erreur;
    EXPECT_FALSE(f.Ouvrir(dossier.filePath("absente.png"), &erreur));
    EXPECT_TRUE(erreur.contains("fichier introuvable")) << erreur.toStdString();
    ASSERT_TRUE(f.Ouvrir(entree, &erreur)) << erreur.toStdString();
    EXPECT_TRUE(f.windowTitle().contains("a.bmp"));
    Action(f, "actionOperation1")->trigger();
    ASSERT_TRUE(f.EnregistrerSous(sortie, &erreur)) << erreur.toStdString();
    EXPECT_TRUE(EstNegatif(source, QImage(sortie)));
    EXPECT_FALSE(f.isWindowModified());
    EXPECT_FALSE(f.EnregistrerSous(dossier.filePath("x.inconnu"), &erreur));
    EXPECT_FALSE(erreur.isEmpty());
}

class FenetreFausse : public ::testing::Test {
protected:
    void SetUp() override {
        Appli();
        FauxPlugin::Reinitialiser();
        ASSERT_TRUE(dossier.isValid());
        ASSERT_TRUE(plugin.Initialiser(FauxPlugin::Points()));
        fenetre.emplace(plugin); // after the loader knows its menu
        original = ImageAleatoire(7, 5, 9);
        ASSERT_TRUE(f().DefinirImage(original));
    }
    void TearDown() override {
        fenetre.reset();
        FauxPlugin::Reinitialiser();
    }
    FenetreHote &f() { return *fenetre; }
    ReglagesIsoles reglages;
    QTemporaryDir dossier;
    ChargeurPlugin plugin;
    std::optional<FenetreHote> fenetre;
    QImage original;
};

QImage Uniforme(const QImage &modele, uchar v) {
    QImage i(modele.size(), QImage::Format_RGB888);
    i.fill(QColor(v, v, v));
    return i;
}

// A dialog that wrote as it went and then ended without a result: the image
// comes back as it was, and there is nothing to undo.
TEST_F(FenetreFausse, FinSansResultatRemetLImage) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::EcritPuisAnnule));
    EXPECT_EQ(f().OperationEnCours(), 0);
    EXPECT_TRUE(MemesOctets(f().Image(), original));
    EXPECT_TRUE(MemesOctets(Vue(f()), original));
    EXPECT_FALSE(f().PeutAnnuler());
    EXPECT_FALSE(f().isWindowModified());
}

TEST_F(FenetreFausse, ResultatIntermediairePuisFinalUneSeuleEtape) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::EcritEnDeuxTemps));
    EXPECT_TRUE(MemesOctets(f().Image(), Uniforme(original, 2)));
    EXPECT_TRUE(MemesOctets(Vue(f()), Uniforme(original, 2)));
    f().Annuler();
    EXPECT_TRUE(MemesOctets(f().Image(), original));
    EXPECT_FALSE(f().PeutAnnuler());
}

TEST_F(FenetreFausse, OperationMuetteNeBloquePasLaFenetre) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::Muette));
    EXPECT_EQ(f().OperationEnCours(), 0);
    EXPECT_FALSE(f().PeutAnnuler());
    EXPECT_TRUE(f().findChild<QAction *>("actionOperation1")->isEnabled());
}

// The colour balance stays open after the call: the window waits for its final
// notice and refuses anything that would pull the image from under it.
TEST_F(FenetreFausse, FenetreOuverteAttendSonAvisDeFin) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::ResteOuverte));
    EXPECT_EQ(f().OperationEnCours(), int(FauxPlugin::ResteOuverte));
    EXPECT_FALSE(f().findChild<QAction *>("actionOperation1")->isEnabled());
    EXPECT_FALSE(f().findChild<QAction *>("actionEnregistrer")->isEnabled());
    EXPECT_FALSE(f().ExecuterOperation(FauxPlugin::EcritEnDeuxTemps));
    EXPECT_FALSE(f().DefinirImage(original));

    // A correction written while open, then accepted.
    TPtImg *p = f().Pixels().pixels.data();
    for (int i = 0; i < f().Pixels().pixels.size(); ++i) p[i] = {3, 3, 3};
    FauxPlugin::Rappeler(7, 5, 0, 1, 0);
    EXPECT_TRUE(MemesOctets(Vue(f()), Uniforme(original, 3)));
    EXPECT_EQ(f().OperationEnCours(), int(FauxPlugin::ResteOuverte));
    FauxPlugin::Rappeler(7, 5, 0, 1, 1);
    EXPECT_EQ(f().OperationEnCours(), 0);
    EXPECT_TRUE(f().PeutAnnuler());
    EXPECT_TRUE(MemesOctets(f().Image(), Uniforme(original, 3)));
}

// Replacing the image drops the window's reference only: the block a dialog
// still holds stays alive until the plug-in lets it go.
TEST_F(FenetreFausse, NouvelleImageLacheSeulementSaReference) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::GardeReference));
    TPtImg *ancien = f().Pixels().pixels.data();
    ASSERT_EQ(FauxPlugin::gardee, ancien);
    EXPECT_EQ(tableau::References(ancien), 2);
    ASSERT_TRUE(f().DefinirImage(ImageAleatoire(3, 3, 1)));
    EXPECT_NE(f().Pixels().pixels.data(), ancien);
    EXPECT_EQ(tableau::References(ancien), 1);
    EXPECT_EQ(ancien[0].Bleu, 9); // still readable
    FauxPlugin::Lacher();         // freed here, once
}

// ---- Nothing lost: the question on every way out -------------------------

QStringList Fichiers(const QTemporaryDir &d) {
    return QDir(d.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Quit (Ctrl+Q), close (the window's close button sends the same event) and
// open another image, each with the three answers. The image holds an unsaved
// inversion of a.png.
TEST_F(FenetreReelle, QuestionAvantDAbandonnerUneModification) {
    enum Voie { Quitter, Fermer, OuvrirAutre };
    const struct {
        Voie voie;
        QMessageBox::StandardButton reponse;
    } cas[] = {
        {Quitter, QMessageBox::Cancel},     {Quitter, QMessageBox::Discard},
        {Quitter, QMessageBox::Save},       {Fermer, QMessageBox::Cancel},
        {Fermer, QMessageBox::Discard},     {Fermer, QMessageBox::Save},
        {OuvrirAutre, QMessageBox::Cancel}, {OuvrirAutre, QMessageBox::Discard},
        {OuvrirAutre, QMessageBox::Save},
    };
    const QImage a = ImageAleatoire(16, 9, 3), b = ImageAleatoire(5, 7, 4);
    for (const auto &c : cas) {
        SCOPED_TRACE(testing::Message() << "voie " << c.voie << ", bouton " << c.reponse);
        const QString cheminA = Chemin("a.png"), cheminB = Chemin("b.png");
        ASSERT_TRUE(a.save(cheminA));
        ASSERT_TRUE(b.save(cheminB));
        const QByteArray octetsA = Octets(cheminA);
        FenetreHote f(plugin);
        QString erreur;
        ASSERT_TRUE(f.Ouvrir(cheminA, &erreur)) << erreur.toStdString();
        ASSERT_TRUE(Montrer(f));
        Action(f, "actionOperation1")->trigger();
        ASSERT_TRUE(f.isWindowModified());
        EXPECT_TRUE(f.windowTitle().startsWith("a.png[*]"));

        Reponses reponses{{c.reponse}};
        switch (c.voie) {
        case Quitter: QTest::keyClick(&f, Qt::Key_Q, Qt::ControlModifier); break;
        case Fermer: f.close(); break;
        case OuvrirAutre: f.OuvrirDemande(cheminB); break;
        }
        ASSERT_EQ(reponses.vues.size(), 1u);
        EXPECT_EQ(reponses.vues[0].texte, QStringLiteral("Enregistrer les modifications de « a.png » ?"));
        EXPECT_EQ(QSet<QString>(reponses.vues[0].boutons.begin(), reponses.vues[0].boutons.end()),
                  (QSet<QString>{"Enregistrer", "Ne pas enregistrer", "Annuler"}));

        const bool continue_ = c.reponse != QMessageBox::Cancel;
        if (c.voie == OuvrirAutre) {
            EXPECT_EQ(f.Fichier(), continue_ ? cheminB : cheminA);
            EXPECT_TRUE(MemesOctets(f.Image(), continue_ ? b : QImage()) ||
                        (!continue_ && EstNegatif(a, f.Image())));
        } else {
            EXPECT_EQ(f.isVisible(), !continue_);
        }
        if (c.reponse == QMessageBox::Save) {
            EXPECT_TRUE(EstNegatif(a, QImage(cheminA)));
        } else {
            EXPECT_EQ(Octets(cheminA), octetsA); // the file as it was
        }
        if (c.reponse == QMessageBox::Cancel) { // the window and the image as they were
            EXPECT_TRUE(EstNegatif(a, f.Image()));
            EXPECT_TRUE(f.isWindowModified());
            EXPECT_TRUE(f.PeutAnnuler());
        }
        EXPECT_EQ(Fichiers(dossier), (QStringList{"a.png", "b.png"}));
    }
}

// Back at the saved state, or just saved: nothing to ask.
TEST_F(FenetreReelle, PasDeQuestionSansModificationEnAttente) {
    const QString chemin = Chemin("a.png");
    ASSERT_TRUE(ImageAleatoire(6, 6, 1).save(chemin));
    QString erreur;
    {
        FenetreHote f(plugin);
        ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
        f.show();
        Action(f, "actionOperation1")->trigger();
        Action(f, "actionAnnuler")->trigger();
        EXPECT_FALSE(f.isWindowModified());
        Reponses aucune;
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(aucune.vues.empty());
    }
    {
        FenetreHote f(plugin);
        ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
        f.show();
        Action(f, "actionOperation1")->trigger();
        ASSERT_TRUE(f.EnregistrerSous(Chemin("b.png"), &erreur)) << erreur.toStdString();
        Action(f, "actionAnnuler")->trigger(); // away from the saved state again
        EXPECT_TRUE(f.isWindowModified());
        Action(f, "actionRetablir")->trigger();
        EXPECT_FALSE(f.isWindowModified());
        Reponses aucune;
        EXPECT_TRUE(f.close());
        EXPECT_TRUE(aucune.vues.empty());
    }
}

// "Enregistrer" that fails (here the file-size limit cuts the write halfway):
// the original stays byte for byte, no stray file is left, the error is shown,
// and a close that asked for the save does not go on.
struct LimiteTailleFichier {
    explicit LimiteTailleFichier(rlim_t octets) {
        getrlimit(RLIMIT_FSIZE, &avant);
        std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
        rlimit l = avant;
        l.rlim_cur = octets;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~LimiteTailleFichier() {
        setrlimit(RLIMIT_FSIZE, &avant);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    rlimit avant{};
};

TEST_F(FenetreReelle, EnregistrementRateLaisseLOriginalIntact) {
    const QString chemin = Chemin("a.png");
    const QImage a = ImageAleatoire(64, 64, 8); // noise: far more than the limit below
    ASSERT_TRUE(a.save(chemin));
    const QByteArray octets = Octets(chemin);
    ASSERT_GT(octets.size(), 8192);
    FenetreHote f(plugin);
    QString erreur;
    ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
    ASSERT_TRUE(Montrer(f));
    Action(f, "actionOperation1")->trigger();
    {
        LimiteTailleFichier limite(4096);
        ASSERT_TRUE(Montrer(f));
        {
            Reponses erreurAffichee{{QMessageBox::Ok}};
            QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
            ASSERT_EQ(erreurAffichee.vues.size(), 1u);
            EXPECT_TRUE(erreurAffichee.vues[0].texte.contains("a.png"))
                << erreurAffichee.vues[0].texte.toStdString();
        }
        Reponses enregistrerPuisErreur{{QMessageBox::Save}, {QMessageBox::Ok}};
        EXPECT_FALSE(f.close());
        ASSERT_EQ(enregistrerPuisErreur.vues.size(), 2u);
        EXPECT_EQ(enregistrerPuisErreur.vues[0].nom, QStringLiteral("questionEnregistrer"));
        EXPECT_TRUE(enregistrerPuisErreur.vues[1].prevue);
    }
    EXPECT_EQ(Octets(chemin), octets);
    EXPECT_EQ(Fichiers(dossier), QStringList{"a.png"});
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isWindowModified());
    // With room again, the same key saves.
    ASSERT_TRUE(Montrer(f)); // a closed box may leave no window active
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(f.isWindowModified());
    EXPECT_TRUE(EstNegatif(a, QImage(chemin)));
}

// Ctrl+S on every format Qt writes: the file itself is rewritten, in its own
// format, with the result (lossy formats within their loss).
TEST_F(FenetreReelle, CtrlSReecritChaqueFormatEnPlace) {
    FenetreHote f(plugin);
    int essayes = 0;
    for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
        SCOPED_TRACE(format.toStdString());
        const QString chemin = Chemin(QStringLiteral("f.") + QString::fromLatin1(format));
        // 16 x 16: a size every format takes, icons included.
        ASSERT_TRUE(ImageAleatoire(16, 16, 11).save(chemin, format.constData()));
        const QByteArray formatLu = QImageReader(chemin).format();
        QString erreur;
        ASSERT_TRUE(f.Ouvrir(chemin, &erreur)) << erreur.toStdString();
        const QImage lu = f.Image();
        Action(f, "actionOperation1")->trigger();
        EXPECT_TRUE(CtrlSSansQuestion(f));
        EXPECT_FALSE(f.isWindowModified());
        EXPECT_EQ(QImageReader(chemin).format(), formatLu);
        QImage relu(chemin);
        ASSERT_FALSE(relu.isNull());
        ASSERT_EQ(relu.size(), lu.size());
        if (format == "jpeg" || format == "jpg" || format == "jfif" || format == "webp") {
            // Compared with the negative, within the format's loss.
            const QImage x = lu.convertToFormat(QImage::Format_RGB888);
            const QImage y = relu.convertToFormat(QImage::Format_RGB888);
            double ecart = 0;
            for (int j = 0; j < x.height(); ++j)
                for (int i = 0; i < 3 * x.width(); ++i)
                    ecart += std::abs(int(y.constScanLine(j)[i]) - (255 - x.constScanLine(j)[i]));
            EXPECT_LT(ecart / (3 * x.width() * x.height()), 24.0);
        } else {
            EXPECT_TRUE(EstNegatif(lu, relu));
        }
        QFile::remove(chemin);
        ++essayes;
    }
    EXPECT_GE(essayes, 5);
    EXPECT_TRUE(Fichiers(dossier).isEmpty());
}

// A format Qt reads but cannot write: "Enregistrer" asks where, as "Enregistrer sous".
TEST_F(FenetreReelle, EnregistrerUnFormatEnLectureSeuleDevientEnregistrerSous) {
    // The smallest GIF: one black pixel.
    const QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000000000ffffff2c00000000010001000002024401003b");
    const QString chemin = Chemin("g.gif"), sortie = Chemin("g.png");
    {
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(gif);
    }
    FenetreHote f(plugin);
    QString erreur;
    ASSERT_TRUE(f.Ouvrir(chemin, &erreur)) << erreur.toStdString();
    ASSERT_TRUE(Montrer(f));
    Action(f, "actionOperation1")->trigger();
    {
        Reponses annule{{QString()}};
        EXPECT_FALSE(f.Enregistrer());
        ASSERT_EQ(annule.vues.size(), 1u);
        EXPECT_EQ(annule.vues[0].classe, QStringLiteral("QFileDialog"));
        EXPECT_TRUE(f.isWindowModified());
    }
    ASSERT_TRUE(Montrer(f));
    Reponses ou{{sortie}};
    QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ou.vues.size(), 1u);
    EXPECT_EQ(Octets(chemin), gif);
    EXPECT_EQ(f.Fichier(), sortie);
    EXPECT_FALSE(f.isWindowModified());
    EXPECT_EQ(QImage(sortie).pixelColor(0, 0), QColor(Qt::white));
}

// A plug-in window still open is closed as its "Annuler" would, before the
// question; its unaccepted result is not what gets saved or asked about.
TEST_F(FenetreFausse, OperationOuverteFermeeSansEtreAppliquee) {
    for (const bool resultatAnterieur : {false, true}) {
        SCOPED_TRACE(resultatAnterieur);
        fenetre.emplace(plugin);
        ASSERT_TRUE(f().DefinirImage(original));
        f().show();
        if (resultatAnterieur) {
            ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::EcritEnDeuxTemps));
        }
        const QImage avant = f().Image();
        // The plug-in's modeless window: "Annuler" sends the final notice, no result.
        QDialog pluginFenetre;
        bool annulee = false;
        QObject::connect(&pluginFenetre, &QDialog::rejected, [&] {
            annulee = true;
            FauxPlugin::Rappeler(7, 5, 0, 0, 1);
        });
        ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::ResteOuverte));
        pluginFenetre.show();
        TPtImg *p = f().Pixels().pixels.data(); // a correction shown, not accepted
        for (int i = 0; i < f().Pixels().pixels.size(); ++i) p[i] = {3, 3, 3};
        FauxPlugin::Rappeler(7, 5, 0, 1, 0);

        bool ouverteAuMomentDeLaQuestion = true;
        Reponses reponses{{QMessageBox::Cancel}};
        QTimer::singleShot(0, [&] { ouverteAuMomentDeLaQuestion = pluginFenetre.isVisible(); });
        const bool fermee = f().close();
        EXPECT_TRUE(annulee);
        EXPECT_FALSE(pluginFenetre.isVisible());
        EXPECT_EQ(f().OperationEnCours(), 0);
        EXPECT_TRUE(MemesOctets(f().Image(), avant));
        EXPECT_TRUE(MemesOctets(Vue(f()), avant));
        EXPECT_EQ(reponses.vues.size(), resultatAnterieur ? 1u : 0u);
        if (resultatAnterieur) {
            EXPECT_FALSE(ouverteAuMomentDeLaQuestion);
        }
        EXPECT_EQ(fermee, !resultatAnterieur); // "Annuler" keeps the window
    }
}

// A plug-in that keeps its operation open without any window to close: the
// host ends the operation itself, unapplied.
TEST_F(FenetreFausse, OperationOuverteSansFenetreTermineeParLHote) {
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::ResteOuverte));
    TPtImg *p = f().Pixels().pixels.data();
    for (int i = 0; i < f().Pixels().pixels.size(); ++i) p[i] = {3, 3, 3};
    Reponses aucune;
    EXPECT_TRUE(f().ConfirmerAbandon());
    EXPECT_EQ(f().OperationEnCours(), 0);
    EXPECT_TRUE(MemesOctets(f().Image(), original));
    EXPECT_TRUE(aucune.vues.empty());
    EXPECT_TRUE(f().Indication().isEmpty());
}

// ---- Undo bounded by memory ------------------------------------------------

// Four results on a 31 x 17 image (1581 bytes a step) with room for two steps:
// the two oldest are dropped, the two newest undo in order.
TEST_F(FenetreReelle, HistoriqueBorneParLaMemoire) {
    FenetreHote f(plugin);
    const int octetsEtape = 31 * 17 * 3;
    f.DefinirLimiteAnnulation(2 * octetsEtape + octetsEtape / 2);
    QImage source(31, 17, QImage::Format_RGB888);
    source.fill(QColor(60, 90, 140)); // not full range: the automatic steps change it
    source.setPixelColor(0, 0, QColor(100, 50, 170));
    ASSERT_TRUE(f.DefinirImage(source));
    std::vector<QImage> etats{f.Image()};
    for (int n : {1, 5, 6, 1}) {
        ASSERT_TRUE(f.ExecuterOperation(n));
        etats.push_back(f.Image());
    }
    EXPECT_EQ(f.NbEtapesAnnulation(), 2u);
    EXPECT_LE(f.MemoireAnnulation(), std::size_t(2 * octetsEtape + octetsEtape / 2));
    EXPECT_TRUE(Action(f, "actionAnnuler")->text().contains("Inversion"));
    f.Annuler();
    EXPECT_TRUE(MemesOctets(f.Image(), etats[3]));
    EXPECT_TRUE(Action(f, "actionAnnuler")->text().contains("Ajustement auto Couleurs"));
    f.Annuler();
    EXPECT_TRUE(MemesOctets(f.Image(), etats[2]));
    EXPECT_FALSE(f.PeutAnnuler());
    // Redo steps count too, and a smaller bound drops the farthest first.
    f.DefinirLimiteAnnulation(octetsEtape);
    f.Refaire();
    EXPECT_TRUE(MemesOctets(f.Image(), etats[3]));
    EXPECT_FALSE(f.PeutRefaire());
    // A bound below one step: results still apply, nothing is kept to undo.
    f.DefinirLimiteAnnulation(octetsEtape - 1);
    EXPECT_EQ(f.MemoireAnnulation(), 0u);
    ASSERT_TRUE(f.ExecuterOperation(1));
    EXPECT_TRUE(EstNegatif(etats[3], f.Image()));
    EXPECT_FALSE(f.PeutAnnuler());
    EXPECT_TRUE(f.isWindowModified());
}

// ---- Compare, drop, recent files, status bar ------------------------------

TEST_F(FenetreReelle, ComparerMontreLImageAvantLaPremiereOperation) {
    FenetreHote f(plugin);
    ASSERT_TRUE(Montrer(f));
    const QImage original = ImageAleatoire(12, 10, 6);
    ASSERT_TRUE(f.DefinirImage(original));
    QAction *comparer = Action(f, "actionComparer");
    EXPECT_FALSE(comparer->isEnabled()); // nothing to compare with yet
    ASSERT_TRUE(f.ExecuterOperation(1));
    ASSERT_TRUE(f.ExecuterOperation(5));
    const QImage resultat = f.Image();
    ASSERT_TRUE(comparer->isEnabled());

    comparer->trigger(); // the menu toggle
    EXPECT_TRUE(MemesOctets(Vue(f), original));
    EXPECT_TRUE(f.findChild<QLabel *>("etiquetteZoom")->text().startsWith("Original"));
    comparer->trigger();
    EXPECT_TRUE(MemesOctets(Vue(f), resultat));

    QTest::keyPress(&f, Qt::Key_B); // held
    EXPECT_TRUE(MemesOctets(Vue(f), original));
    QTest::keyPress(&f, Qt::Key_B, Qt::NoModifier, -1); // still held: the same
    EXPECT_TRUE(MemesOctets(Vue(f), original));
    QTest::keyRelease(&f, Qt::Key_B);
    EXPECT_TRUE(MemesOctets(Vue(f), resultat));
    EXPECT_TRUE(MemesOctets(f.Image(), resultat)); // only the view changed

    // Another image: its own original, none yet.
    ASSERT_TRUE(f.DefinirImage(ImageAleatoire(4, 4, 2)));
    EXPECT_FALSE(comparer->isEnabled());
}

TEST_F(FenetreReelle, DeposerUnFichierLOuvre) {
    const QImage image = ImageAleatoire(8, 6, 4);
    const QString chemin = Chemin("depose.png");
    ASSERT_TRUE(image.save(chemin));
    FenetreHote f(plugin);
    ASSERT_TRUE(Montrer(f));
    ASSERT_TRUE(f.DefinirImage(ImageAleatoire(3, 3, 1)));
    ASSERT_TRUE(f.ExecuterOperation(1)); // unsaved: the drop asks first

    QMimeData web;
    web.setUrls({QUrl("https://example.org/x.png")});
    QDragEnterEvent refus(QPoint(20, 20), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &refus);
    EXPECT_FALSE(refus.isAccepted());

    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(chemin)});
    QDragEnterEvent entree(QPoint(20, 20), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &entree);
    EXPECT_TRUE(entree.isAccepted());
    QDropEvent depot(QPointF(20, 20), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f, &depot);
    EXPECT_TRUE(depot.isAccepted());
    Reponses reponses{{QMessageBox::Discard}};
    QCoreApplication::sendPostedEvents(); // the opening waits for the drop to end
    EXPECT_EQ(reponses.vues.size(), 1u);
    EXPECT_EQ(f.Fichier(), chemin);
    EXPECT_TRUE(MemesOctets(f.Image(), image));
    EXPECT_FALSE(f.isWindowModified());
}

TEST_F(FenetreReelle, FichiersRecentsDuPlusRecentAuPlusAncienHuitAuPlus) {
    QStringList chemins;
    for (int i = 0; i < 10; ++i) {
        chemins << Chemin(QStringLiteral("r%1.png").arg(i));
        ASSERT_TRUE(ImageAleatoire(3, 2, uint32_t(i)).save(chemins.last()));
    }
    {
        FenetreHote f(plugin);
        for (const QString &c : chemins) ASSERT_TRUE(f.OuvrirDemande(c));
        QStringList attendu;
        for (int i = 9; i >= 2; --i) attendu << chemins[i];
        EXPECT_EQ(f.FichiersRecents(), attendu);
        // Opened again: to the top, once.
        ASSERT_TRUE(f.OuvrirDemande(chemins[5]));
        attendu.removeAll(chemins[5]);
        attendu.prepend(chemins[5]);
        EXPECT_EQ(f.FichiersRecents(), attendu);
    }
    // Kept for the next window, shown in its menu.
    FenetreHote f(plugin);
    auto *menu = f.findChild<QMenu *>("menuRecents");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    QStringList textes;
    for (int i = 1; i <= 9; ++i)
        if (auto *a = f.findChild<QAction *>(QStringLiteral("actionRecent%1").arg(i))) textes << a->text();
    EXPECT_EQ(textes, (QStringList{"&1 r5.png", "&2 r9.png", "&3 r8.png", "&4 r7.png", "&5 r6.png",
                                   "&6 r4.png", "&7 r3.png", "&8 r2.png"}));
    Action(f, "actionRecent3")->trigger();
    EXPECT_EQ(f.Fichier(), chemins[8]);
    // A file gone since: the error is shown and the entry leaves the list.
    ASSERT_TRUE(QFile::remove(chemins[7]));
    Reponses erreur{{QMessageBox::Ok}};
    Action(f, "actionRecent4")->trigger(); // the list is now r8, r5, r9, r7…
    EXPECT_EQ(erreur.vues.size(), 1u);
    EXPECT_FALSE(f.FichiersRecents().contains(chemins[7]));
    EXPECT_EQ(f.FichiersRecents().size(), 7);
}

TEST_F(FenetreReelle, BarreDEtat) {
    const QString chemin = Chemin("photo.png");
    ASSERT_TRUE(ImageAleatoire(40, 30, 2).save(chemin));
    FenetreHote f(plugin);
    f.resize(640, 480);
    f.show();
    QString erreur;
    ASSERT_TRUE(f.Ouvrir(chemin, &erreur));
    auto texte = [&](const char *nom) { return f.findChild<QLabel *>(nom)->text(); };
    EXPECT_EQ(texte("etiquetteFichier"), QStringLiteral("photo.png"));
    EXPECT_EQ(texte("etiquetteTaille"), QStringLiteral("40 × 30 pixels"));
    EXPECT_EQ(texte("etiquetteZoom"), QStringLiteral("100 %")); // fitted, never enlarged
    Action(f, "actionZoomAvant")->trigger();
    EXPECT_EQ(texte("etiquetteZoom"), QStringLiteral("150 %"));
    f.AfficherIndication(QStringLiteral("Choisissez une zone"));
    EXPECT_TRUE(f.findChild<QLabel *>("etiquetteIndication")->isVisible());
    f.AfficherIndication({});
    EXPECT_FALSE(f.findChild<QLabel *>("etiquetteIndication")->isVisible());
    EXPECT_FALSE(f.findChild<QLabel *>("etiquetteNote")->isVisible());

    // A 16-bit file: said in the status bar.
    QImage seize(4, 4, QImage::Format_RGBX64);
    seize.fill(QColor(10, 20, 30));
    const QString chemin16 = Chemin("seize.png");
    ASSERT_TRUE(seize.save(chemin16));
    ASSERT_TRUE(f.Ouvrir(chemin16, &erreur)) << erreur.toStdString();
    EXPECT_TRUE(f.findChild<QLabel *>("etiquetteNote")->isVisible());
    EXPECT_TRUE(texte("etiquetteNote").contains("16 bits")) << texte("etiquetteNote").toStdString();
}

TEST_F(FenetreFausse, IndicationPendantLaDemandeDeZone) {
    f().show();
    ASSERT_TRUE(f().ExecuterOperation(FauxPlugin::ResteOuverte));
    EXPECT_EQ(f().Indication(), QStringLiteral("Choisissez une zone de référence dans l'image"));
    EXPECT_TRUE(f().findChild<QLabel *>("etiquetteIndication")->isVisible());
    FauxPlugin::Rappeler(7, 5, 0, 0, 1);
    EXPECT_TRUE(f().Indication().isEmpty());
}

// Zoom from the keyboard: the shortcuts of the Affichage menu.
TEST_F(FenetreReelle, RaccourcisDeZoom) {
    FenetreHote f(plugin);
    f.resize(400, 300);
    ASSERT_TRUE(Montrer(f));
    ASSERT_TRUE(f.DefinirImage(ImageAleatoire(1000, 800, 3)));
    EXPECT_TRUE(f.Vue().Ajuste());
    EXPECT_LT(f.Vue().Zoom(), 0.5);
    EXPECT_TRUE(Action(f, "actionAjuster")->isChecked());
    const struct {
        Qt::Key touche;
        double zoom;
    } suite[] = {{Qt::Key_1, 1.0},     {Qt::Key_Plus, 1.5},  {Qt::Key_Equal, 2.0},
                 {Qt::Key_Minus, 1.5}, {Qt::Key_Minus, 1.0}, {Qt::Key_Minus, 2.0 / 3}};
    for (const auto &s : suite) {
        QTest::keyClick(&f, s.touche, Qt::ControlModifier);
        EXPECT_DOUBLE_EQ(f.Vue().Zoom(), s.zoom) << QKeySequence(s.touche).toString().toStdString();
        EXPECT_FALSE(Action(f, "actionAjuster")->isChecked());
    }
    QTest::keyClick(&f, Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(f.Vue().Ajuste());
}

} // namespace
} // namespace velmora::hote::essai
