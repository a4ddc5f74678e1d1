// TProfGamma's and TAjustLumManu's handler flows against a recording fake of
// their forms: the graph, the readout, the preview's refreshes, the files.
#include "FormeFactice.h"
#include "dialogs/AjustLum/AjustLumDialogue.h"
#include "dialogs/ProfilGamma/ProfilGammaDialogue.h"
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

std::filesystem::path Dossier() {
    auto d = std::filesystem::temp_directory_path() / ("velmora-courbes-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
}

std::string LireTout(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Contient(const std::vector<std::string> &j, const std::string &s) {
    return std::find(j.begin(), j.end(), s) != j.end();
}

template <class D> struct Flux : ::testing::Test {
    Banc<D> banc;
    essai::FormeFactice &f = *banc.forme;
    Notices notices;
    // 2 x 2: a mid grey, a colour, black, white.
    TPtsImg img = banc.Tableau({{100, 100, 100}, {51, 101, 200}, {0, 0, 0}, {255, 255, 255}});

    void Ouvrir(std::function<void()> u) {
        f.utilisateur = std::move(u);
        banc.dialogue.Lancer(img.data(), {2, 2});
    }
    int Apercus() { return f.nbImages["PreVisu"]; }
    std::vector<std::string> Textes() {
        std::vector<std::string> t;
        for (auto &[zone, texte] : f.textes) t.push_back(texte);
        return t;
    }
};

using GammaFlux = Flux<TProfGamma>;
using LumFlux = Flux<TAjustLumManu>;

TEST_F(GammaFlux, OuvertureSurLesCourbesIdentite) {
    // A previous run left edits and another radio item.
    banc.dialogue.Courbes().ProfVert[9] = 0;
    f.controles.at("CoulProfs").index = 3;
    Ouvrir([&] {
        EXPECT_EQ(f.Index("CoulProfs"), 0);
        EXPECT_EQ(banc.dialogue.Courbes().ProfVert, TProfil::Identite());
        EXPECT_EQ(f.images.at("ProfilG"), banc.dialogue.Editeur().Graphe());
        EXPECT_EQ(f.images.at("ProfilG").Pixel(10, 245), CouleurNoire);
        // The thumbnail unprocessed, shown once.
        EXPECT_EQ(Apercus(), 1);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(1, 0), (TPtImg{51, 101, 200}));
        EXPECT_FALSE(ImageModifiee);
        // "X = XXX  Y = YYY" is 96 x 13 pixels on the fake form.
        EXPECT_EQ(banc.dialogue.Zone(), (TRect{422, 269, 96, 12}));
        f.Clic("Annuler");
    });
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, false, true}}));
    EXPECT_EQ(img[1], (TPtImg{51, 101, 200}));
}

TEST_F(GammaFlux, UnGlisserGaucheModifieLaCourbeActiveEtLApercuAuRelachement) {
    Ouvrir([&] {
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 128, 27);
        TProfil attendu = TProfil::Identite();
        ModifProfil(attendu, 128, 27, Noyau::Gamma);
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes, attendu);  // a press alone edits
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes[128], 69);
        f.Souris("ProfilG", Deplacee, 0, BGauche, 255, 255);
        ModifProfil(attendu, 255, 255, Noyau::Gamma);
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes, attendu);
        EXPECT_EQ(f.images.at("ProfilG"), banc.dialogue.Editeur().Graphe());
        EXPECT_EQ(Apercus(), 1);  // not during the drag
        EXPECT_EQ(Textes(), (std::vector<std::string>{"X = 255  Y = 0"}));
        f.Souris("ProfilG", Relachee, BGauche, 0, 255, 255);
        EXPECT_EQ(Apercus(), 2);
        // The thumbnail through the curve: 100 -> 255 - entry[100].
        const uint8_t v = uint8_t(255 - attendu[100]);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{v, v, v}));
        f.Clic("Appliquer");
    });
    const TProfil &p = banc.dialogue.Courbes().ProfToutes;
    const auto sortie = [&](int v) { return uint8_t(std::clamp(255 - p[v], 0, 255)); };
    EXPECT_EQ(img[1], (TPtImg{sortie(51), sortie(101), sortie(200)}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, true, true}}));
}

TEST_F(GammaFlux, AutresEtatsDeSourisNeMettentAJourQueLaLecture) {
    struct {
        uint8_t bouton, boutons, touches;
    } const cas[] = {
        {BGauche, BGauche, TCtrl}, {BGauche, BGauche, TMaj}, {BGauche, BGauche, TAlt},
        {BDroit, BDroit, 0},       {BGauche, BGauche | BDroit, 0}, {0, 0, 0},
    };
    Ouvrir([&] {
        for (const auto &c : cas) {
            f.Souris("ProfilG", Enfoncee, c.bouton, c.boutons, 30, 40, c.touches);
            f.Souris("ProfilG", Deplacee, 0, c.boutons, 31, 41, c.touches);
            EXPECT_EQ(Textes(), (std::vector<std::string>{"X = 31  Y = 214"}));
            const int avant = Apercus();
            f.Souris("ProfilG", Relachee, c.bouton, 0, 31, 41, c.touches);
            EXPECT_EQ(Apercus(), avant + 1);  // the release refreshes whatever the button
        }
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes, TProfil::Identite());
        EXPECT_EQ(f.nbImages["ProfilG"], 1);  // drawn at the opening only
        f.Clic("Annuler");
    });
}

// A double click at (0, 0): the first press edits once, the second only reads.
// After one edit at (0, 0) the gamma kernel leaves entries 0..6 at these rows.
TEST_F(GammaFlux, LeSecondAppuiDUnDoubleClicNeFaitQueLire) {
    Ouvrir([&] {
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 0, 0);
        f.Souris("ProfilG", Relachee, BGauche, 0, 0, 0);
        const int graphes = f.nbImages["ProfilG"];
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 0, 0, 0, true);
        EXPECT_EQ(Textes(), (std::vector<std::string>{"X = 0  Y = 255"}));
        EXPECT_EQ(f.nbImages["ProfilG"], graphes);
        f.Souris("ProfilG", Relachee, BGauche, 0, 0, 0);
        const TProfil &p = banc.dialogue.Courbes().ProfToutes;
        const int32_t lignes[] = {113, 177, 210, 232, 243, 246, 247};
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(p[x], lignes[x]) << x;
        // Dragging on from the second press edits again, as any left drag does.
        f.Souris("ProfilG", Deplacee, 0, BGauche, 0, 0);
        EXPECT_NE(p[1], 177);
        f.Clic("Annuler");
    });
}

TEST_F(GammaFlux, HorsDuGrapheLaLectureEstBruteEtLEditionAuBord) {
    Ouvrir([&] {
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 5, 5);
        f.Souris("ProfilG", Deplacee, 0, BGauche, -20, -15);
        ASSERT_EQ(f.textes.size(), 1u);
        EXPECT_EQ(f.textes[0].second, "X = -20  Y = 270");
        // Left edge 470 - 96 div 2, top of ZoneCoord.
        EXPECT_EQ(f.textes[0].first.Gauche, 422);
        EXPECT_EQ(f.textes[0].first.Haut, 269);
        // Edited at the clamped edge (0, 0).
        TProfil attendu = TProfil::Identite();
        ModifProfil(attendu, 5, 5, Noyau::Gamma);
        ModifProfil(attendu, 0, 0, Noyau::Gamma);
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes, attendu);
        // The readout goes over the dialog, its file group and the thumbnail, not
        // over the radio group.
        f.Souris("CoulProfs", Deplacee, 0, 0, 5, 5);
        EXPECT_EQ(f.textes.size(), 1u);
        for (const char *n : {"ProfGamma", "ProfsG", "PreVisu"}) {
            f.Souris("ProfilG", Deplacee, 0, 0, 1, 1);
            EXPECT_EQ(f.textes.size(), 1u);
            f.Souris(n, Deplacee, 0, 0, 1, 1);
            EXPECT_TRUE(f.textes.empty()) << n;
        }
        f.Clic("Annuler");
    });
}

TEST_F(GammaFlux, LeGroupeRadioChoisitLaCourbe) {
    Ouvrir([&] {
        f.Choisir("CoulProfs", 2);
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 100, 215);
        f.Souris("ProfilG", Relachee, BGauche, 0, 100, 215);
        const profilgamma::Profils &c = banc.dialogue.Courbes();
        EXPECT_NE(c.ProfVert, TProfil::Identite());
        EXPECT_EQ(c.ProfToutes, TProfil::Identite());
        EXPECT_EQ(c.ProfRouge, TProfil::Identite());
        EXPECT_EQ(c.ProfBleu, TProfil::Identite());
        EXPECT_EQ(f.images.at("ProfilG").Pixel(100, c.ProfVert[100]), CouleurVerte);
        f.Choisir("CoulProfs", -1);  // no item: nothing edited
        const profilgamma::Profils avant = c;
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 20, 20);
        EXPECT_EQ(c.ProfToutes, avant.ProfToutes);
        EXPECT_EQ(c.ProfVert, avant.ProfVert);
        f.Clic("Appliquer");
    });
    // Only green changed.
    EXPECT_EQ(img[0].Bleu, 100);
    EXPECT_EQ(img[0].Rouge, 100);
    EXPECT_NE(img[0].Vert, 100);
}

TEST_F(GammaFlux, ChaqueElementRadioEditeSaCourbeEtAucuneAutre) {
    Ouvrir([&] {
        const profilgamma::Profils &c = banc.dialogue.Courbes();
        const TProfil profilgamma::Profils::*courbes[] = {
            &profilgamma::Profils::ProfToutes, &profilgamma::Profils::ProfRouge,
            &profilgamma::Profils::ProfVert, &profilgamma::Profils::ProfBleu};
        for (int32_t i : {3, 0, 2, 1}) {
            const profilgamma::Profils avant = c;
            f.Choisir("CoulProfs", i);
            f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 60 + 20 * i, 30);
            f.Souris("ProfilG", Relachee, BGauche, 0, 60 + 20 * i, 30);
            for (int32_t k = 0; k < 4; ++k)
                EXPECT_EQ(c.*courbes[k] == avant.*courbes[k], k != i) << "item " << i << ", curve " << k;
        }
        f.Clic("Annuler");
    });
}

TEST_F(GammaFlux, AppliquerLeCompose) {
    Ouvrir([&] {
        // All channels: 100 -> 150; green: 150 -> 40 (set as a load would).
        banc.dialogue.Courbes().ProfToutes[100] = 105;
        banc.dialogue.Courbes().ProfVert[150] = 215;
        f.Clic("Appliquer");
    });
    EXPECT_EQ(img[0], (TPtImg{150, 40, 150}));
    EXPECT_EQ(img[1], (TPtImg{51, 101, 200}));
    EXPECT_TRUE(ImageModifiee);
}

TEST_F(GammaFlux, ReinitialiserRemetToutEtRafraichit) {
    Ouvrir([&] {
        f.Choisir("CoulProfs", 1);
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 100, 10);
        f.Souris("ProfilG", Relachee, BGauche, 0, 100, 10);
        const int avant = Apercus();
        f.Clic("ReInit");
        EXPECT_EQ(f.Index("CoulProfs"), 0);
        EXPECT_EQ(banc.dialogue.Courbes().ProfRouge, TProfil::Identite());
        EXPECT_EQ(Apercus(), avant + 1);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(1, 0), (TPtImg{51, 101, 200}));
        f.Clic("Appliquer");
    });
    // Identity curves: every pixel unchanged, and still a result.
    EXPECT_EQ(img[1], (TPtImg{51, 101, 200}));
    EXPECT_EQ(img[3], (TPtImg{255, 255, 255}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, true, true}}));
}

TEST_F(GammaFlux, EnregistrerPuisChargerEtLesEchecs) {
    const auto pfl = Dossier() / "g.pfl";
    const auto court = Dossier() / "court.pfl";
    std::ofstream(court, std::ios::binary) << std::string(2096, '\x01');
    f.fichiers = {pfl, std::nullopt, pfl, court, std::filesystem::path("pas-de-profil-ici.pfl")};
    Ouvrir([&] {
        f.Choisir("CoulProfs", 3);
        f.Souris("ProfilG", Enfoncee, BGauche, BGauche, 60, 60);
        const TProfil bleu = banc.dialogue.Courbes().ProfBleu;
        f.Clic("EnrgProf");
        EXPECT_EQ(LireTout(pfl).size(), 4192u);
        f.Clic("ChargProf");  // cancelled: nothing
        f.Clic("ReInit");
        f.Choisir("CoulProfs", 2);
        const int apercus = Apercus(), graphes = f.nbImages["ProfilG"];
        f.Clic("ChargProf");
        EXPECT_EQ(banc.dialogue.Courbes().ProfBleu, bleu);
        EXPECT_EQ(f.Index("CoulProfs"), 2);  // loading changes no control
        EXPECT_EQ(Apercus(), apercus + 1);
        EXPECT_EQ(f.nbImages["ProfilG"], graphes + 1);
        // Two whole blocks, then the end of the file: neither graph nor thumbnail repainted.
        f.Clic("ChargProf");
        EXPECT_EQ(banc.dialogue.Courbes().ProfToutes[0], 0x01010101);
        EXPECT_EQ(banc.dialogue.Courbes().ProfRouge[0], 0x01010101);
        EXPECT_EQ(banc.dialogue.Courbes().ProfBleu, bleu);
        EXPECT_EQ(Apercus(), apercus + 1);
        EXPECT_EQ(f.nbImages["ProfilG"], graphes + 1);
        EXPECT_TRUE(f.premierPlan);
        f.Clic("ChargProf");
        EXPECT_TRUE(f.premierPlan);
        f.Clic("Annuler");
    });
    const std::vector<std::string> attendu = {
        "Modal",         "PremierPlan 0", "Enregistrer",   "PremierPlan 1",
        "PremierPlan 0", "Ouvrir",        "PremierPlan 1", "PremierPlan 0",
        "Ouvrir",        "PremierPlan 1", "PremierPlan 0", "Ouvrir",
        "PremierPlan 1", "Erreur Lecture au-delà de la fin de fichier.",
        "PremierPlan 0", "Ouvrir",        "PremierPlan 1", "Erreur Fichier introuvable.",
        "Fermer"};
    EXPECT_EQ(f.journal, attendu);
    ASSERT_EQ(f.dialoguesFichier.size(), 5u);
    EXPECT_EQ(f.dialoguesFichier[0].Filtre, "Fichiers Profil G (*.pfl)|*.pfl");
    EXPECT_EQ(f.dialoguesFichier[0].Extension, "pfl");
    EXPECT_EQ(f.dialoguesFichier[0].Dossier, DossierHote());
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, false, true}}));
}

// The graph's background is the system's tooltip colour, asked at each opening;
// $E1FFFF where the system gives none. The frame and the curves lie over it.
TEST_F(LumFlux, LeFondDuGrapheEstCeluiDesInfoBulles) {
    for (const std::optional<TPtImg> systeme : {std::optional<TPtImg>{TPtImg{10, 20, 30}},
                                                std::optional<TPtImg>{}}) {
        f.infoBulle = systeme;
        Ouvrir([&] {
            const TImage &g = f.images.at("ProfilL");
            const TPtImg fond = systeme.value_or(TPtImg{225, 255, 255});
            EXPECT_EQ(g.Pixel(200, 255), fond);
            EXPECT_EQ(g.Pixel(255, 200), fond);
            EXPECT_EQ(g.Pixel(0, 200), CouleurRouge);
            f.Clic("Annuler");
        });
    }
}

TEST_F(LumFlux, GlisserRelacherAppliquer) {
    Ouvrir([&] {
        EXPECT_EQ(banc.dialogue.Zone(), (TRect{422, 269, 96, 12}));
        f.Souris("ProfilL", Enfoncee, BGauche, BGauche, 128, 27);
        TProfil attendu = TProfil::Identite();
        ModifProfil(attendu, 128, 27, Noyau::Luminosite);
        EXPECT_EQ(banc.dialogue.ProfLum(), attendu);
        EXPECT_EQ(banc.dialogue.ProfLum()[128], 79);
        EXPECT_EQ(f.images.at("ProfilL"), banc.dialogue.Editeur().Graphe());
        f.Souris("ProfilL", Deplacee, 0, BGauche | BDroit, 10, 10);  // two buttons: readout only
        EXPECT_EQ(banc.dialogue.ProfLum(), attendu);
        EXPECT_EQ(Apercus(), 1);
        f.Souris("ProfilL", Relachee, BGauche, BDroit, 10, 10);
        EXPECT_EQ(Apercus(), 2);
        for (const char *n : {"AjustLumManu", "ProfsL", "PreVisu"}) {
            f.Souris("ProfilL", Deplacee, 0, 0, 1, 1);
            f.Souris(n, Deplacee, 0, 0, 1, 1);
            EXPECT_TRUE(f.textes.empty()) << n;
        }
        // The curve's example: output 100 at 200.
        banc.dialogue.ProfLum()[200] = 155;
        f.Clic("Appliquer");
    });
    EXPECT_EQ(img[1], (TPtImg{26, 50, 100}));
    EXPECT_EQ(img[2], (TPtImg{0, 0, 0}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, true, true}}));
}

TEST_F(LumFlux, FichiersPluEtPfl) {
    const auto plu = Dossier() / "l.plu";
    const auto pfl = Dossier() / "l.pfl";
    const auto court = Dossier() / "court.plu";
    std::ofstream(court, std::ios::binary) << std::string(1000, '\x02');
    profilgamma::Profils g;
    g.ProfToutes[100] = 5;
    g.ProfRouge[100] = 6;
    profilgamma::EnregistrerPfl(pfl, g);
    f.fichiers = {plu, pfl, court};
    Ouvrir([&] {
        f.Clic("EnrgProf");
        EXPECT_EQ(LireTout(plu).size(), 1048u);
        f.Clic("ChargProf");  // a gamma file gives its all-channel curve
        EXPECT_EQ(banc.dialogue.ProfLum(), g.ProfToutes);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{250, 250, 250}));
        f.Clic("ChargProf");
        EXPECT_EQ(banc.dialogue.ProfLum()[246], 0x02020202);
        EXPECT_EQ(banc.dialogue.ProfLum()[247], g.ProfToutes[247]);
        f.Clic("Annuler");
    });
    EXPECT_TRUE(Contient(f.journal, "Erreur Lecture au-delà de la fin de fichier."));
    EXPECT_EQ(f.dialoguesFichier[0].Filtre, "Fichiers Profil Lum (*.plu)|*.plu");
    EXPECT_EQ(f.dialoguesFichier[0].Extension, "plu");
    EXPECT_EQ(img[0], (TPtImg{100, 100, 100}));  // cancelled: untouched
}

} // namespace
} // namespace velmora
