#include "AjustLumDialogue.h"

#include "imaging/dialogue/Apercu.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr uint8_t BasGauche = AGauche | ABas;
constexpr TControle Controles[] = {
    {.Genre = G::Image, .Nom = "ProfilL", .Place = {340, 10, 256, 256}},
    {.Genre = G::Groupe, .Nom = "ProfsL", .Place = {340, 320, 256, 51},
     .Texte = " Profils de Luminosité "},
    {.Genre = G::Bouton, .Nom = "ChargProf", .Parent = "ProfsL", .Place = {22, 17, 92, 25},
     .Texte = "Charger", .Glyphe = TGlyphe::Charger, .OrdreTab = 0},
    {.Genre = G::Bouton, .Nom = "EnrgProf", .Parent = "ProfsL", .Place = {142, 17, 92, 25},
     .Texte = "Enregistrer", .Glyphe = TGlyphe::Enregistrer, .OrdreTab = 1},
    BoutonReInit({20, 343, 81, 25}, BasGauche, 2),
    BoutonAnnuler({127, 343, 81, 25}, BasGauche, 3),
    BoutonAppliquer({235, 343, 81, 25}, BasGauche, 4),
    PanneauApercu(),
    ImageApercu,
};
} // namespace

constinit const TForme FormeAjustLumManu{
    .Nom = "AjustLumManu",
    .Titre = "Ajustement du profil du Gamma",
    .LargeurClient = 606,
    .HauteurClient = 380,
    .PremierPlan = true,
    .Modale = true,
    .Controles = Controles,
};

} // namespace velmora
