// velmora-host run as a program: what it prints, writes and returns.
#include "ChargeurPlugin.h"
#include "Lancement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

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

// Without a screen nobody can answer a dialog asked for: it is closed
// unapplied, nothing is written, and the command still succeeds.
TEST_F(Programme_, DialogueSansAffichageNeRienEcrire) {
    for (const char *n : {"2", "3", "4", "7", "8", "9"}) {
        SCOPED_TRACE(n);
        const QString sortie = Chemin(QStringLiteral("dialogue%1.png").arg(n));
        const Resultat r =
            Lancer({"--apply", n, "--dialogue", Echantillon("coffee.png"), sortie});
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
namespace {

// An image's pixels as the plug-in takes them (blue, green, red), and the
// settings entry's rule applied to them in this process.
std::vector<TPtImg> PixelsDe(const QImage &image) {
    const QImage rvb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<TPtImg> p;
    for (int y = 0; y < rvb.height(); ++y)
        for (int x = 0; x < rvb.width(); ++x) {
            const uchar *o = rvb.constScanLine(y) + 3 * x;
            p.push_back({o[2], o[1], o[0]});
        }
    return p;
}

std::vector<TPtImg> AppliqueParLEntree(uint32_t n, const char *reglages, const QImage &image) {
    static ChargeurPlugin plugin;
    static const bool charge = plugin.Charger(Plugin());
    std::vector<TPtImg> p = PixelsDe(image);
    if (!charge || !plugin.Entree()) return {};
    char m[256] = "";
    if (plugin.Entree()->Appliquer(n, reglages, p.data(), image.width(), image.height(), m,
                                   int32_t(sizeof m)) != VELMORA_OK)
        return {};
    return p;
}

bool Egaux(const std::vector<TPtImg> &a, const std::vector<TPtImg> &b) {
    return !a.empty() && a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 3) == 0;
}

} // namespace

// Settings on the command line: the rule with no dialog, the same bytes as the
// plug-in's entry gives, one file or a batch, however the items are spelt.
TEST_F(Programme_, ReglagesAppliquesSansDialogue) {
    const QImage source = ImageAleatoire(53, 31, 3);
    const QString entree = Chemin("source.png"), autre = Chemin("autre.png");
    ASSERT_TRUE(source.save(entree));
    ASSERT_TRUE(ImageAleatoire(20, 12, 4).save(autre));
    const struct {
        const char *n;
        QStringList reglages;
        const char *texte;
    } cas[] = {
        {"2", {"-r", "gamma=20", "-r", "luminosite=60"}, "gamma=20\nluminosite=60"},
        {"2", {"-r", " saturation = -40 ; contraste=70"}, "saturation=-40;contraste=70"},
        {"2", {}, ""},  // the dialog's starting positions
        {"7", {"-r", "zone-claire=3,4,10,8", "-r", "temperature=5000"},
         "zone-claire=3,4,10,8;temperature=5000"},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.texte);
        const QString sortie = Chemin(QStringLiteral("un%1.png").arg(c.n));
        Resultat r = Lancer(QStringList{"--apply", c.n} + c.reglages + QStringList{entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        const std::vector<TPtImg> attendu = AppliqueParLEntree(uint32_t(QString(c.n).toUInt()),
                                                               c.texte, source);
        EXPECT_TRUE(Egaux(PixelsDe(QImage(sortie)), attendu));
        // The starting positions leave the pixels as they are.
        EXPECT_EQ(Egaux(PixelsDe(QImage(sortie)), PixelsDe(source)), c.reglages.isEmpty());

        // A batch, the settings between N and its files.
        const QString lot = Chemin(QStringLiteral("lot%1").arg(c.n));
        r = Lancer(QStringList{"--apply", c.n} + c.reglages +
                   QStringList{"-o", lot, entree, autre});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        EXPECT_TRUE(Egaux(PixelsDe(QImage(lot + "/source.png")), attendu));
        EXPECT_TRUE(QFileInfo::exists(lot + "/autre.png"));
    }
}

// Bad settings: one line naming them, a non-zero code, no file written; in a
// batch, a zone that only one file cannot hold fails that file alone.
TEST_F(Programme_, ReglagesRefusesSansRienEcrire) {
    const QString entree = Chemin("source.png"), petite = Chemin("petite.png");
    ASSERT_TRUE(ImageAleatoire(40, 30, 5).save(entree));
    ASSERT_TRUE(ImageAleatoire(8, 8, 6).save(petite));
    const struct {
        QStringList arguments;
        int code;
        const char *dansLeMessage;
    } cas[] = {
        {{"--apply", "2", "-r", "gama=10"}, 2, "« gama »"},
        {{"--apply", "2", "-r", "gamma=51"}, 2, "« gamma »"},
        {{"--apply", "2", "-r", "gamma=1", "-r", "gamma=2"}, 2, "deux fois"},
        {{"--apply", "1", "-r", "gamma=1"}, 2, "« gamma »"},
        {{"--apply", "7"}, 1, "« zone-claire »"},
        {{"--apply", "7", "-r", "zone-claire=35,0,10,10"}, 1, "« zone-claire »"},
        {{"--apply", "7", "-r", "zone-claire=0,0,5,5", "-r", "temperature=5050"}, 2,
         "« temperature »"},
        {{"--apply", "2", "-r"}, 2, "NOM=VALEUR"},
        {{"--info", "-r", "gamma=1"}, 2, "--apply"},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const QString sortie = Chemin("sortie.png");
        const Resultat r = Lancer(c.arguments + QStringList{entree, sortie});
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.erreurs.contains(QString::fromUtf8(c.dansLeMessage))) << r.erreurs.toStdString();
        EXPECT_FALSE(QFileInfo::exists(sortie));
    }
    const QString lot = Chemin("lot");
    const Resultat r =
        Lancer({"--apply", "7", "-r", "zone-claire=20,10,10,10", "-o", lot, petite, entree});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.erreurs.contains(QStringLiteral("petite.png"))) << r.erreurs.toStdString();
    EXPECT_FALSE(QFileInfo::exists(lot + "/petite.png"));
    EXPECT_TRUE(QFileInfo::exists(lot + "/source.png"));
}

// Each operation's settings, listed for the user.
TEST_F(Programme_, ReglagesListes) {
    Resultat r = Lancer({"--reglages", "7"});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("zone-claire=rectangle x,y,largeur,hauteur")));
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("temperature=entier de 3000 à 10000 (défaut : 6700)")))
        << r.sortie.toStdString();
    r = Lancer({"--reglages", "1"});
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("aucun réglage")));
    EXPECT_EQ(Lancer({"--reglages", "12"}).code, 2);
}

} // namespace velmora::hote::essai
