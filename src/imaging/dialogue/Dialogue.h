// The base of every dialog, without a toolkit: the lifecycle (Lancer,
// Preparer, the thumbnail, the buttons, the closing notice), the error box
// around every handler and the binding of events to handlers. A dialog gives
// its form table, its rule and its handlers, and overrides only the steps
// where it departs from the common pattern.
//
//   Lancer(pixels, dim) -> Preparer(pixels):
//       1-2 Etat.PrendreImage  3-5 PreparerEtat(): ReInitClick(null), ConstruireApercu()
//       (set-up errors absorbed silently)  6 Montrer(): FormShow, then the modal loop
//       (a modeless form: shown, and Lancer returns at once)
//   shown: events -> bound handlers, each under the error box;
//   the default button: AppliquerClick, then close; the cancel button, Escape or
//   a close request: AnnulerClick, then close; however closed: FormClose
//   (host notice with Fin = 1, then Copie and Apercu emptied).
#pragma once

#include "EtatDialogue.h"
#include "Image.h"
#include "Interface.h"
#include "imaging/Reglages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The buttons every dialog shares, as TDialogue binds them: "Réinitialiser"
// (ReInit), the cancel button (Annuler, Escape) and the default button
// (Appliquer, Enter). Each form gives their places.
constexpr TControle BoutonReInit(TRect place, uint8_t ancres = AGauche | AHaut,
                                 int32_t ordreTab = -1) {
    return {.Genre = TGenre::Bouton, .Nom = "ReInit", .Place = place, .Texte = "Réinitialiser",
            .Ancres = ancres, .OrdreTab = ordreTab};
}
constexpr TControle BoutonAnnuler(TRect place, uint8_t ancres = AGauche | AHaut,
                                  int32_t ordreTab = -1) {
    return {.Genre = TGenre::Bouton, .Nom = "Annuler", .Place = place, .Texte = "Annuler",
            .Role = TRole::Annulation, .Ancres = ancres, .OrdreTab = ordreTab};
}
constexpr TControle BoutonAppliquer(TRect place, uint8_t ancres = AGauche | AHaut,
                                    int32_t ordreTab = -1) {
    return {.Genre = TGenre::Bouton, .Nom = "Appliquer", .Place = place, .Texte = "Appliquer",
            .Role = TRole::Defaut, .Ancres = ancres, .OrdreTab = ordreTab};
}

class TDialogue : public IGestionnaire {
public:
    explicit TDialogue(const TForme &table);
    ~TDialogue() override;
    TDialogue(const TDialogue &) = delete;
    TDialogue &operator=(const TDialogue &) = delete;

    // Entry from XchgData: the size, a reference on the pixels for the call's
    // duration, Preparer. Returns when a modal dialog has closed. Needs a form.
    // Ignored while a modal dialog is shown; a modeless one shown is prepared
    // again on the new pixels (FormShow does not run again).
    virtual void Lancer(TPtImg *pixels, const TDimImg &dim);

    // Gives the dialog its form (FormCreate runs then); the previous one, if any,
    // goes back to the factory.
    void Attacher(std::unique_ptr<IForme> forme, uint64_t generation);
    std::unique_ptr<IForme> Detacher();
    uint64_t Generation() const { return generation_; }
    bool AForme() const { return forme_ != nullptr; }

    void Evenement(const TEvenement &e) override;

    const TForme &Table() const { return table_; }
    bool Ouvert() const { return ouvert_; }

    // Settings the next opening starts from instead of the form's defaults;
    // that opening only ("Réinitialiser" still gives the defaults).
    void DefinirDepart(std::optional<reglages::Enregistrement> r) { depart_ = std::move(r); }
    // The settings of the last "Appliquer", if any.
    const std::optional<reglages::Enregistrement> &Appliques() const { return appliques_; }

    EtatDialogue Etat;

protected:
    // --- lifecycle steps, each overridable
    virtual void FormCreate() {}
    virtual void Preparer(TPtImg *pixels);  // steps 1..6, the set-up under a silent guard
    virtual void PreparerEtat();            // steps 3..5
    virtual void Montrer();                 // step 6: FormShow, then modal
    virtual void ConstruireApercu();        // Apercu and PreVisu from Copie
    virtual void RafraichirApercu();        // Regle() over Apercu into PreVisu
    virtual const RegleBloc *Regle() const { return nullptr; }
    virtual void FormShow() {}
    virtual void ReInitClick(const TEvenement *emetteur);  // base: ImageModifiee := False
    virtual void AnnulerClick();                           // base: ImageModifiee := False
    virtual void AppliquerClick();  // base: busy cursor, Copie -> ImgHote by Regle(), ImageModifiee := True
    virtual void FormClose();       // base: notice with Fin = 1, working arrays emptied

    using Gestionnaire = std::function<void(const TEvenement &)>;
    // Binds an event of a control to a handler (several may be bound).
    void Lier(std::string_view controle, TTypeEvenement type, Gestionnaire g);
    // Runs a handler; an error it raises goes to the stop-icon box with a final
    // period, and false comes back.
    bool Executer(const std::function<void()> &f);
    // f later, under the error box, if the dialog is still open then.
    void Differer(std::function<void()> f);
    // Closes the dialog: FormClose (under the error box), then the window.
    void Fermer();

    IForme &F() const;  // the form; throws when there is none

    // The starting settings of this opening, once (none after).
    std::optional<reglages::Enregistrement> PrendreDepart() {
        std::optional<reglages::Enregistrement> r = std::move(depart_);
        depart_.reset();
        return r;
    }
    void RetenirAppliques(reglages::Enregistrement r) { appliques_ = std::move(r); }
    // An "Appliquer" whose result no record reproduces: none rather than stale ones.
    void OublierAppliques() { appliques_.reset(); }
    bool PremierPlan() const { return table_.PremierPlan; }

    TImage PreVisu;  // the thumbnail bitmap, shown in the control "PreVisu"

private:
    struct Liaison {
        std::string controle;
        TTypeEvenement type;
        Gestionnaire g;
    };
    void Terminer();  // the window closed: FormClose if it has not run

    const TForme &table_;
    std::unique_ptr<IForme> forme_;
    uint64_t generation_ = 0;
    std::vector<Liaison> liaisons_;
    bool ouvert_ = false;
    bool fermeFaite_ = false;
    bool apercu_ = false;  // the table has PreVisu
    std::optional<reglages::Enregistrement> depart_, appliques_;
};

} // namespace velmora
