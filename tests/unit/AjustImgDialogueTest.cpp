// TAjustCoul's handler flows against a recording fake of its form.
#include "FormeFactice.h"
#include "dialogs/AjustImg/AjustImgDialogue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

using essai::Banc;
using essai::Notice;
using essai::Notices;

std::vector<TPtImg> Gris(std::size_t n, uint8_t v) { return std::vector<TPtImg>(n, {v, v, v}); }

struct AjustCoulFlux : ::testing::Test {
    Banc<TAjustCoul> banc;
    essai::FormeFactice &f = *banc.forme;
    Notices notices;
};

TEST_F(AjustCoulFlux, OuvertureMontreLesDefautsEtLApercuCentre) {
    TPtsImg img = banc.Tableau(Gris(100 * 50, 90));
    f.utilisateur = [&] {
        EXPECT_EQ(f.TexteDe("ValG"), "1,00");
        EXPECT_EQ(f.TexteDe("ValC"), "50 %");
        EXPECT_EQ(f.TexteDe("ValL"), "50 %");
        EXPECT_EQ(f.TexteDe("ValS"), "0 %");
        // 100 x 50: thumbnail 100 x 50 at 111, 136 inside the panel.
        EXPECT_EQ(f.controles.at("PreVisu").place, (TRect{111, 136, 100, 50}));
        EXPECT_EQ(f.images.at("PreVisu").Pixel(99, 49), (TPtImg{90, 90, 90}));
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {100, 50});
    EXPECT_EQ(f.journal, (std::vector<std::string>{"Modal", "Fermer"}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{100, 50, false, false, true}}));
}

TEST_F(AjustCoulFlux, UnCurseurEcritSonEtiquetteEtRafraichitDeuxFois) {
    TPtsImg img = banc.Tableau(Gris(4, 128));
    f.separateur = ".";
    f.utilisateur = [&] {
        const int avant = f.nbImages["PreVisu"];
        f.Glisser("PosGamma", 5);
        EXPECT_EQ(f.TexteDe("ValG"), "1.30");  // the user's separator
        EXPECT_EQ(f.nbImages["PreVisu"], avant + 2);  // change, then release
        f.Glisser("PosSaturation", -35);
        EXPECT_EQ(f.TexteDe("ValS"), "-35 %");
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {2, 2});
}

TEST_F(AjustCoulFlux, AppliquerEcritLImageDeLHoteEtLeDit) {
    // Gamma 10 (position 50): 128 -> 238; the preview shows the same bytes.
    TPtsImg img = banc.Tableau(Gris(6, 128));
    f.utilisateur = [&] {
        f.Glisser("PosGamma", 50);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{238, 238, 238}));
        f.Clic("Appliquer");
    };
    banc.dialogue.Lancer(img.data(), {3, 2});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(img[i], (TPtImg{238, 238, 238}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{3, 2, false, true, true}}));
}

// However the dialog ends without "Appliquer" (the button, Escape or the close
// box, or its loop ended with no event at all): every byte stays, and the host
// gets exactly one final notice.
TEST_F(AjustCoulFlux, AnnulerOuFermerLaissentChaqueOctet) {
    for (const char *sortie : {"Annuler", "AjustCoul", "sans bouton"}) {
        Notices n;
        TPtsImg img = banc.Tableau({{1, 2, 3}, {250, 128, 7}});
        f.utilisateur = [&] {
            f.Glisser("PosContraste", 100);
            f.Glisser("PosLuminosite", 20);
            if (std::string_view(sortie) == "Annuler") f.Clic("Annuler");
            else if (std::string_view(sortie) == "AjustCoul")
                f.Evenement("AjustCoul", TTypeEvenement::Fermeture);  // Escape, close box
        };
        banc.dialogue.Lancer(img.data(), {2, 1});
        EXPECT_EQ(img[0], (TPtImg{1, 2, 3})) << sortie;
        EXPECT_EQ(img[1], (TPtImg{250, 128, 7})) << sortie;
        EXPECT_EQ(*n, (std::vector<Notice>{{2, 1, false, false, true}})) << sortie;
    }
}

// An event that reaches the dialog after it has closed (queued by the toolkit)
// runs no handler: no label, no preview, no pixel, no notice.
TEST_F(AjustCoulFlux, UnEvenementApresLaFermetureNeFaitRien) {
    TPtsImg img = banc.Tableau(Gris(2, 80));
    f.utilisateur = [&] { f.Clic("Annuler"); };
    banc.dialogue.Lancer(img.data(), {2, 1});
    const auto journal = f.journal;
    const auto apercus = f.nbImages["PreVisu"];
    const auto notices0 = notices->size();
    f.Glisser("PosLuminosite", 0);
    f.Clic("ReInit");
    f.Clic("Appliquer");
    f.Clic("Annuler");
    f.Evenement("AjustCoul", TTypeEvenement::Fermeture);
    EXPECT_EQ(f.TexteDe("ValL"), "50 %");
    EXPECT_EQ(f.nbImages["PreVisu"], apercus);
    EXPECT_EQ(f.journal, journal);
    EXPECT_EQ(notices->size(), notices0);
    EXPECT_EQ(img[0], (TPtImg{80, 80, 80}));
}

TEST_F(AjustCoulFlux, ReinitialiserRemetCurseursEtApercu) {
    TPtsImg img = banc.Tableau(Gris(4, 60));
    f.utilisateur = [&] {
        f.Glisser("PosLuminosite", 0);
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{0, 0, 0}));
        f.Clic("ReInit");
        EXPECT_EQ(f.Position("PosLuminosite"), 50);
        EXPECT_EQ(f.TexteDe("ValL"), "50 %");
        EXPECT_EQ(f.images.at("PreVisu").Pixel(0, 0), (TPtImg{60, 60, 60}));
        f.Clic("Appliquer");  // at the defaults, still a result
    };
    banc.dialogue.Lancer(img.data(), {2, 2});
    EXPECT_EQ(img[0], (TPtImg{60, 60, 60}));
    EXPECT_EQ(*notices, (std::vector<Notice>{{2, 2, false, true, true}}));
}

TEST_F(AjustCoulFlux, UneSecondeOuvertureDepuisLeRappelEstIgnoree) {
    TPtsImg img = banc.Tableau(Gris(4, 10)), autre = banc.Tableau(Gris(1, 99));
    f.utilisateur = [&] {
        banc.dialogue.Lancer(autre.data(), {1, 1});  // a host re-entering from a callback
        f.Glisser("PosLuminosite", 100);
        f.Clic("Appliquer");
    };
    banc.dialogue.Lancer(img.data(), {2, 2});
    EXPECT_EQ(std::count(f.journal.begin(), f.journal.end(), "Modal"), 1);
    EXPECT_EQ(img[3], (TPtImg{255, 255, 255}));
    EXPECT_EQ(autre[0], (TPtImg{99, 99, 99}));
}

TEST_F(AjustCoulFlux, LesCurseursReviennentAChaqueOuverture) {
    TPtsImg img = banc.Tableau(Gris(1, 10));
    f.utilisateur = [&] {
        f.Glisser("PosSaturation", 80);
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {1, 1});
    f.utilisateur = [&] {
        EXPECT_EQ(f.Position("PosSaturation"), 0);
        EXPECT_EQ(f.TexteDe("ValS"), "0 %");
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {1, 1});
}

} // namespace
} // namespace velmora
