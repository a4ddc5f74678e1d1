// velmora-host run as a program: what it prints, writes and returns.
#include "Lancement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmora::hote::essai {
namespace {

class Programme_ : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Programme().isEmpty()) << "VELMORA_HOST is not set";
        ASSERT_TRUE(dossier.isValid());
    }
    QString Chemin(const QString &nom) const { return dossier.filePath(nom); }
    QTemporaryDir dossier;
};

TEST_F(Programme_, InfoDonneIdentiteEtMenuNumerote) {
    // No --plugin: the module beside the program is the default.
    const Resultat r = Lancer({"--info"});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    EXPECT_EQ(r.sortie, QStringLiteral("Titre : Lumacrest (Orvelinque)\n"
                                       "Version : 4.0\n"
                                       "Catégorie : Couleurs\n"
                                       "Menu :\n"
                                       "  1. Inversion\n"
                                       "  2. Ajustement manuel L, G, C, S\n"
                                       "  3. Ajustement des profils Gamma\n"
                                       "  4. Ajustement manuel Luminosité\n"
                                       "  5. Ajustement auto Luminosité\n"
                                       "  6. Ajustement auto Couleurs\n"
                                       "  7. Equilibrage\n"
                                       "  8. Grain ou Bruit\n"
                                       "  9. MonoChrome\n"));
    EXPECT_TRUE(r.erreurs.isEmpty()) << r.erreurs.toStdString();
}

TEST_F(Programme_, InversionEcritLeNegatifExactDeLEchantillon) {
    const QString entree = Echantillon("coffee.png"), sortie = Chemin("inv.png");
    const Resultat r = Lancer({"--plugin", Plugin(), "--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    EXPECT_TRUE(r.sortie.contains(sortie));
    const QImage avant(entree), apres(sortie);
    ASSERT_FALSE(avant.isNull());
    ASSERT_FALSE(apres.isNull());
    EXPECT_TRUE(EstNegatif(avant, apres));
}

// Other formats in and out, on an odd width where QImage pads its rows.
TEST_F(Programme_, InversionEntreFormatsSansPerte) {
    const QImage source = ImageAleatoire(37, 23, 7);
    const QString entree = Chemin("source.bmp");
    ASSERT_TRUE(source.save(entree));
    for (const char *extension : {"png", "bmp", "tif", "ppm"}) {
        SCOPED_TRACE(extension);
        const QString sortie = Chemin(QStringLiteral("inv.") + extension);
        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        EXPECT_TRUE(EstNegatif(source, QImage(sortie)));
    }
    // A lossy format is written too, at the same size.
    const Resultat r = Lancer({"--apply", "1", entree, Chemin("inv.jpg")});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    EXPECT_EQ(QImage(Chemin("inv.jpg")).size(), source.size());
}

// The automatic adjustments change a photo that does not span the full range.
TEST_F(Programme_, AjustementsAutomatiquesEcriventUnResultat) {
    const QString entree = Echantillon("coffee.png");
    for (const char *n : {"5", "6"}) {
        SCOPED_TRACE(n);
        const QString sortie = Chemin(QStringLiteral("auto%1.png").arg(n));
        const Resultat r = Lancer({"--apply", n, entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        ASSERT_TRUE(QFileInfo::exists(sortie)) << r.sortie.toStdString();
        const QImage apres(sortie);
        EXPECT_EQ(apres.size(), QImage(entree).size());
        EXPECT_FALSE(MemesOctets(apres, QImage(entree)));
    }
}

// Without a screen nobody can answer a dialog: it is closed unapplied, nothing
// is written, and the command still succeeds.
TEST_F(Programme_, DialogueSansAffichageNeRienEcrire) {
    for (const char *n : {"2", "3", "4", "7", "8", "9"}) {
        SCOPED_TRACE(n);
        const QString sortie = Chemin(QStringLiteral("dialogue%1.png").arg(n));
        const Resultat r = Lancer({"--apply", n, Echantillon("coffee.png"), sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        EXPECT_TRUE(r.sortie.contains(QStringLiteral("aucune modification"))) << r.sortie.toStdString();
        EXPECT_FALSE(QFileInfo::exists(sortie));
    }
}

TEST_F(Programme_, ErreursDonnentUneLigneEtUnCodeNonNul) {
    const QString echantillon = Echantillon("coffee.png");
    QFile pasImage(Chemin("faux.png"));
    ASSERT_TRUE(pasImage.open(QIODevice::WriteOnly));
    pasImage.write("ceci n'est pas une image");
    pasImage.close();

    struct Cas {
        const char *nom;
        QStringList arguments;
        int code;
        QString attendu; // part of the message
    };
    const QString sortie = Chemin("sortie.png");
    const Cas cas[] = {
        {"entree absente", {"--apply", "1", Chemin("absente.png"), sortie}, 1, "fichier introuvable"},
        {"entree illisible", {"--apply", "1", Chemin("faux.png"), sortie}, 1, "Impossible de lire"},
        {"sortie impossible", {"--apply", "1", echantillon, Chemin("non/dossier/x.png")}, 1,
         "Impossible d'écrire"},
        {"format inconnu", {"--apply", "1", echantillon, Chemin("x.inconnu")}, 1,
         "Format d'image inconnu"},
        {"N = 0", {"--apply", "0", echantillon, sortie}, 2, "numéro d'opération invalide"},
        {"N = 10", {"--apply", "10", echantillon, sortie}, 2, "numéro d'opération invalide"},
        {"N non numérique", {"--apply", "un", echantillon, sortie}, 2, "numéro d'opération invalide"},
        {"module absent", {"--plugin", Chemin("absent.so"), "--info"}, 1, "Module introuvable"},
        {"module qui n'en est pas un", {"--plugin", Chemin("faux.png"), "--info"}, 1,
         "Impossible de charger le module"},
    };
    for (const Cas &c : cas) {
        SCOPED_TRACE(c.nom);
        const Resultat r = Lancer(c.arguments);
        EXPECT_EQ(r.code, c.code);
        const QStringList lignes = r.erreurs.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lignes.size(), 1) << r.erreurs.toStdString();
        EXPECT_TRUE(lignes[0].startsWith(QStringLiteral("velmora-host : ")));
        EXPECT_TRUE(lignes[0].contains(c.attendu)) << lignes[0].toStdString();
        EXPECT_TRUE(r.sortie.isEmpty()) << r.sortie.toStdString();
        EXPECT_FALSE(QFileInfo::exists(sortie));
    }
}

TEST_F(Programme_, LigneDeCommandeIncompleteDonneLUsage) {
    for (const QStringList &arguments :
         {QStringList{"--apply", "1", "entree.png"}, QStringList{"--apply", "1", "-o", "dossier"},
          QStringList{"--plugin"}, QStringList{"-j", "0", "--apply", "1", "-o", "d", "a.png"},
          QStringList{"--apply", "1", "-o", "d", "a.png", "-j"},
          QStringList{"--inconnue"}, QStringList{"--info", "image.png"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Resultat r = Lancer(arguments);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.erreurs.contains(QStringLiteral("Usage")));
    }
}

} // namespace
} // namespace velmora::hote::essai
