// The preview thumbnail: at most 320 x 320, never enlarged, nearest neighbour.
// Toolkit-free: the Qt side only copies rows of the result into its bitmap.
#pragma once

#include "Forme.h"
#include "imaging/Numerique.h"
#include <velmora/memoire.h>

#include <cstdint>

namespace velmora {

inline constexpr int32_t CoteApercu = 320;

// The preview of every dialog that has one: the panel CadreAff (button-shadow
// colour, 10, 10, 322 x 322) and inside its 1-pixel border the picture PreVisu,
// which ConstruireApercu places around the thumbnail.
constexpr TControle PanneauApercu(int32_t ordreTab = -1) {
    return {.Genre = TGenre::Panneau, .Nom = "CadreAff",
            .Place = {10, 10, CoteApercu + 2, CoteApercu + 2},
            .Fond = TCouleurSysteme::OmbreBouton, .OrdreTab = ordreTab};
}
inline constexpr TControle ImageApercu{.Genre = TGenre::Image, .Nom = "PreVisu",
                                       .Parent = "CadreAff",
                                       .Place = {1, 1, CoteApercu, CoteApercu}};

struct GeometrieApercu {
    Reel Echelle = 1;       // source pixels per thumbnail pixel (>= 1)
    int32_t Largeur = 0;    // thumbnail width  tw = Round(largeur / Echelle)
    int32_t Hauteur = 0;    // thumbnail height th = Round(hauteur / Echelle)
    int32_t Gauche = 1;     // PreVisu's left inside CadreAff: (320 - tw) div 2 + 1
    int32_t Haut = 1;       // PreVisu's top inside CadreAff:  (320 - th) div 2 + 1
};

// Geometry of the thumbnail of a largeur x hauteur image (negative sizes count as 0).
GeometrieApercu CalculerGeometrie(int32_t largeur, int32_t hauteur);

// Index in the source image of thumbnail pixel (x, y): row Trunc(Echelle*y) times
// largeur, formed in 64 bits, plus column Trunc(Echelle*x). Always inside the image.
int64_t SourceApercu(const GeometrieApercu &g, int32_t largeur, int32_t hauteur, int32_t x,
                     int32_t y);

// A new counted array of tw x th pixels, row by row, copied unchanged from copie
// (largeur x hauteur pixels). Empty when the thumbnail is empty (tw or th = 0).
// A copie holding fewer than largeur x hauteur pixels gives an empty thumbnail.
TPtsImg ConstruireApercu(const TPtsImg &copie, int32_t largeur, int32_t hauteur,
                         const GeometrieApercu &g);

} // namespace velmora
