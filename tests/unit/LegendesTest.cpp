// The room each form's table leaves its texts, worked out by hand from the
// tables' places (13: one line of text).
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/BalanceCoul/BalanceCoulDialogue.h"
#include "dialogs/GrainOuBr/GrainOuBrDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "imaging/dialogue/Legendes.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

int32_t PlaceDe(const TForme &f, std::string_view texte) {
    for (const TLegende &l : Legendes(f, 13))
        if (l.Texte == texte) return l.Place;
    ADD_FAILURE() << "no text " << texte;
    return -1;
}

TEST(Legendes, PlacesDesTables) {
    const struct {
        const TForme *forme;
        const char *texte;
        int32_t place;
    } cas[] = {
        {&FormeAjustCoul, "Luminosité :", 405 - 345},  // up to its slider
        {&FormeAjustCoul, "Saturation :", 405 - 345},
        {&FormeAjustCoul, "Réinitialiser", 80},          // a button: its width
        {&FormeAjoutGrain, "Taches aléatoires", 170 - 30},  // up to the panel
        {&FormeAjoutGrain, "Pseudo-aléatoire", 330 - 190},  // up to the form's edge
        {&FormeAjoutGrain, "K(n-1)", 220 - 185},
        {&FormeBalCoul, "Double : claire et sombre", (306 - 16) / 2},  // one of two columns
        {&FormeBalCoul, " Zones de référence ", 306},
        {&FormeMonoCouleur, "Neutre : $808080", 116},  // the list's width
        {&FormeMonoCouleur, "kB", 256 - 200},  // the group's edge; not the picker it stands on
        {&FormeMonoCouleur, "kV", 200 - 10},   // up to kB on the same line
        {&FormeMonoCouleur, "Enregistrer", 92},
    };
    for (const auto &c : cas) EXPECT_EQ(PlaceDe(*c.forme, c.texte), c.place) << c.texte;
}

// Every caption and item is there once: the list's fifteen entries, the radio
// groups' items after their caption.
TEST(Legendes, ChaqueTexteUneFois) {
    int liste = 0;
    for (const TLegende &l : Legendes(FormeMonoCouleur, 13))
        if (std::string_view(l.Controle->Nom) == "ChoixTeinte") ++liste;
    EXPECT_EQ(liste, 15);
    const auto b = Legendes(FormeBalCoul, 13);
    std::vector<std::string> textes;
    for (const TLegende &l : b)
        if (std::string_view(l.Controle->Nom) == "ZoneRef")
            textes.push_back(std::to_string(l.Element) + " " + std::string(l.Texte));
    EXPECT_EQ(textes, (std::vector<std::string>{"-1  Zones de référence ", "0 Unique : claire",
                                                 "1 Double : claire et sombre"}));
}

TEST(Legendes, PlaceDesElementsDUnGroupe) {
    const TControle *g = FormeBalCoul.Controle("ZoneRef");  // 306 x 41, two columns
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(PlaceElement(*g, 0), (TRect{8, 16, 145, 21}));
    EXPECT_EQ(PlaceElement(*g, 1), (TRect{153, 16, 145, 21}));
}

} // namespace
} // namespace velmora
