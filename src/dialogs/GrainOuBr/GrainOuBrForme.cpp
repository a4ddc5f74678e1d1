#include "GrainOuBrDialogue.h"

namespace velmora {

namespace {
using G = TGenre;
constexpr TControle Controles[] = {
    // The value labels (NBr, BC, DPt, Km1, Km2) are written by FormShow.
    {.Genre = G::Etiquette, .Nom = "Label6", .Place = {5, 13}, .Texte = "Niveau"},
    {.Genre = G::Curseur, .Nom = "NivBr", .Place = {45, 9, 86, 21}, .Min = 0, .Max = 255,
     .Position = 0, .Frequence = 16, .LongueurCurseur = 15, .OrdreTab = 0},
    {.Genre = G::Etiquette, .Nom = "NBr", .Place = {137, 13}},
    {.Genre = G::Etiquette, .Nom = "Label12", .Place = {170, 13}, .Texte = "Teinte"},
    {.Genre = G::Curseur, .Nom = "TxCl", .Place = {205, 9, 86, 21}, .Min = 0, .Max = 10,
     .Position = 5, .Frequence = 1, .LongueurCurseur = 15, .OrdreTab = 1},
    {.Genre = G::Etiquette, .Nom = "BC", .Place = {297, 13}},
    {.Genre = G::Radio, .Nom = "TacheAlea", .Place = {30, 45}, .Texte = "Taches aléatoires",
     .Coche = true, .OrdreTab = 2},
    {.Genre = G::Panneau, .Nom = "Panel1", .Place = {170, 40, 2, 86}, .Enfonce = true,
     .OrdreTab = 3},
    {.Genre = G::Radio, .Nom = "PseudoAlea", .Place = {190, 45}, .Texte = "Pseudo-aléatoire",
     .OrdreTab = 4},
    {.Genre = G::Etiquette, .Nom = "Label7", .Place = {10, 78}, .Texte = "Densité"},
    {.Genre = G::Curseur, .Nom = "DstPt", .Place = {50, 74, 86, 21}, .Min = 0, .Max = 9,
     .Position = 7, .Frequence = 1, .LongueurCurseur = 15, .OrdreTab = 5},
    {.Genre = G::Etiquette, .Nom = "DPt", .Place = {137, 78}},
    {.Genre = G::Etiquette, .Nom = "Label8", .Place = {185, 78}, .Texte = "K(n-1)"},
    {.Genre = G::Curseur, .Nom = "Ord1", .Place = {220, 74, 86, 21}, .Min = 0, .Max = 10,
     .Position = 2, .Frequence = 1, .LongueurCurseur = 15, .OrdreTab = 6},
    {.Genre = G::Etiquette, .Nom = "Km1", .Place = {307, 78}},
    {.Genre = G::Etiquette, .Nom = "Label10", .Place = {185, 103}, .Texte = "K(n-2)"},
    {.Genre = G::Curseur, .Nom = "Ord2", .Place = {220, 99, 86, 21}, .Min = 0, .Max = 10,
     .Position = 2, .Frequence = 1, .LongueurCurseur = 15, .OrdreTab = 7},
    {.Genre = G::Etiquette, .Nom = "Km2", .Place = {307, 103}},
    {.Genre = G::Bouton, .Nom = "BitBtn1", .Place = {10, 140, 81, 25}, .Texte = "Réinitialiser",
     .OrdreTab = 8},
    BoutonAnnuler({125, 140, 81, 25}, AGauche | AHaut, 9),
    BoutonAppliquer({240, 140, 81, 25}, AGauche | AHaut, 10),
};
} // namespace

constinit const TForme FormeAjoutGrain{
    .Nom = "AjoutGrain",
    .Titre = "Ajout de Grain ou de Bruit dans l'image",
    .LargeurClient = 330,
    .HauteurClient = 175,
    .PremierPlan = false,
    .Modale = true,
    .Controles = Controles,
};

} // namespace velmora
