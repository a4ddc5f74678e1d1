// "Ajustement des paramètres d'image" (operation 2): four sliders and the
// preview. The rules are in AjustImg.h, the form in AjustImgForme.cpp.
#pragma once

#include "AjustImg.h"
#include "imaging/dialogue/Dialogue.h"

namespace velmora {

extern const TForme FormeAjustCoul;

class TAjustCoul : public TDialogue {
public:
    TAjustCoul();

    // Handlers, named as the form binds them.
    void FormShow() override;
    void PosGammaChange(const TEvenement *emetteur);
    void PosGammaMouseUp(const TEvenement *emetteur);
    void PosContrasteChange(const TEvenement *emetteur);
    void PosContrasteMouseUp(const TEvenement *emetteur);
    void PosLuminositeChange(const TEvenement *emetteur);
    void PosLuminositeMouseUp(const TEvenement *emetteur);
    void PosSaturationChange(const TEvenement *emetteur);
    void PosSaturationMouseUp(const TEvenement *emetteur);
    void ReInitClick(const TEvenement *emetteur) override;
    void AppliquerClick() override;

    const ajustimg::Reglages &Reglages() const { return reglages_; }

protected:
    void RafraichirApercu() override;
    const RegleBloc *Regle() const override { return &regle_; }

private:
    ajustimg::Reglages reglages_;
    ajustimg::RegleAjustCoul regle_;
};

} // namespace velmora
