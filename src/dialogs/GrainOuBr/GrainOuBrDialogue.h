// "Ajout de Grain ou de Bruit dans l'image" (operation 8): no thumbnail; each
// computation goes over the whole image into the host's array and the host
// redraws it. Rules in GrainOuBr.h, form in GrainOuBrForme.cpp.
#pragma once

#include "GrainOuBr.h"
#include "imaging/dialogue/Dialogue.h"

#include <cstddef>

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
    // The sliders to their defaults, each change handler run.
    void Defauts();
    // The selected method (true: spots), as last taken into account.
    bool taches_ = true;
    grainoubr::Reglages reglages_;
    grainoubr::TamponsTaches tampons_;  // the spots' buffers, from one release to the next
};

} // namespace velmora
