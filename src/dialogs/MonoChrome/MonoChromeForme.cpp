#include "MonoChromeDialogue.h"

#include "imaging/dialogue/Apercu.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr uint8_t BasGauche = AGauche | ABas;
constexpr TControle Controles[] = {
    PanneauApercu(),
    ImageApercu,
    {.Genre = G::Groupe, .Nom = "FiltreImage", .Place = {340, 5, 256, 261},
     .Texte = " Filtrage de l'original "},
    {.Genre = G::Image, .Nom = "ChoixCoul", .Parent = "FiltreImage",
     .Place = {24, 32, monochrome::TailleSelecteur, monochrome::TailleSelecteur}},
    {.Genre = G::Etiquette, .Nom = "CoeffR", .Parent = "FiltreImage", .Place = {105, 15},
     .Texte = "kR", .CouleurTexte = 0x0000FF},
    {.Genre = G::Etiquette, .Nom = "CoeffV", .Parent = "FiltreImage", .Place = {10, 210},
     .Texte = "kV", .CouleurTexte = 0x008000},
    {.Genre = G::Etiquette, .Nom = "CoeffB", .Parent = "FiltreImage", .Place = {200, 210},
     .Texte = "kB", .CouleurTexte = 0xFF0000},
    {.Genre = G::Groupe, .Nom = "MonoChr", .Place = {340, 275, 256, 91}, .Texte = " Monochromes "},
    {.Genre = G::Liste, .Nom = "ChoixTeinte", .Parent = "MonoChr", .Place = {15, 20, 116, 0},
     .Elements = monochrome::ListeTeintes, .Index = 0},
    {.Genre = G::Bouton, .Nom = "ChargTeinte", .Parent = "MonoChr", .Place = {147, 20, 92, 25},
     .Texte = "Charger", .Glyphe = TGlyphe::Charger},
    {.Genre = G::Bouton, .Nom = "EnrgTeinte", .Parent = "MonoChr", .Place = {147, 55, 92, 25},
     .Texte = "Enregistrer", .Glyphe = TGlyphe::Enregistrer},
    BoutonReInit({20, 343, 81, 25}, BasGauche),
    BoutonAnnuler({127, 343, 81, 25}, BasGauche),
    BoutonAppliquer({235, 343, 81, 25}, BasGauche),
};
} // namespace

constinit const TForme FormeMonoCouleur{
    .Nom = "MonoCouleur",
    .Titre = "Réalisation de Monochrome",
    .LargeurClient = 606,
    .HauteurClient = 380,
    .PremierPlan = true,
    .Modale = true,
    .Controles = Controles,
};

} // namespace velmora
