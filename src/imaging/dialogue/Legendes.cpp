#include "Legendes.h"

#include <algorithm>

namespace velmora {

TRect PlaceElement(const TControle &g, int32_t i) {
    const int32_t n = int32_t(g.Elements.size()), colonnes = std::max(1, g.Colonnes);
    const int32_t lignes = (n + colonnes - 1) / colonnes;
    const int32_t largeur = (g.Place.Largeur - 16) / colonnes;
    const int32_t hauteur = lignes ? (g.Place.Hauteur - 20) / lignes : 0;
    return {8 + (i % colonnes) * largeur, 16 + (i / colonnes) * hauteur, largeur, hauteur};
}

namespace {

bool MemeParent(const TControle &a, const TControle &b) {
    if (!a.Parent || !b.Parent) return a.Parent == b.Parent;
    return std::string_view(a.Parent) == b.Parent;
}

// From c's left edge to the first control of its parent that starts on its
// right and meets its line, or to the parent's edge. Pictures are left out:
// a label stands on a picture by design (the picker's weights on its corners).
int32_t PlaceSurLaLigne(const TForme &f, const TControle &c, int32_t hauteurLigne) {
    int32_t bord = f.LargeurClient;
    if (c.Parent)
        if (const TControle *p = f.Controle(c.Parent)) bord = p->Place.Largeur;
    const int32_t haut = c.Place.Haut, bas = c.Place.Haut + hauteurLigne;
    for (const TControle &o : f.Controles) {
        if (&o == &c || o.Genre == TGenre::Image || !MemeParent(o, c)) continue;
        if (o.Place.Gauche <= c.Place.Gauche) continue;
        const int32_t oBas = o.Place.Haut + (o.Place.Hauteur > 0 ? o.Place.Hauteur : hauteurLigne);
        if (o.Place.Haut < bas && haut < oBas) bord = std::min(bord, o.Place.Gauche);
    }
    return bord - c.Place.Gauche;
}

} // namespace

std::vector<TLegende> Legendes(const TForme &f, int32_t hauteurLigne) {
    std::vector<TLegende> v;
    for (const TControle &c : f.Controles) {
        const std::string_view texte = c.Texte ? c.Texte : "";
        switch (c.Genre) {
        case TGenre::Etiquette:
        case TGenre::Radio:
        case TGenre::Case:
            if (!texte.empty())
                v.push_back({&c, -1, texte,
                             c.Place.Largeur > 0 ? c.Place.Largeur
                                                 : PlaceSurLaLigne(f, c, hauteurLigne)});
            break;
        case TGenre::Bouton:
        case TGenre::Groupe:
            if (!texte.empty()) v.push_back({&c, -1, texte, c.Place.Largeur});
            break;
        case TGenre::GroupeRadio:
            if (!texte.empty()) v.push_back({&c, -1, texte, c.Place.Largeur});
            for (std::size_t i = 0; i < c.Elements.size(); ++i)
                v.push_back({&c, int32_t(i), c.Elements[i], PlaceElement(c, int32_t(i)).Largeur});
            break;
        case TGenre::Liste:
            for (std::size_t i = 0; i < c.Elements.size(); ++i)
                v.push_back({&c, int32_t(i), c.Elements[i], c.Place.Largeur});
            break;
        case TGenre::Panneau:
        case TGenre::Image:
        case TGenre::Curseur: break;
        }
    }
    return v;
}

} // namespace velmora
