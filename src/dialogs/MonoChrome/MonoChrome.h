// Toned monochrome: a grey level from a weighted sum of the three channels
// (weights chosen on a triangular picker), then three tint tables.
// Rules and state only; the dialog is TMonoCouleur (MonoChromeDialogue.h).
#pragma once

#include "imaging/dialogue/EtatDialogue.h"
#include "imaging/Numerique.h"

#include <velmora/plugin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::monochrome {

struct Point {
    int32_t x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};

// The picker: a disc with an equilateral triangle inscribed, red at the top,
// green at the lower left, blue at the lower right.
struct Geometrie {
    Point centre, rouge, vert, bleu;
    int32_t rayon = 0, rayon2 = 0;
    friend bool operator==(const Geometrie &, const Geometrie &) = default;

    static Geometrie De(int32_t largeur, int32_t hauteur);
    int32_t Distance2(Point p) const;  // squared distance to the centre
    bool DansDisque(Point p) const { return Distance2(p) <= rayon2; }
    // The point of the circle on the ray from the centre through p (p outside the disc).
    Point SurCercle(Point p) const;
};

inline constexpr int32_t TailleSelecteur = 208;

// The picker picture, width x height pixels row by row, top row first;
// outside the disc the given background colour.
std::vector<TPtImg> ImageSelecteur(const Geometrie &g, int32_t largeur, int32_t hauteur,
                                   TPtImg fond);

struct Coefficients {
    Reel kR = 0, kV = 0, kB = 0;
};

// Weights of a picker point: inverse distances to the corners, normalised.
Coefficients CalculeCoeffs(const Geometrie &g, Point p);

// "kR = 0,33": nom, " = ", the value with two decimals and the given separator.
std::string TexteCoefficient(std::string_view nom, Reel k, std::string_view separateur);

// Output red, green, blue for each grey level.
struct Tables {
    std::array<uint8_t, 256> R, V, B;
};

Tables Identite();

// Tables of a tint given as $RRGGBB (bits above 23 ignored).
Tables CalculeTeinte(int32_t rgb);

// The grey level of a pixel, as the rule states it.
inline int32_t Gris(const TPtImg &p, const Coefficients &k) {
    return Octet(p.Rouge * k.kR + p.Vert * k.kV + p.Bleu * k.kB);
}

inline TPtImg Tonaliser(const TPtImg &p, const Coefficients &k, const Tables &t) {
    const int32_t g = Gris(p, k);
    return {t.B[g], t.V[g], t.R[g]};
}

// Tonaliser as a block rule, for the preview and "Appliquer": gives exactly
// the bytes of Tonaliser, through precomputed tables. Serial; the caller splits.
class Regle final : public RegleBloc {
public:
    Regle() : Regle(Coefficients{}, Identite()) {}
    Regle(const Coefficients &k, const Tables &t);
    void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const override;

private:
    void TraiterTables(const TPtImg *src, TPtImg *dst, std::size_t n) const;
    Coefficients k_;
    bool rapide_;                       // weights the fixed-point sums are sound for
    int64_t qR_[256], qV_[256], qB_[256]; // the products R*kR etc. in units of 2^-32
    TPtImg sortie_[256];                // output pixel of each grey level
    uint32_t sortie4_[256];             // the same in 4 bytes, blue first
    // The grey level as R qR + G qV + B qB, 16 pixels at a time where the processor
    // has 64-byte vectors (see MonoChrome.cpp), then the tint's three tables.
    bool par16_ = false;
    int decalage16_ = 0;
    int32_t facteurs16_[3] = {};
    alignas(64) uint8_t teinte16_[3][256] = {};  // blue, green, red by grey level
};

// The rule over n pixels from src into dst (may be the same), split across
// the cores for a large image.
void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n, const Coefficients &k,
             const Tables &t);

// --- Tint list -----------------------------------------------------------

// The list as the dialog starts, "Autre teinte ..." last (UTF-8).
extern const char *const ListeTeintes[15];
const std::vector<std::string> &TeintesInitiales();
inline constexpr std::string_view AutreTeinte = "Autre teinte ...";

// A tint text that does not convert; what() is the French message (UTF-8),
// without the final period.
class ErreurConversion : public std::runtime_error {
public:
    explicit ErreurConversion(const std::string &texte);
};

// The 7 characters from the entry's first "$" (from its start when there is
// none): the text the conversion reads.
std::string TexteValeur(std::string_view entree);

// The colour of an entry as $RRGGBB; throws ErreurConversion.
int32_t ValeurTeinte(std::string_view entree);

// "<nom> : $RRGGBB" with upper-case digits, the name as a tint file keeps it:
// a character Windows-1252 lacks becomes '?' here already, so the list shows
// what will be saved.
std::string NouvelleEntree(std::string_view nom, int rouge, int vert, int bleu);

// --- Tint files (.uni): one entry in Windows-1252, no line end -----------

// Writes the entry (UTF-8 in memory); throws ErreurFichier.
void EnregistrerTeinte(const std::filesystem::path &chemin, std::string_view entree);
// The entry of the file's first line, up to a NUL if it holds one, as UTF-8;
// throws ErreurFichier.
std::string ChargerTeinte(const std::filesystem::path &chemin);

// --- The dialog's state, without its widgets -------------------------------

class Etat {
public:
    const Geometrie geometrie = Geometrie::De(TailleSelecteur, TailleSelecteur);
    Point posRepere = geometrie.centre;  // the committed marker
    int32_t derniereTeinte = 0;          // last entry validly selected

    const Coefficients &Coeffs() const { return coeffs_; }
    const Tables &TablesTeinte() const { return tables_; }
    const Regle &RegleCourante() const { return regle_; }

    // Weights of a picker point.
    void DefinirCoeffs(Point p);
    void DefinirTables(const Tables &t);

private:
    Coefficients coeffs_;
    Tables tables_ = Identite();
    Regle regle_{coeffs_, tables_};
};

} // namespace velmora::monochrome
