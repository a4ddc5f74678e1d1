// The plug-in loader used by both the command line and the window.
#include "ChargeurPlugin.h"
#include "FauxPlugin.h"
#include "ImageHote.h"
#include "OutilsHote.h"

#include <QtTest/QTest>
#include <QTemporaryDir>

#include <dlfcn.h>

namespace velmora::hote::essai {
namespace {

TEST(DecoderWindows1252, Latin1EtPlage80a9F) {
    EXPECT_EQ(DecoderWindows1252("Luminosit\xE9"), QStringLiteral("Luminosité"));
    EXPECT_EQ(DecoderWindows1252("\x80\x8A\x92\x9C\x9F\xA0\xFF"),
              QString::fromUtf8("€Š’œŸ\u00A0ÿ"));
    // Unassigned bytes keep their code point rather than vanish.
    EXPECT_EQ(DecoderWindows1252("\x81\x8D\x8F\x90\x9D").size(), 5);
    EXPECT_EQ(DecoderWindows1252("\x81").at(0).unicode(), 0x81);
    EXPECT_TRUE(DecoderWindows1252(nullptr).isEmpty());
}

class ChargeurReel : public ::testing::Test {
protected:
    void SetUp() override {
        Appli();
        ASSERT_TRUE(plugin.Charger(Plugin())) << plugin.Erreur().toStdString();
    }
    ChargeurPlugin plugin;
};

TEST_F(ChargeurReel, IdentiteEtMenuDecodes) {
    EXPECT_EQ(plugin.Majeur(), 4);
    EXPECT_EQ(plugin.Mineur(), 0);
    EXPECT_EQ(plugin.Categorie(), QStringLiteral("Couleurs"));
    EXPECT_EQ(plugin.Titre(), QStringLiteral("Lumacrest (Orvelinque)"));
    ASSERT_EQ(plugin.NbOperations(), 9);
    EXPECT_EQ(plugin.Menu().at(0), QStringLiteral("Inversion"));
    EXPECT_EQ(plugin.Menu().at(3), QStringLiteral("Ajustement manuel Luminosité"));
    EXPECT_EQ(plugin.Menu().at(4), QStringLiteral("Ajustement auto Luminosité"));
    EXPECT_EQ(plugin.Menu().at(8), QStringLiteral("MonoChrome"));
}

TEST_F(ChargeurReel, InversionDansLeBlocDeLHoteEtUnAvisDeFin) {
    const QImage source = ImageAleatoire(5, 3, 11);
    ImageHote h = VersPixels(source);
    std::vector<Avis> avis;
    plugin.DefinirEcouteur([&](const Avis &a) { avis.push_back(a); });
    ASSERT_TRUE(plugin.Executer(1, h.pixels.data(), h.largeur, h.hauteur));
    ASSERT_EQ(avis.size(), 1u);
    EXPECT_EQ(avis[0].largeur, 5);
    EXPECT_EQ(avis[0].hauteur, 3);
    EXPECT_TRUE(avis[0].imageModifiee);
    EXPECT_TRUE(avis[0].fin);
    EXPECT_FALSE(avis[0].demandeZone);
    EXPECT_TRUE(plugin.FinRecue());
    EXPECT_FALSE(plugin.FinAttendue());
    EXPECT_EQ(tableau::References(h.pixels.data()), 1); // the plug-in let go
    EXPECT_TRUE(EstNegatif(source, VersQImage(h)));
}

// The host keeps its side of the invariant: count = width x height.
TEST_F(ChargeurReel, TailleIncoherenteNAppellePasLePlugin) {
    ImageHote h = VersPixels(ImageAleatoire(4, 4, 3));
    const QImage avant = VersQImage(h);
    int avis = 0;
    plugin.DefinirEcouteur([&](const Avis &) { ++avis; });
    EXPECT_FALSE(plugin.Executer(1, h.pixels.data(), 4, 5));
    EXPECT_FALSE(plugin.Executer(1, h.pixels.data(), 0, 16));
    EXPECT_FALSE(plugin.Executer(1, nullptr, 4, 4));
    EXPECT_EQ(avis, 0);
    EXPECT_TRUE(MemesOctets(VersQImage(h), avant));
}

TEST(Chargeur, FichiersQuiNeSontPasDesModules) {
    Appli();
    QTemporaryDir dossier;
    QFile f(dossier.filePath("texte.so"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("pas un module");
    f.close();
    // A real shared library that is not a plug-in.
    Dl_info info{};
    // Qt 6.8 overloads qSleep: the one taking an int is named.
    void (*fonction)(int) = &QTest::qSleep;
    ASSERT_TRUE(dladdr(reinterpret_cast<void *>(fonction), &info));

    struct Cas {
        QString chemin;
        QString attendu;
    };
    for (const Cas &c : {Cas{dossier.filePath("absent.so"), "Module introuvable"},
                         Cas{f.fileName(), "Impossible de charger le module"},
                         Cas{QString::fromLocal8Bit(info.dli_fname), "n'exporte pas « AdrRetour »"}}) {
        SCOPED_TRACE(c.chemin.toStdString());
        ChargeurPlugin p;
        EXPECT_FALSE(p.Charger(c.chemin));
        EXPECT_FALSE(p.Charge());
        EXPECT_TRUE(p.Erreur().contains(c.attendu)) << p.Erreur().toStdString();
        EXPECT_FALSE(p.Erreur().contains('\n'));
        int32_t l = 1;
        TPtsImg px = TPtsImg::Creer(1);
        EXPECT_FALSE(p.Executer(1, px.data(), l, l));
    }
}

class ChargeurFaux : public ::testing::Test {
protected:
    void SetUp() override { FauxPlugin::Reinitialiser(); }
    void TearDown() override { FauxPlugin::Reinitialiser(); }
};

TEST_F(ChargeurFaux, OrdreDesAppelsEtTextesDecodes) {
    ChargeurPlugin p;
    ASSERT_TRUE(p.Initialiser(FauxPlugin::Points()));
    const std::vector<std::string> attendus = {"PrmDLL",    "AddMenu 0", "AddMenu 1",
                                               "AddMenu 2", "AddMenu 3", "AddMenu 4",
                                               "AddMenu 5", "AdrRetour"};
    EXPECT_EQ(FauxPlugin::appels, attendus);
    EXPECT_EQ(FauxPlugin::contexte, &p);
    EXPECT_EQ(p.Majeur(), 7);
    EXPECT_EQ(p.Mineur(), 3);
    EXPECT_EQ(p.Categorie(), QStringLiteral("Catégorie"));
    EXPECT_EQ(p.Titre(), QStringLiteral("Faux"));
    EXPECT_EQ(p.Menu(), (QStringList{"€ euro", "œuvre", "Muette", "Zone", "Garde"}));
}

TEST_F(ChargeurFaux, SeulLOctetBasDuDrapeauCompte) {
    ChargeurPlugin p;
    ASSERT_TRUE(p.Initialiser(FauxPlugin::Points()));
    std::vector<Avis> avis;
    p.DefinirEcouteur([&](const Avis &a) { avis.push_back(a); });
    TPtsImg px = TPtsImg::Creer(6);
    ASSERT_TRUE(p.Executer(FauxPlugin::EcritPuisAnnule, px.data(), 3, 2));
    ASSERT_EQ(avis.size(), 1u);
    EXPECT_FALSE(avis[0].imageModifiee); // 0x7FFFFF00
    EXPECT_TRUE(avis[0].fin);
    EXPECT_FALSE(p.ResultatRetenu());
    avis.clear();
    ASSERT_TRUE(p.Executer(FauxPlugin::EcritEnDeuxTemps, px.data(), 3, 2));
    ASSERT_EQ(avis.size(), 2u);
    EXPECT_TRUE(avis[0].imageModifiee);
    EXPECT_FALSE(avis[0].fin);
    EXPECT_TRUE(avis[1].imageModifiee); // 0x0BAD0001
    EXPECT_TRUE(avis[1].fin);
    EXPECT_TRUE(p.ResultatRetenu());
}

TEST_F(ChargeurFaux, FinAttenduePourUneFenetreQuiResteOuverte) {
    ChargeurPlugin p;
    ASSERT_TRUE(p.Initialiser(FauxPlugin::Points()));
    TPtsImg px = TPtsImg::Creer(1);
    ASSERT_TRUE(p.Executer(FauxPlugin::ResteOuverte, px.data(), 1, 1));
    EXPECT_TRUE(p.FinAttendue());
    EXPECT_TRUE(p.DernierAvis().demandeZone);
    FauxPlugin::Rappeler(1, 1, 0, 0, 1); // later, from the dialog
    EXPECT_TRUE(p.FinRecue());
    EXPECT_FALSE(p.FinAttendue());
    // Silence is not a window left open.
    ASSERT_TRUE(p.Executer(FauxPlugin::Muette, px.data(), 1, 1));
    EXPECT_FALSE(p.FinAttendue());
    EXPECT_FALSE(p.FinRecue());
}

TEST_F(ChargeurFaux, IdentiteOuMenuInvalidesRefuses) {
    {
        FauxPlugin::titre = nullptr;
        ChargeurPlugin p;
        EXPECT_FALSE(p.Initialiser(FauxPlugin::Points()));
        EXPECT_TRUE(p.Erreur().contains("identité"));
    }
    for (int32_t nb : {0, -1, 100000}) {
        FauxPlugin::Reinitialiser();
        FauxPlugin::nbMenu = nb;
        ChargeurPlugin p;
        EXPECT_FALSE(p.Initialiser(FauxPlugin::Points()));
        EXPECT_TRUE(p.Erreur().contains("menu invalide"));
        // Nothing beyond the count was asked for, and no callback handed over.
        EXPECT_EQ(FauxPlugin::appels.back(), "AddMenu 0");
    }
}

// A loader that goes away unhooks itself, so a late notice reaches nobody.
TEST_F(ChargeurFaux, DestructionDecrocheLeRetour) {
    {
        ChargeurPlugin p;
        ASSERT_TRUE(p.Initialiser(FauxPlugin::Points()));
        EXPECT_NE(FauxPlugin::code, nullptr);
    }
    EXPECT_EQ(FauxPlugin::contexte, nullptr);
    FauxPlugin::Rappeler(1, 1, 0, 1, 1); // must not touch the dead loader
}

} // namespace
} // namespace velmora::hote::essai
