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
    Zone,     // operation 7, mode 1: the first a pixels of the image sent as the zone
    DoubleClic,  // on a picture at (a, b): a left click, then a double click's second press and release
    FinDeBoucle, // the dialog's loop ended by the system, no button pressed
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
        {"op 2 : boucle finie sans bouton", 2, 33, 17, "AjustCoul",
         {{G::Curseur, "PosLuminosite", 80}, {G::FinDeBoucle, nullptr}}},
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
        {"op 3 : deux courbes tirées, Appliquer", 3, 257, 131, "ProfGamma",
         {{G::Glisser, "ProfilG", 64, 192, 64, 120}, {G::Clic, "CoulProfs_1"},
          {G::Glisser, "ProfilG", 192, 64, 192, 110}, {G::Clic, "Appliquer"}}},
        {"op 3 : double clic sur le graphe, Appliquer", 3, 64, 48, "ProfGamma",
         {{G::DoubleClic, "ProfilG", 0, 0}, {G::Clic, "Appliquer"}}},
        {"op 3 : Annuler", 3, 30, 20, "ProfGamma",
         {{G::Glisser, "ProfilG", 128, 128, 100, 40}, {G::Clic, "Annuler"}}},
        {"op 4 : courbe tirée, Appliquer (photo)", 4, 0, 0, "AjustLumManu",
         {{G::Glisser, "ProfilL", 128, 128, 128, 60}, {G::Clic, "Appliquer"}}},
        {"op 4 : Échap", 4, 30, 20, "AjustLumManu",
         {{G::Glisser, "ProfilL", 60, 196, 60, 150}, {G::Touche, nullptr, 1}}},
        {"op 8 : grain, Appliquer", 8, 120, 80, "AjoutGrain",
         {{G::Curseur, "NivBr", 60}, {G::Curseur, "TxCl", 7}, {G::Curseur, "DstPt", 4},
          {G::Clic, "Appliquer"}}},
        {"op 8 : pseudo-aléatoire, Appliquer", 8, 90, 70, "AjoutGrain",
         {{G::Clic, "PseudoAlea"}, {G::Curseur, "NivBr", 120}, {G::Curseur, "Ord1", 5},
          {G::Clic, "Appliquer"}}},
        {"op 8 : Annuler", 8, 40, 40, "AjoutGrain",
         {{G::Curseur, "NivBr", 50}, {G::Clic, "Annuler"}}},
        {"op 8 : Réinitialiser puis Appliquer", 8, 60, 40, "AjoutGrain",
         {{G::Curseur, "NivBr", 200}, {G::Clic, "TacheAlea"}, {G::Clic, "BitBtn1"},
          {G::Curseur, "DstPt", 2}, {G::Clic, "Appliquer"}}},
        {"op 7 : température et méthodes, Appliquer", 7, 100, 60, "BalCoul",
         {{G::Curseur, "TempCoul", 20}, {G::Clic, "LumRef_1"}, {G::Clic, "SatCoul_1"},
          {G::Curseur, "TempCoul", 50}, {G::Zone, nullptr, 700}, {G::Clic, "Appliquer"}}},
        {"op 7 : deux zones, Appliquer", 7, 80, 50, "BalCoul",
         {{G::Clic, "ZoneRef_1"}, {G::Zone, nullptr, 300}, {G::Curseur, "TempCoul", 10},
          {G::Zone, nullptr, 1500}, {G::Clic, "Appliquer"}}},
        {"op 7 : Échap (dialogue non modal)", 7, 40, 30, "BalCoul",
         {{G::Curseur, "TempCoul", 30}, {G::Zone, nullptr, 200}, {G::Touche, nullptr, 1}}},
        {"op 7 : Réinitialiser puis Appliquer", 7, 60, 20, "BalCoul",
         {{G::Curseur, "TempCoul", 5}, {G::Zone, nullptr, 300}, {G::Clic, "ReInit"},
          {G::Curseur, "TempCoul", 66}, {G::Zone, nullptr, 100}, {G::Clic, "Appliquer"}}},
        {"op 7 : Annuler", 7, 50, 30, "BalCoul",
         {{G::Curseur, "TempCoul", 60}, {G::Zone, nullptr, 400}, {G::Clic, "Annuler"}}},
    };
}

} // namespace scenarios
