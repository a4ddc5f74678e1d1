#include "AjustImgForm.h"

#include "imaging/Hote.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace velmora {

namespace {
void Ecrire(QLabel *l, const std::string &texte) {
    l->setText(QString::fromStdString(texte));
    l->adjustSize();
}
} // namespace

TAjustCoul::TAjustCoul()
    : qt::DialogueBase("AjustCoul", QStringLiteral("Ajustement des paramètres d'image"), 642,
                       344, false) {
    AppliquerPolice();
    CreerApercu();
    Label1 = CreerEtiquette("Label1", QStringLiteral("Gamma :"), 345, 35);
    PosGamma = new qt::TBarreCurseur(this, "PosGamma", 405, 30, 201, 36, -50, 50, 0, 5);
    ValG = CreerEtiquette("ValG", QString(), 608, 35);
    Label2 = CreerEtiquette("Label2", QStringLiteral("Contraste :"), 345, 85);
    PosContraste = new qt::TBarreCurseur(this, "PosContraste", 405, 80, 201, 36, 0, 100, 50, 5);
    ValC = CreerEtiquette("ValC", QString(), 608, 85);
    Label3 = CreerEtiquette("Label3", QStringLiteral("Luminosité :"), 345, 135);
    PosLuminosite =
        new qt::TBarreCurseur(this, "PosLuminosite", 405, 130, 201, 45, 0, 100, 50, 5);
    ValL = CreerEtiquette("ValL", QString(), 608, 135);
    Label4 = CreerEtiquette("Label4", QStringLiteral("Saturation :"), 345, 190);
    PosSaturation =
        new qt::TBarreCurseur(this, "PosSaturation", 405, 185, 201, 45, -100, 100, 0, 10);
    ValS = CreerEtiquette("ValS", QString(), 608, 190);
    CreerBoutons(QRect(345, 303, 80, 25), QRect(447, 303, 80, 25), QRect(550, 303, 80, 25));

    setTabOrder(PosGamma, PosContraste);
    setTabOrder(PosContraste, PosLuminosite);
    setTabOrder(PosLuminosite, ReInit);
    setTabOrder(ReInit, Annuler);
    setTabOrder(Annuler, Appliquer);
    setTabOrder(Appliquer, CadreAff);
    setTabOrder(CadreAff, PosSaturation);

    using B = qt::TBarreCurseur;
    Relier(PosGamma, &B::valueChanged, [this] { PosGammaChange(PosGamma); });
    Relier(PosGamma, &B::MouseUp, [this] { PosGammaMouseUp(PosGamma); });
    Relier(PosContraste, &B::valueChanged, [this] { PosContrasteChange(PosContraste); });
    Relier(PosContraste, &B::MouseUp, [this] { PosContrasteMouseUp(PosContraste); });
    Relier(PosLuminosite, &B::valueChanged, [this] { PosLuminositeChange(PosLuminosite); });
    Relier(PosLuminosite, &B::MouseUp, [this] { PosLuminositeMouseUp(PosLuminosite); });
    Relier(PosSaturation, &B::valueChanged, [this] { PosSaturationChange(PosSaturation); });
    Relier(PosSaturation, &B::MouseUp, [this] { PosSaturationMouseUp(PosSaturation); });
}

// Each change handler stores the setting, writes its label, then runs what a
// release of the slider runs.
void TAjustCoul::PosGammaChange(QObject *) {
    reglages_.ValeurGamma = ajustimg::ValeurGamma(PosGamma->Position());
    Ecrire(ValG, ajustimg::TexteGamma(reglages_.ValeurGamma, qt::SeparateurDecimal()));
    PosGammaMouseUp(this);
}

void TAjustCoul::PosGammaMouseUp(QObject *) {
    reglages_.CalculerGamma();
    RafraichirApercu();
}

void TAjustCoul::PosContrasteChange(QObject *) {
    reglages_.Contraste = PosContraste->Position();
    Ecrire(ValC, ajustimg::TextePourcent(reglages_.Contraste));
    PosContrasteMouseUp(this);
}

void TAjustCoul::PosContrasteMouseUp(QObject *) {
    reglages_.CalculerContraste();
    RafraichirApercu();
}

void TAjustCoul::PosLuminositeChange(QObject *) {
    reglages_.Luminosite = PosLuminosite->Position();
    Ecrire(ValL, ajustimg::TextePourcent(reglages_.Luminosite));
    PosLuminositeMouseUp(this);
}

void TAjustCoul::PosLuminositeMouseUp(QObject *) {
    reglages_.CalculerLum();
    RafraichirApercu();
}

void TAjustCoul::PosSaturationChange(QObject *) {
    reglages_.ValeurSaturation = PosSaturation->Position();
    Ecrire(ValS, ajustimg::TexteSaturation(reglages_.ValeurSaturation));
    PosSaturationMouseUp(this);
}

void TAjustCoul::PosSaturationMouseUp(QObject *) { RafraichirApercu(); }

void TAjustCoul::RafraichirApercu() {
    reglages_.ReconstruireLGC();
    regle_.Definir(reglages_.TableLGC, reglages_.Facteur());
    qt::DialogueBase::RafraichirApercu();
}

void TAjustCoul::FormShow() {
    {
        // The change handlers run once each, below, in this order.
        const QSignalBlocker b1(PosGamma), b2(PosContraste), b3(PosLuminosite),
            b4(PosSaturation);
        PosGamma->DefinirPosition(0);
        PosContraste->DefinirPosition(50);
        PosLuminosite->DefinirPosition(50);
        PosSaturation->DefinirPosition(0);
    }
    PosGammaChange(this);
    PosContrasteChange(this);
    PosLuminositeChange(this);
    PosSaturationChange(this);
}

void TAjustCoul::ReInitClick(QObject *sender) {
    if (sender) FormShow();
    reglages_.ReInit();
    ImageModifiee = false;
    if (sender) RafraichirApercu();
}

void TAjustCoul::AnnulerClick() { ImageModifiee = false; }

void TAjustCoul::AppliquerClick() {
    // TableLGC as last rebuilt for the preview; the factor from the current setting.
    regle_.Definir(reglages_.TableLGC, reglages_.Facteur());
    qt::DialogueBase::AppliquerClick();
}

void TAjustCoul::FormClose() { qt::DialogueBase::FormClose(); }

} // namespace velmora
