// The part of the GIMP bridge that does not depend on GIMP's version: it
// loads the plug-in with the host's loader, runs one operation on the pixels
// of a drawable's selected rectangle, answers the plug-in's notices (results
// shown as they come, the zone window of the colour balance) and says at the
// end whether the drawable keeps a result.
#pragma once

#include "ChargeurPlugin.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::gimp {

// What the bridge asks of the drawable; written once per GIMP version.
// Pixels are the selected rectangle, row by row, R G B (A) bytes.
class ICalque {
public:
    virtual ~ICalque() = default;
    // An intermediate result, shown without an undo step. Like Valider, it
    // blends through the selection from the pixels as they were before the
    // run, whatever was shown since.
    virtual void Montrer(const std::vector<uint8_t> &octets) = 0;
    // The final result: one undo step from the pixels before the run.
    virtual void Valider(const std::vector<uint8_t> &octets) = 0;
    // The pixels exactly as they were before the run, in the drawable's own
    // precision, without an undo step.
    virtual void Remettre() = 0;
};

// The selected rectangle of a drawable as read before the run.
struct Region {
    int32_t largeur = 0;
    int32_t hauteur = 0;
    int canaux = 3; // 3: R G B; 4: R G B A (alpha is never changed)
    std::vector<uint8_t> octets;
};

// One menu entry of the bridge.
struct Procedure {
    const char *nom;   // procedure name in GIMP's database
    const char *bulle; // one-line description, in English as GIMP's are
    bool directe;      // no dialog: runs in every mode
};
// Entries 1..NbProcedures of the plug-in's menu, in order.
constexpr int NbProcedures = 9;
const Procedure &ProcedureNumero(int operation); // 1..NbProcedures

// How a run ended.
struct Issue {
    enum Statut { Reussi, ErreurAppel, ErreurExecution };
    Statut statut = Reussi; // ErreurAppel: not in this mode; ErreurExecution: could not run
    bool modifie = false;   // the drawable holds a result (one undo step)
    std::string message;    // UTF-8, one line, when it failed
};

// One argument of a procedure after run-mode, image and drawable: a field of
// the operation's settings; a rectangle is four integers (nom-x, nom-y,
// nom-largeur, nom-hauteur; a width of 0 for none), a point two.
struct Argument {
    enum Type { Entier, Reel, Texte, Fichier };
    std::string nom, libelle;
    Type type = Entier;
    double mini = 0, maxi = 0;
    std::string defaut; // its text
};

class Pont {
public:
    Pont();
    ~Pont();

    // Loads velmora.so beside the bridge's executable, else the installed one
    // (or the given path).
    bool Charger(const std::string &chemin = {});
    const std::string &Erreur() const { return erreur_; }
    // Captions of operations 1..n, UTF-8.
    std::vector<std::string> Menu() const;

    // The native window (an X11 window id) of the host's window the run
    // belongs to: the plug-in's dialogs and the zone window are kept over it.
    // 0: none.
    static void DefinirFenetreHote(uint64_t idNatif);

    // The operation's settings as GIMP arguments (none for the direct ones,
    // or with a plug-in that does not take settings).
    std::vector<Argument> Arguments(int operation) const;
    // The settings text of the arguments' values (as text, in Arguments'
    // order); rectangles given in the layer's coordinates, the region's
    // corner being (x, y) there.
    std::string ReglagesDe(int operation, const std::vector<std::string> &valeurs, int32_t x,
                           int32_t y) const;
    // The arguments' values of a settings text, rectangles in the layer's coordinates.
    std::vector<std::string> ValeursDe(int operation, const std::string &reglages, int32_t x,
                                       int32_t y) const;

    // Whether the operation may run in this mode on a rectangle that size:
    // the refusal when not (asked before any pixel is read).
    Issue Verifier(int operation, bool interactif, int32_t largeur, int32_t hauteur) const;
    // Runs one operation on `region`. Not interactif (scripts, batches,
    // Repeat): the operation's rule with the settings, no dialog. Interactif:
    // the dialog, opened on the settings when given; the settings of its
    // "Appliquer" go to `appliques` when a result stands.
    Issue Executer(int operation, const Region &region, ICalque &calque, bool interactif,
                   const std::string *reglages = nullptr, std::string *appliques = nullptr);

private:
    class Session;
    hote::ChargeurPlugin chargeur_;
    std::string erreur_;
};

} // namespace velmora::gimp
