// An operation's settings as data: a table of typed fields, a record of their
// values, and the one text form that reads and writes it. Each operation
// states its fields in its own room; the dialog starts from a record and gives
// one back, and the rule applies one with no dialog, so the window, the
// command line, batches and scripts run the same rule with the same settings.
//
// Text form: "nom=valeur" items separated by ';' or line ends, blanks around
// names and values ignored, in any order, each name at most once; a field left
// out keeps its default. Values: integers in decimal; reals with '.' or ',';
// a choice by one of its names; a colour as $RRGGBB or #RRGGBB (or by a name
// its field lists); a point as "x,y"; a rectangle as "x,y,largeur,hauteur"; a
// file as its path (UTF-8); a list as its integers separated by ','.
#pragma once

#include "Numerique.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::reglages {

enum class Genre : int32_t {
    Entier = 1,     // Mini..Maxi
    Reel = 2,       // Mini..Maxi
    Choix = 3,      // one of the names in Choix ("a|b|c"), kept as its index
    Fichier = 4,    // a path; Filtre gives the extension without the dot
    Couleur = 5,    // $RRGGBB, or one of the names in Choix ("nom=$RRGGBB|...")
    Point = 6,      // x, y, each Mini..Maxi
    Rectangle = 7,  // x, y, largeur, hauteur: x, y >= 0; largeur, hauteur >= 1
    Entiers = 8,    // exactly Nombre integers, each Mini..Maxi; may be left empty
};

struct Champ {
    const char *Nom;      // ASCII, as the text form spells it
    Genre Type;
    const char *Libelle;  // what it is, in French (UTF-8)
    long double Mini = 0, Maxi = 0;
    const char *Defaut = "";  // its text form; "" for a file or rectangle left out
    const char *Choix = nullptr;
    const char *Filtre = nullptr;
    std::size_t Nombre = 0;   // Entiers: how many
};

// A field's value. Which members count depends on the field's type.
struct Valeur {
    int64_t Entier = 0;           // Entier, Choix (index), Couleur ($RRGGBB)
    velmora::Reel Nombre = 0;     // Reel
    std::string Texte;            // Fichier
    std::array<int32_t, 4> Coords{};  // Point (2), Rectangle (4)
    std::vector<int32_t> Liste;   // Entiers
    bool Vide = true;             // Fichier, Rectangle, Entiers: none given
    friend bool operator==(const Valeur &, const Valeur &) = default;
};

// A bad setting. what() is the French message (UTF-8, no final period), which
// names the setting.
class ErreurReglage : public std::runtime_error {
public:
    explicit ErreurReglage(const std::string &message) : std::runtime_error(message) {}
};

// The values of one operation's fields, in the table's order.
class Enregistrement {
public:
    explicit Enregistrement(std::span<const Champ> champs);  // every default

    std::span<const Champ> Champs() const { return champs_; }
    const Valeur &operator[](std::string_view nom) const;
    Valeur &operator[](std::string_view nom);

    int64_t Entier(std::string_view nom) const { return (*this)[nom].Entier; }
    velmora::Reel Nombre(std::string_view nom) const { return (*this)[nom].Nombre; }
    // Fichier: the path, empty when none.
    const std::string &Texte(std::string_view nom) const { return (*this)[nom].Texte; }

    // Sets a field from its text (throws ErreurReglage).
    void Definir(std::string_view nom, std::string_view texte);

    // The canonical text form: every field, one "nom=valeur" per line, those
    // left empty (a file, a rectangle, a list) left out. Lire of it gives the same record.
    std::string Texte() const;

    friend bool operator==(const Enregistrement &a, const Enregistrement &b) {
        return a.valeurs_ == b.valeurs_;
    }

private:
    std::size_t Index(std::string_view nom) const;  // throws for a name not in the table
    std::span<const Champ> champs_;
    std::vector<Valeur> valeurs_;
};

// Reads a text form over the defaults (throws ErreurReglage).
Enregistrement Lire(std::span<const Champ> champs, std::string_view texte);

// The text of one value, as Texte writes it.
std::string TexteValeur(const Champ &c, const Valeur &v);

// A file field's UTF-8 text as a path, and back (the native encoding may
// differ; empty for a path with no UTF-8 form).
std::filesystem::path Chemin(std::string_view utf8);
std::string TexteChemin(const std::filesystem::path &chemin);

// What a field expects, in French: "un entier de 0 à 100", "taches ou pseudo-aleatoire".
std::string Attendu(const Champ &c);

// The text with the accented letters of French (UTF-8) as their plain letter:
// "Sépia" gives "Sepia". Names of choices and colours compare through it, so a
// script may write them either way.
std::string SansAccents(std::string_view texte);

} // namespace velmora::reglages
