#include "ProfilGammaDialogue.h"

#include "imaging/dialogue/Apercu.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr uint8_t BasGauche = AGauche | ABas;
constexpr const char *Couleurs[] = {"Toutes", "Rouge", "Vert", "Bleu"};
constexpr TControle Controles[] = {
    {.Genre = G::Image, .Nom = "ProfilG", .Place = {340, 10, 256, 256}},
    {.Genre = G::GroupeRadio, .Nom = "CoulProfs", .Place = {340, 280, 256, 41},
     .Texte = " Couleurs ", .Elements = Couleurs, .Colonnes = 4, .Index = 0, .OrdreTab = 0},
    {.Genre = G::Groupe, .Nom = "ProfsG", .Place = {340, 325, 256, 46}, .Texte = " Profils Gamma "},
    {.Genre = G::Bouton, .Nom = "ChargProf", .Parent = "ProfsG", .Place = {22, 15, 92, 25},
     .Texte = "Charger", .Glyphe = TGlyphe::Charger, .OrdreTab = 1},
    {.Genre = G::Bouton, .Nom = "EnrgProf", .Parent = "ProfsG", .Place = {142, 15, 92, 25},
     .Texte = "Enregistrer", .Glyphe = TGlyphe::Enregistrer, .OrdreTab = 2},
    BoutonReInit({20, 343, 81, 25}, BasGauche, 3),
    BoutonAnnuler({127, 343, 81, 25}, BasGauche, 4),
    BoutonAppliquer({235, 343, 81, 25}, BasGauche, 5),
    PanneauApercu(),
    ImageApercu,
};
} // namespace

constinit const TForme FormeProfGamma{
    .Nom = "ProfGamma",
    .Titre = "Ajustement du profil du Gamma",
    .LargeurClient = 606,
    .HauteurClient = 380,
    .PremierPlan = true,
    .Modale = true,
    .Controles = Controles,
};

} // namespace velmora
