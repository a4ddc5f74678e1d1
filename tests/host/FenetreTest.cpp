// The host window, offscreen: menus, operations, undo and redo, and how it
// answers each kind of notice.
#include "FauxPlugin.h"
#include "FenetreHote.h"
#include "OutilsHote.h"
#include "VueImage.h"

#include <QAction>
#include <QDialog>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <optional>

namespace velmora::hote::essai {
namespace {

QAction *Action(QWidget &w, const QString &nom) {
    auto *a = w.findChild<QAction *>(nom);
    EXPECT_NE(a, nullptr) << nom.toStdString();
    return a;
}

QImage Vue(FenetreHote &f) { return f.findChild<VueImage *>("vueImage")->Image(); }

class FenetreReelle : public ::testing::Test {
protected:
    void SetUp() override {
        Appli();
        ASSERT_TRUE(plugin.Charger(Plugin())) << plugin.Erreur().toStdString();
    }
    ChargeurPlugin plugin;
};

TEST_F(FenetreReelle, MenuDuModuleSousSaCategorie) {
    FenetreHote f(plugin);
    auto *menu = f.findChild<QMenu *>("menuPlugin");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Couleurs"));
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

// A real dialog closed without "Appliquer": the image stays as it was.
TEST_F(FenetreReelle, DialogueFermeSansAppliquerNeChangeRien) {
    FenetreHote f(plugin);
    f.show();
    const QImage original = ImageAleatoire(13, 8, 4);
    ASSERT_TRUE(f.DefinirImage(original));
    QTimer fermeture;
    int fermes = 0;
    QObject::connect(&fermeture, &QTimer::timeout, [&] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            d->reject();
            ++fermes;
        }
    });
    fermeture.start(20);
    ASSERT_TRUE(f.ExecuterOperation(2));
    fermeture.stop();
    EXPECT_EQ(f.OperationEnCours(), 0);
    EXPECT_TRUE(MemesOctets(f.Image(), original));
    EXPECT_FALSE(f.PeutAnnuler());
    EXPECT_LE(fermes, 1);
}

TEST_F(FenetreReelle, OuvrirEtEnregistrerSous) {
    QTemporaryDir dossier;
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
    EXPECT_FALSE(f().findChild<QAction *>("actionOuvrir")->isEnabled());
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

} // namespace
} // namespace velmora::hote::essai
