// "Ajustement des paramètres d'image": four sliders and the preview.
#pragma once

#include "AjustImg.h"
#include "imaging/qt/BarreCurseur.h"
#include "imaging/qt/DialogueBase.h"

class QLabel;

namespace velmora {

class TAjustCoul : public qt::DialogueBase {
    Q_OBJECT
public:
    TAjustCoul();

    // Handlers, named as the form binds them.
    void FormShow() override;
    void FormClose() override;
    void PosGammaChange(QObject *sender);
    void PosGammaMouseUp(QObject *sender);
    void PosContrasteChange(QObject *sender);
    void PosContrasteMouseUp(QObject *sender);
    void PosLuminositeChange(QObject *sender);
    void PosLuminositeMouseUp(QObject *sender);
    void PosSaturationChange(QObject *sender);
    void PosSaturationMouseUp(QObject *sender);
    void ReInitClick(QObject *sender) override;
    void AnnulerClick() override;
    void AppliquerClick() override;

protected:
    void RafraichirApercu() override;
    const RegleBloc *Regle() const override { return &regle_; }

private:
    ajustimg::Reglages reglages_;
    ajustimg::RegleAjustCoul regle_;

    QLabel *Label1, *Label2, *Label3, *Label4;
    qt::TBarreCurseur *PosGamma, *PosContraste, *PosLuminosite, *PosSaturation;
    QLabel *ValG, *ValC, *ValL, *ValS;
};

} // namespace velmora
