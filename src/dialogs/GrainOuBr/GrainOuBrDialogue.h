// "Ajout de Grain ou de Bruit dans l'image" (operation 8): no thumbnail; each
// computation goes over the whole image into the host's array and the host
// redraws it. Rules in GrainOuBr.h, form in GrainOuBrForme.cpp.
#pragma once

#include "GrainOuBr.h"
#include "imaging/dialogue/Dialogue.h"

#include <cstddef>
#include <optional>

namespace velmora {

extern const TForme FormeAjoutGrain;

class TAjoutGrain : public TDialogue {
public:
    TAjoutGrain();

    // Handlers, named as the form binds them.
    void FormShow() override;
    void NivBrChange();
    void TxClChange();
    void DstPtChange();
    void Ord1Change();
    void Ord2Change();
    void NivBrMouseUp();   // shared by the five sliders
    void TacheAleaClick(); // shared by the two methods
    void BitBtn1Click();   // "Réinitialiser"
    void AppliquerClick() override;
    void FormClose() override;

    // One computation for the current settings, then the host's notice.
    void CalculeBruit();

    const grainoubr::Reglages &Reglages() const { return reglages_; }

protected:
    // No reset and no thumbnail: the working copy, then the modal dialog.
    void PreparerEtat() override {}

private:
    // The sliders to their defaults (or to the record's positions), each
    // change handler run.
    void Defauts(const reglages::Enregistrement *depart = nullptr);
    // The settings of the controls now, the generator's state included.
    reglages::Enregistrement Courants() const;
    // The selected method (true: spots), as last taken into account.
    bool taches_ = true;
    grainoubr::Reglages reglages_;
    grainoubr::TamponsTaches tampons_;  // the spots' buffers, from one release to the next
    // The settings the image in the host's array was last computed with, and
    // the generator's state its draws started from; none while it holds the
    // unprocessed image.
    std::optional<reglages::Enregistrement> calcule_;
};

} // namespace velmora
