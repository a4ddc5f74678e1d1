// The tone-curve editor of the two curve dialogs (gamma profiles, luminosity
// curve): the curve table, the drag rule and its smoothing, the picture of the
// graph, the coordinate readout and the profile blocks of their files.
// Written once, parameterised by the dialog's curves, colours and kernel.
// Toolkit-free: the dialog shows the graph picture and draws the readout
// through its form.
#pragma once

#include "dialogue/Forme.h"
#include "dialogue/Image.h"
#include "ErreursFichier.h"

#include <velmora/plugin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// A curve: graph rows indexed -3..258. Entry x (0..255) belongs to input level
// x, and its output level is 255 - entry[x]; the margins -3..-1 and 256..258
// let the seven-entry move and the smoothing windows stay inside the table.
// Entries may leave 0..255 (after edits, or from a file): any int32 is kept.
struct TProfil {
    static constexpr int32_t Debut = -3, Fin = 258, Entrees = 262;

    std::array<int32_t, Entrees> Valeurs{};

    int32_t &operator[](int32_t i) { return Valeurs[std::size_t(i - Debut)]; }
    int32_t operator[](int32_t i) const { return Valeurs[std::size_t(i - Debut)]; }

    // entry[i] = 255 - i over the whole table: the identity, margins included.
    void ReInit();
    static TProfil Identite();

    friend bool operator==(const TProfil &, const TProfil &) = default;
};

// The smoothing that follows every move: the gamma dialog's 5-entry kernel or
// the luminosity dialog's 7-entry one.
enum class Noyau : uint8_t { Gamma, Luminosite };

// Moves entry X to row Y with its neighbours at distance 1..3 (by a third, a
// ninth, a twenty-seventh of the centre's move, rounded), then smooths entries
// 0..255 in place, left to right, in 80-bit arithmetic. X and Y are clamped to
// 0..255 first. Nothing is drawn.
void ModifProfil(TProfil &p, int32_t X, int32_t Y, Noyau noyau);

inline constexpr int32_t CoteGraphe = 256;

// Colours of the graph (B, G, R).
inline constexpr TPtImg FondGraphe = FondInfoBulleParDefaut;  // until the system's is known
inline constexpr TPtImg CouleurRouge{0, 0, 255};      // $0000FF
inline constexpr TPtImg CouleurVerte{0, 128, 0};      // $008000
inline constexpr TPtImg CouleurBleue{255, 0, 0};      // $FF0000
inline constexpr TPtImg CouleurNoire{0, 0, 0};
inline constexpr TPtImg CouleurAxes{240, 202, 166};   // clSkyBlue, $F0CAA6

// --- The coordinate readout on the dialog's surface, under the graph ---------

// "X = <X>  Y = <255 - Y>", from the raw mouse position over the graph (not clamped).
std::string TexteCoord(int32_t X, int32_t Y);
// The sample text whose extent gives ZoneCoord.
inline constexpr const char *GabaritCoord = "X = XXX  Y = YYY";
// ZoneCoord from the text extent (w, h) of GabaritCoord: (470 - w div 2,
// 275 - h div 2) to (470 + w div 2, 275 + h div 2), the far sides excluded.
TRect ZoneCoord(int32_t w, int32_t h);
// Left edge of a readout text w pixels wide: centred on 470.
inline int32_t GaucheCoord(int32_t w) { return 470 - w / 2; }

// The shift state that edits: the left button alone, no Shift, Ctrl or Alt, not
// the second press of a double-click. Any other state only moves the readout.
inline bool GaucheSeul(bool gauche, bool autresBoutons, bool touches, bool doubleClic) {
    return gauche && !autresBoutons && !touches && !doubleClic;
}

inline int32_t SerrerGraphe(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// --- The editor -------------------------------------------------------------

struct CourbeEditee {
    TProfil *Profil;   // held by the dialog
    TPtImg Couleur;
};

class EditeurProfil {
public:
    // courbes: in the order of the dialog's radio items and file blocks;
    // ordreTrace: their indices in drawing order (the last one lies on top).
    EditeurProfil(std::vector<CourbeEditee> courbes, std::vector<int> ordreTrace, Noyau noyau);

    // The picture the dialog shows, redrawn after every change of the curves.
    const TImage &Graphe() const { return graphe_; }
    std::size_t NombreCourbes() const { return courbes_.size(); }
    TProfil &Courbe(std::size_t i) { return *courbes_[i].Profil; }
    const TProfil &Courbe(std::size_t i) const { return *courbes_[i].Profil; }

    // The curve a drag edits: an index of courbes, or -1 (none).
    int32_t Active = 0;

    // Every curve back to the identity, then TracerProfils and TracerAxes.
    void ReInit();
    // The graph's background (the system's tooltip colour) from the next drawing on.
    void DefinirFond(TPtImg couleur);

    // ModifProfil on the active curve (nothing when there is none), then the
    // repaint. X and Y are clamped to the graph.
    void Modifier(int32_t X, int32_t Y);

    // A move or press on the graph at (X, Y), raw: edits the active curve when
    // `edite` (the shift state of GaucheSeul) and returns the readout text.
    std::string Souris(int32_t X, int32_t Y, bool edite);

    // Background (tooltip colour, red line along the top row and left column),
    // then every curve as a polyline through its 256 points, clipped.
    void TracerProfils();
    // The two sky-blue axes over the curves: column 127 and row 127, 0..254.
    void TracerAxes();
    void Redessiner() {
        TracerProfils();
        TracerAxes();
    }

private:
    std::vector<CourbeEditee> courbes_;
    std::vector<int> ordre_;
    Noyau noyau_;
    TImage graphe_;  // empty until the first repaint
    TPtImg couleurFond_ = FondGraphe;
    std::array<int32_t, CoteGraphe> xs_{};  // PointsTrace: x = i
    std::array<int32_t, CoteGraphe> ys_{};  //             y = entry[i], copied at each repaint
};

// --- Profile blocks: the unit of the .pfl and .plu files --------------------

// One TProfil written whole, entries -3..258, signed 32-bit little-endian.
inline constexpr std::size_t OctetsBloc = 1048;
using BlocProfil = std::array<uint8_t, OctetsBloc>;

BlocProfil EncoderBloc(const TProfil &p);
// Replaces the first n bytes (n <= 1048) of p's block by those given; the rest
// of p is unchanged (a block cut short by the end of its file).
void DecoderBloc(const uint8_t *octets, std::size_t n, TProfil &p);

// Creates or truncates the file and writes one block per curve, in order.
// Throws ErreurFichier.
void EnregistrerBlocs(const std::filesystem::path &chemin,
                      const std::vector<const TProfil *> &profils);

// Reads the next block of an open file into p. A block cut short keeps the
// bytes that came and throws ErreurFichier (end of file).
void LireBloc(Fichier &f, TProfil &p);

// The end-of-file test counted in whole blocks: when the file still holds a
// whole block, reads it into p and returns true; otherwise returns false and
// p is unchanged (the bytes left over are not used).
bool LireBlocEntier(Fichier &f, TProfil &p);

} // namespace velmora
