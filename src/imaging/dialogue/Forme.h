// A form as data: the dialog's window and each of its controls, read like a
// control table (name, kind, place, caption, range...). Back ends build their
// widgets from it; the dialog class never creates a control itself.
#pragma once

#include "Image.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace velmora {

enum class TGenre : uint8_t {
    Panneau,      // a plain panel (Enfonce: lowered frame)
    Image,        // a picture the dialog draws (TImage), with mouse events
    Curseur,      // slider: Min, Max, Position, Frequence; change and release events
    Etiquette,    // label, sized to its text when Place has no size
    Bouton,       // push button, Role and Glyphe
    Groupe,       // group box with a caption
    GroupeRadio,  // group box of Elements as radio items in Colonnes columns; Index selected
    Radio,        // one radio button (Coche); the buttons of one parent exclude each other
    Liste,        // drop-down list of Elements, no free text; Index selected
    Case,         // check box (Coche)
};

// What the Enter and Escape keys do: press the default / the cancel button.
enum class TRole : uint8_t { Simple, Defaut, Annulation };

// Small pictures of the buttons that carry one (drawn by Glyphes.cpp).
enum class TGlyphe : uint8_t { Aucun, Charger, Enregistrer };

// Sides a control keeps its distance to when the form is resized.
enum TAncre : uint8_t { AGauche = 1, AHaut = 2, ADroite = 4, ABas = 8 };

enum class TGraduation : uint8_t { Dessous, Dessus };

// What one key or click moves every slider by, the same on every toolkit:
// PageUp/PageDown and a click on the track beside the thumb, and an arrow key.
inline constexpr int32_t PasPageCurseur = 2;
inline constexpr int32_t PasLigneCurseur = 1;

// Colours named after the system's, resolved by the back end.
enum class TCouleurSysteme : uint8_t { Defaut, OmbreBouton, FaceBouton, FondInfoBulle };

// The tooltip background ($E1FFFF) where the system gives none.
inline constexpr TPtImg FondInfoBulleParDefaut{225, 255, 255};

inline constexpr int32_t SansCouleur = -1;

struct TControle {
    TGenre Genre;
    const char *Nom;                 // objectName / control name, unique in the form
    const char *Parent = nullptr;    // null: the form itself
    TRect Place{};                   // in the parent's client coordinates
    const char *Texte = nullptr;     // caption (UTF-8)
    std::span<const char *const> Elements{};  // list items or radio items
    int32_t Colonnes = 1;            // radio group
    int32_t Index = -1;              // selected item (list, radio group)
    bool Coche = false;              // radio button, check box
    int32_t Min = 0, Max = 0, Position = 0, Frequence = 0;  // slider
    TGraduation Graduation = TGraduation::Dessous;
    int32_t LongueurCurseur = 0;     // slider thumb length, 0: the toolkit's
    int32_t CouleurTexte = SansCouleur;  // TColor ($00BBGGRR) of the font
    TCouleurSysteme Fond = TCouleurSysteme::Defaut;  // panel colour
    bool Enfonce = false;            // lowered panel
    TRole Role = TRole::Simple;
    TGlyphe Glyphe = TGlyphe::Aucun;
    uint8_t Ancres = AGauche | AHaut;
    int32_t OrdreTab = -1;           // place in the tab order; -1: not a stop of its own
};

struct TForme {
    const char *Nom;                 // the form's name without the T ("AjustCoul")
    const char *Titre;               // caption
    int32_t LargeurClient, HauteurClient;
    bool PremierPlan;                // stays on top of other windows
    bool Modale;                     // shown modally (XchgData returns when it closes)
    std::span<const TControle> Controles;
    const char *Police = "MS Sans Serif";  // used when the system has it
    int32_t Points = 8;

    // The control of that name, or null.
    const TControle *Controle(std::string_view nom) const {
        for (const TControle &c : Controles)
            if (nom == c.Nom) return &c;
        return nullptr;
    }
    // The first control with that role, or null.
    const TControle *AvecRole(TRole r) const {
        for (const TControle &c : Controles)
            if (c.Genre == TGenre::Bouton && c.Role == r) return &c;
        return nullptr;
    }
};

} // namespace velmora
