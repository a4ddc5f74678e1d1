#include "AjustImgDialogue.h"

#include "imaging/dialogue/Apercu.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr TControle Controles[] = {
    PanneauApercu(6),
    ImageApercu,
    {.Genre = G::Etiquette, .Nom = "Label1", .Place = {345, 35}, .Texte = "Gamma :"},
    {.Genre = G::Curseur, .Nom = "PosGamma", .Place = {405, 30, 201, 36},
     .Min = -50, .Max = 50, .Position = 0, .Frequence = 5, .OrdreTab = 0},
    {.Genre = G::Etiquette, .Nom = "ValG", .Place = {608, 35}},
    {.Genre = G::Etiquette, .Nom = "Label2", .Place = {345, 85}, .Texte = "Contraste :"},
    {.Genre = G::Curseur, .Nom = "PosContraste", .Place = {405, 80, 201, 36},
     .Min = 0, .Max = 100, .Position = 50, .Frequence = 5, .OrdreTab = 1},
    {.Genre = G::Etiquette, .Nom = "ValC", .Place = {608, 85}},
    {.Genre = G::Etiquette, .Nom = "Label3", .Place = {345, 135}, .Texte = "Luminosité :"},
    {.Genre = G::Curseur, .Nom = "PosLuminosite", .Place = {405, 130, 201, 45},
     .Min = 0, .Max = 100, .Position = 50, .Frequence = 5, .OrdreTab = 2},
    {.Genre = G::Etiquette, .Nom = "ValL", .Place = {608, 135}},
    {.Genre = G::Etiquette, .Nom = "Label4", .Place = {345, 190}, .Texte = "Saturation :"},
    {.Genre = G::Curseur, .Nom = "PosSaturation", .Place = {405, 185, 201, 45},
     .Min = -100, .Max = 100, .Position = 0, .Frequence = 10, .OrdreTab = 7},
    {.Genre = G::Etiquette, .Nom = "ValS", .Place = {608, 190}},
    BoutonReInit({345, 303, 80, 25}, AGauche | AHaut, 3),
    BoutonAnnuler({447, 303, 80, 25}, AGauche | AHaut, 4),
    BoutonAppliquer({550, 303, 80, 25}, AGauche | AHaut, 5),
};
} // namespace

constinit const TForme FormeAjustCoul{
    .Nom = "AjustCoul",
    .Titre = "Ajustement des paramètres d'image",
    .LargeurClient = 642,
    .HauteurClient = 344,
    .PremierPlan = false,
    .Modale = true,
    .Controles = Controles,
};

} // namespace velmora
