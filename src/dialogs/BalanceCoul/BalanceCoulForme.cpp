#include "BalanceCoulDialogue.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr uint8_t BasGauche = AGauche | ABas;
constexpr const char *LumRefs[] = {"Réf = (R + V + B) / 3", "Réf = Max ( R, V , B )"};
constexpr const char *SatCouls[] = {"Non autorisé", "Autorisé"};
constexpr const char *ZoneRefs[] = {"Unique : claire", "Double : claire et sombre"};
constexpr TControle Controles[] = {
    {.Genre = G::Groupe, .Nom = "TeinteEquil", .Place = {5, 5, 306, 71},
     .Texte = " Teinte d'équilibrage "},
    {.Genre = G::Image, .Nom = "Couleurs", .Parent = "TeinteEquil",
     .Place = {11, 20, balancecoul::LargeurBande, balancecoul::HauteurBande}},
    {.Genre = G::Curseur, .Nom = "TempCoul", .Parent = "TeinteEquil", .Place = {2, 35, 302, 26},
     .Min = 0, .Max = NbTempCoul - 1, .Position = balancecoul::PositionDefaut, .Frequence = 1,
     .Graduation = TGraduation::Dessus, .LongueurCurseur = 15, .OrdreTab = 0},
    {.Genre = G::GroupeRadio, .Nom = "LumRef", .Place = {5, 80, 306, 41},
     .Texte = " Luminosité de référence ", .Elements = LumRefs, .Colonnes = 2, .Index = 0,
     .OrdreTab = 1},
    {.Genre = G::GroupeRadio, .Nom = "SatCoul", .Place = {5, 130, 306, 41},
     .Texte = " Saturation des couleurs ", .Elements = SatCouls, .Colonnes = 2, .Index = 0,
     .OrdreTab = 2},
    {.Genre = G::GroupeRadio, .Nom = "ZoneRef", .Place = {5, 180, 306, 41},
     .Texte = " Zones de référence ", .Elements = ZoneRefs, .Colonnes = 2, .Index = 0,
     .OrdreTab = 3},
    BoutonReInit({10, 233, 81, 25}, BasGauche, 4),
    BoutonAnnuler({117, 233, 81, 25}, BasGauche, 5),
    BoutonAppliquer({225, 233, 80, 25}, BasGauche, 6),
};
} // namespace

constinit const TForme FormeBalCoul{
    .Nom = "BalCoul",
    .Titre = "Balance des couleurs",
    .LargeurClient = 316,
    .HauteurClient = 266,
    .PremierPlan = true,
    .Modale = false,
    .Controles = Controles,
};

} // namespace velmora
