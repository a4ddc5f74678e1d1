// What the two curve dialogs share around their editor, written once: the
// graph's mouse handlers, the coordinate readout on the dialog's surface, its
// erasing by FormMouseMove, and saving and loading the curves. Each dialog gives
// its editor, its file blocks and its preview rule.
#pragma once

#include "EditeurProfil.h"
#include "ReglagesProfils.h"
#include "dialogue/Dialogue.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace velmora {

struct ParametresProfils {
    const char *Graphe;     // the graph's image control ("ProfilG")
    const char *Groupe;     // the file group box ("ProfsG"), which erases the readout
    const char *Filtre;     // "Fichiers Profil G (*.pfl)|*.pfl"
    const char *Extension;  // "pfl"
    std::span<const reglages::Champ> Champs;  // the room's settings (ReglagesProfils.h)
};

class TDialogueProfils : public TDialogue {
public:
    TDialogueProfils(const TForme &table, const ParametresProfils &p);

    // The dialog, its file group box and PreVisu: the readout goes.
    void FormMouseMove();
    // The curves of the settings the opening was given, as if the user had
    // loaded their file (or drawn them).
    void FormShow() override;
    void EnrgProfClick();
    void ChargProfClick();

    virtual EditeurProfil &Editeur() = 0;
    const EditeurProfil &Editeur() const { return const_cast<TDialogueProfils *>(this)->Editeur(); }
    TRect Zone() const { return zoneCoord_; }

protected:
    // What a press or a move on the graph does (each dialog's graph handlers,
    // ProfilG... and ProfilL..., run these): the readout, then the edit when the
    // left button alone is held. A release refreshes the preview (RafraichirApercu).
    void SourisGraphe(const TEvenement &e);
    // Binds the graph's press, move and release to the dialog's named handlers.
    void LierGraphe(Gestionnaire enfoncee, Gestionnaire deplacee, Gestionnaire relachee);

    // The curves the next edit goes to (the gamma dialog reads its radio group).
    virtual int32_t CourbeActive() { return 0; }
    // The preview rule brought up to the curves.
    virtual void DefinirRegle() = 0;
    virtual void Enregistrer(const std::filesystem::path &chemin) = 0;
    // Returns how many curves it read, from the first. Throws ErreurFichier,
    // keeping what was read before the failure.
    virtual std::size_t Charger(const std::filesystem::path &chemin) = 0;

    // The editor's part of a reset: every curve to the identity, the graph
    // repainted and shown, ZoneCoord from the text extent.
    void ReInitCourbes();
    // The graph picture to its control.
    void MontrerGraphe();
    void CalculerZoneCoord();
    // The preview from the current curves (the graph's mouse-up refresh).
    void RafraichirApercu() override;
    // The result from the curves as they stand, even after a failed load; the
    // settings retained give those curves back.
    void AppliquerClick() override;

private:
    TDialogueFichier DialogueFichier() const;
    std::vector<TProfil *> Courbes();
    // The repaint and the preview of a load that succeeded.
    void MontrerCharge();

    ParametresProfils p_;
    TRect zoneCoord_{};
    // The file last loaded in this opening and the curves it gave, while no
    // later load has failed.
    std::optional<reglagesprofils::Charge> charge_;
};

} // namespace velmora
