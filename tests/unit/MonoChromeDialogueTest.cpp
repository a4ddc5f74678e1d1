// TMonoCouleur's handler flows against a recording fake of its form.
#include "FormeFactice.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "imaging/dialogue/DossierHote.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace velmora {
namespace {

using essai::Banc;
using essai::Notice;
using essai::Notices;
constexpr auto Enfoncee = TTypeEvenement::SourisEnfoncee;
constexpr auto Deplacee = TTypeEvenement::SourisDeplacee;
constexpr auto Relachee = TTypeEvenement::SourisRelachee;

struct MonoFlux : ::testing::Test {
    Banc<TMonoCouleur> banc;
    essai::FormeFactice &f = *banc.forme;
    Notices notices;
    TPtsImg img = banc.Tableau(std::vector<TPtImg>(4, TPtImg{128, 128, 128}));

    // Opens the dialog on img and runs the user.
    void Ouvrir(std::function<void()> u) {
        f.utilisateur = std::move(u);
        banc.dialogue.Lancer(img.data(), {2, 2});
    }
    void Glisse(int32_t x, int32_t y, uint8_t touches = 0) {
        f.Souris("ChoixCoul", Deplacee, 0, BGauche, x, y, touches);
    }
};

TEST_F(MonoFlux, LeSelecteurEstDessineUneFoisAvecSonRepereAuCentre) {
    const TImage &s = banc.dialogue.Selecteur();
    EXPECT_EQ(s.Pixel(0, 0), (TPtImg{200, 201, 202}));  // the system's button face
    // Erasing the marker gives back the bare picker, byte for byte.
    TImage nu = s;
    nu.EllipseXor(99, 99, 109, 109);
    const auto brut = monochrome::ImageSelecteur(monochrome::Geometrie::De(208, 208), 208, 208,
                                                 TPtImg{200, 201, 202});
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 208; ++x) ASSERT_EQ(nu.Pixel(x, y), brut[std::size_t(y) * 208 + x]);
    EXPECT_FALSE(nu == s);
    EXPECT_EQ(f.images.at("ChoixCoul"), s);
}

TEST_F(MonoFlux, GlisserVersUnCoinDonneSesPoidsEtLeGris) {
    Ouvrir([&] {
        EXPECT_EQ(f.TexteDe("CoeffR"), "kR = 0,33");
        f.Souris("ChoixCoul", Enfoncee, BGauche, BGauche, 104, 104);
        Glisse(104, 4);  // the red corner
        EXPECT_EQ(f.TexteDe("CoeffR"), "kR = 1,00");
        EXPECT_EQ(f.TexteDe("CoeffV"), "kV = 0,00");
        f.Souris("ChoixCoul", Relachee, BGauche, 0, 104, 4);
        EXPECT_EQ(banc.dialogue.Repere(), (monochrome::Point{104, 4}));
        f.Clic("Appliquer");
    });
    // Red alone through the identity tables: a red-only pixel keeps its red as grey.
    EXPECT_EQ(img[0], (TPtImg{128, 128, 128}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, true, true}}));
}

TEST_F(MonoFlux, HorsDuDisqueLeCurseurRevientSurLeCercle) {
    Ouvrir([&] {
        f.Souris("ChoixCoul", Enfoncee, BGauche, BGauche, 104, 104);
        Glisse(104, 300);  // 196 below the centre: back to radius 100
        EXPECT_EQ(f.journal.back(), "Souris ChoixCoul 104,204");
        const std::size_t avant = f.journal.size();
        Glisse(150, 150, TCtrl);  // not the plain left button: nothing
        f.Souris("ChoixCoul", Deplacee, 0, BDroit, 150, 150);
        EXPECT_EQ(f.journal.size(), avant);
        EXPECT_EQ(banc.dialogue.Repere(), (monochrome::Point{104, 300}));
        f.Clic("Annuler");
    });
}

TEST_F(MonoFlux, UneTeinteDeLaListeTeinteLeResultat) {
    Ouvrir([&] {
        f.Choisir("ChoixTeinte", 11);  // "Sanguine : $850606": 128 -> (139, 17, 17)
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{17, 17, 139}));
        f.Clic("Appliquer");
    });
    EXPECT_EQ(img[3], (TPtImg{17, 17, 139}));
}

TEST_F(MonoFlux, AutreTeinteApresLaListeAjouteUneEntree) {
    f.couleurs = {0x00406080u, std::nullopt};  // R 0x80, G 0x60, B 0x40; then cancelled
    f.saisies = {std::nullopt};              // the name box cancelled: "Teinte"
    Ouvrir([&] {
        f.Choisir("ChoixTeinte", 14);
        EXPECT_EQ(f.journal.back(), "Modal");  // nothing before the list is done
        f.ExecuterDifferes();
        auto e = f.Elements("ChoixTeinte");
        ASSERT_EQ(e.size(), 16u);
        EXPECT_EQ(e[14], "Teinte : $806040");
        EXPECT_EQ(e[15], "Autre teinte ...");
        EXPECT_EQ(f.Index("ChoixTeinte"), 14);
        EXPECT_TRUE(f.premierPlan);
        // Cancelled this time: back to the tint chosen before.
        f.Choisir("ChoixTeinte", 15);
        f.ExecuterDifferes();
        EXPECT_EQ(f.Index("ChoixTeinte"), 14);
        f.Clic("Annuler");
    });
    const std::vector<std::string> attendu = {
        "Modal", "PremierPlan 0", "Couleur", "Saisie Nouvelle teinte|Nom de la nouvelle teinte :|Teinte",
        "PremierPlan 1", "PremierPlan 0", "Couleur", "PremierPlan 1", "Fermer"};
    EXPECT_EQ(f.journal, attendu);
}

// A typed name with characters Windows-1252 lacks is shown as the file will
// hold it ('?' for each), so the list and the file agree.
TEST_F(MonoFlux, UnNomHorsDeWindows1252EstMontreCommeIlSeraEnregistre) {
    const auto fichier = std::filesystem::temp_directory_path() /
                         ("velmora-nom-" + std::to_string(::getpid()) + ".uni");
    f.couleurs = {0x00406080u};
    f.saisies = {std::string("Thé€ ő☃")};
    f.fichiers = {fichier, fichier};
    Ouvrir([&] {
        f.Choisir("ChoixTeinte", 14);
        f.ExecuterDifferes();
        EXPECT_EQ(f.Texte("ChoixTeinte"), "Thé€ ?? : $806040");
        f.Clic("EnrgTeinte");
        f.Clic("ChargTeinte");
        f.Clic("Annuler");
    });
    std::ifstream in(fichier, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Th\xE9\x80 ?? : $806040");
    const auto e = f.Elements("ChoixTeinte");
    ASSERT_EQ(e.size(), 17u);
    EXPECT_EQ(e[15], e[14]);
    std::filesystem::remove(fichier);
}

// The tints added live as long as the dialog: a form made anew (the toolkit's
// application object replaced) lists them again, in their order, before
// "Autre teinte ...".
TEST_F(MonoFlux, LesTeintesAjouteesSurviventAUneNouvelleForme) {
    f.couleurs = {0x00406080u, 0x00010203u};
    f.saisies = {std::string("Une"), std::string("Deux")};
    Ouvrir([&] {
        for (int i : {14, 15}) {
            f.Choisir("ChoixTeinte", i);
            f.ExecuterDifferes();
        }
        f.Clic("Annuler");
    });
    auto nouvelle = std::make_unique<essai::FormeFactice>(banc.dialogue.Table(), banc.dialogue);
    essai::FormeFactice &g = *nouvelle;
    banc.dialogue.Attacher(std::move(nouvelle), 2);
    const auto e = g.Elements("ChoixTeinte");
    ASSERT_EQ(e.size(), 17u);
    EXPECT_EQ(e[14], "Une : $806040");
    EXPECT_EQ(e[15], "Deux : $030201");
    EXPECT_EQ(e[16], "Autre teinte ...");
    EXPECT_EQ(g.Index("ChoixTeinte"), 0);
}

TEST_F(MonoFlux, EnregistrerPuisChargerUneTeinte) {
    const auto dossier = std::filesystem::temp_directory_path() /
                         ("velmora-uni-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dossier);
    const auto fichier = dossier / "neutre.uni";
    f.fichiers = {fichier, fichier};
    Ouvrir([&] {
        f.Clic("EnrgTeinte");
        f.Clic("ChargTeinte");
        f.Clic("Annuler");
    });
    std::ifstream in(fichier, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Neutre : $808080");
    const auto e = f.Elements("ChoixTeinte");
    EXPECT_EQ(e[14], "Neutre : $808080");
    EXPECT_EQ(e[15], "Autre teinte ...");
    ASSERT_EQ(f.dialoguesFichier.size(), 2u);
    EXPECT_EQ(f.dialoguesFichier[0].Filtre, "Fichiers Monochrome (*.uni)|*.uni");
    EXPECT_EQ(f.dialoguesFichier[0].Extension, "uni");
    EXPECT_EQ(f.dialoguesFichier[0].Dossier, DossierHote());
    EXPECT_FALSE(DossierHote().empty());
    std::filesystem::remove_all(dossier);
}

TEST_F(MonoFlux, UnFichierAbsentParNomRelatifDitFichierIntrouvable) {
    f.fichiers = {std::filesystem::path("pas-de-teinte-ici.uni")};
    Ouvrir([&] {
        f.Clic("ChargTeinte");
        EXPECT_EQ(f.Elements("ChoixTeinte").size(), 15u);  // list unchanged
        EXPECT_TRUE(f.premierPlan);                         // back on top before the box
        f.Clic("Annuler");
    });
    EXPECT_NE(std::find(f.journal.begin(), f.journal.end(), "Erreur Fichier introuvable."),
              f.journal.end());
}

TEST_F(MonoFlux, ReinitialiserRemetLeRepereEtLaListe) {
    Ouvrir([&] {
        f.Choisir("ChoixTeinte", 3);
        f.Souris("ChoixCoul", Enfoncee, BGauche, BGauche, 30, 150);
        f.Souris("ChoixCoul", Relachee, BGauche, 0, 30, 150);
        f.Clic("ReInit");
        EXPECT_EQ(f.Index("ChoixTeinte"), 0);
        EXPECT_EQ(banc.dialogue.Repere(), (monochrome::Point{104, 104}));
        EXPECT_EQ(f.TexteDe("CoeffB"), "kB = 0,33");
        f.Clic("Appliquer");
    });
    // Identity tables and centre weights: grey in, grey out.
    EXPECT_EQ(img[0], (TPtImg{128, 128, 128}));
}

} // namespace
} // namespace velmora
