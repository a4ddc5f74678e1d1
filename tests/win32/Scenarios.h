// What a user does in the dialogs, the same on both systems: the Linux side
// (velmora-attendus-dialogues) plays each scenario on the Qt forms and writes
// the bytes and callbacks it got; the Windows test host plays it on the
// native forms and compares. Controls are found by their name.
#pragma once

#include <cstdint>
#include <vector>

namespace scenarios {

enum class Geste : uint8_t {
    Curseur,  // slider moved to a, then the mouse button released on it
    Clic,     // a button, radio button or check box clicked
    Liste,    // item a chosen in a drop-down list
    Glisser,  // left button pressed at (a, b) on a picture, dragged to (c, d), released
    Touche,   // a key pressed in the dialog: a = 0 Enter, 1 Escape
};

struct Action {
    Geste geste;
    const char *controle;
    int32_t a = 0, b = 0, c = 0, d = 0;
};

struct Scenario {
    const char *nom;
    uint32_t operation;
    int32_t largeur, hauteur;  // 0 x 0: the sample photograph
    const char *forme;         // the form's name
    std::vector<Action> actions;  // the last one closes the dialog
};

inline std::vector<Scenario> Tous() {
    using G = Geste;
    return {
        {"op 2 : quatre curseurs, Appliquer (photo)", 2, 0, 0, "AjustCoul",
         {{G::Curseur, "PosGamma", 20}, {G::Curseur, "PosContraste", 70},
          {G::Curseur, "PosLuminosite", 40}, {G::Curseur, "PosSaturation", -30},
          {G::Clic, "Appliquer"}}},
        {"op 2 : gamma et saturation extrêmes, Appliquer", 2, 257, 131, "AjustCoul",
         {{G::Curseur, "PosGamma", -50}, {G::Curseur, "PosSaturation", 100},
          {G::Clic, "Appliquer"}}},
        {"op 2 : Réinitialiser puis Appliquer", 2, 64, 48, "AjustCoul",
         {{G::Curseur, "PosGamma", 35}, {G::Curseur, "PosContraste", 5},
          {G::Clic, "ReInit"}, {G::Curseur, "PosLuminosite", 60}, {G::Clic, "Appliquer"}}},
        {"op 2 : Annuler", 2, 100, 50, "AjustCoul",
         {{G::Curseur, "PosGamma", 10}, {G::Curseur, "PosContraste", 90}, {G::Clic, "Annuler"}}},
        {"op 2 : Entrée, le bouton par défaut", 2, 33, 17, "AjustCoul",
         {{G::Curseur, "PosSaturation", 55}, {G::Touche, nullptr, 0}}},
        {"op 2 : Échap", 2, 33, 17, "AjustCoul",
         {{G::Curseur, "PosLuminosite", 80}, {G::Touche, nullptr, 1}}},
        {"op 9 : glisser sur le sélecteur, Appliquer (photo)", 9, 0, 0, "MonoCouleur",
         {{G::Glisser, "ChoixCoul", 104, 104, 60, 80}, {G::Clic, "Appliquer"}}},
        {"op 9 : teinte de la liste et glisser, Appliquer", 9, 257, 131, "MonoCouleur",
         {{G::Liste, "ChoixTeinte", 3}, {G::Glisser, "ChoixCoul", 104, 104, 150, 95},
          {G::Clic, "Appliquer"}}},
        {"op 9 : Réinitialiser puis Appliquer", 9, 40, 30, "MonoCouleur",
         {{G::Liste, "ChoixTeinte", 5}, {G::Glisser, "ChoixCoul", 104, 104, 30, 120},
          {G::Clic, "ReInit"}, {G::Clic, "Appliquer"}}},
        {"op 9 : Annuler", 9, 50, 50, "MonoCouleur",
         {{G::Liste, "ChoixTeinte", 2}, {G::Glisser, "ChoixCoul", 104, 104, 150, 150},
          {G::Clic, "Annuler"}}},
        {"op 9 : Échap", 9, 20, 20, "MonoCouleur",
         {{G::Glisser, "ChoixCoul", 104, 104, 100, 60}, {G::Touche, nullptr, 1}}},
    };
}

} // namespace scenarios
