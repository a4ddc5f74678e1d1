#include "AjustImgDialogue.h"

#include "AjustImgReglages.h"
#include "imaging/dialogue/Hote.h"

namespace velmora {

TAjustCoul::TAjustCoul() : TDialogue(FormeAjustCoul) {
    using T = TTypeEvenement;
    Lier("PosGamma", T::Change, [this](const TEvenement &e) { PosGammaChange(&e); });
    Lier("PosGamma", T::Relache, [this](const TEvenement &e) { PosGammaMouseUp(&e); });
    Lier("PosContraste", T::Change, [this](const TEvenement &e) { PosContrasteChange(&e); });
    Lier("PosContraste", T::Relache, [this](const TEvenement &e) { PosContrasteMouseUp(&e); });
    Lier("PosLuminosite", T::Change, [this](const TEvenement &e) { PosLuminositeChange(&e); });
    Lier("PosLuminosite", T::Relache, [this](const TEvenement &e) { PosLuminositeMouseUp(&e); });
    Lier("PosSaturation", T::Change, [this](const TEvenement &e) { PosSaturationChange(&e); });
    Lier("PosSaturation", T::Relache, [this](const TEvenement &e) { PosSaturationMouseUp(&e); });
}

// Each change handler stores the setting, writes its label, then runs what a
// release of the slider runs.
void TAjustCoul::PosGammaChange(const TEvenement *) {
    reglages_.ValeurGamma = ajustimg::ValeurGamma(F().Position("PosGamma"));
    F().DefinirTexte("ValG", ajustimg::TexteGamma(reglages_.ValeurGamma, F().SeparateurDecimal()));
    PosGammaMouseUp(nullptr);
}

void TAjustCoul::PosGammaMouseUp(const TEvenement *) {
    reglages_.CalculerGamma();
    RafraichirApercu();
}

void TAjustCoul::PosContrasteChange(const TEvenement *) {
    reglages_.Contraste = F().Position("PosContraste");
    F().DefinirTexte("ValC", ajustimg::TextePourcent(reglages_.Contraste));
    PosContrasteMouseUp(nullptr);
}

void TAjustCoul::PosContrasteMouseUp(const TEvenement *) {
    reglages_.CalculerContraste();
    RafraichirApercu();
}

void TAjustCoul::PosLuminositeChange(const TEvenement *) {
    reglages_.Luminosite = F().Position("PosLuminosite");
    F().DefinirTexte("ValL", ajustimg::TextePourcent(reglages_.Luminosite));
    PosLuminositeMouseUp(nullptr);
}

void TAjustCoul::PosLuminositeMouseUp(const TEvenement *) {
    reglages_.CalculerLum();
    RafraichirApercu();
}

void TAjustCoul::PosSaturationChange(const TEvenement *) {
    reglages_.ValeurSaturation = F().Position("PosSaturation");
    F().DefinirTexte("ValS", ajustimg::TexteSaturation(reglages_.ValeurSaturation));
    PosSaturationMouseUp(nullptr);
}

void TAjustCoul::PosSaturationMouseUp(const TEvenement *) { RafraichirApercu(); }

void TAjustCoul::RafraichirApercu() {
    reglages_.ReconstruireLGC();
    regle_.Definir(reglages_.TableLGC, reglages_.Facteur());
    TDialogue::RafraichirApercu();
}

namespace {
// Each slider and its setting.
constexpr std::pair<const char *, const char *> Curseurs[] = {
    {"PosGamma", "gamma"}, {"PosContraste", "contraste"},
    {"PosLuminosite", "luminosite"}, {"PosSaturation", "saturation"}};
} // namespace

void TAjustCoul::FormShow() {
    // The sliders back to the form's own positions (or to the settings the
    // opening was given), then each change handler once, in this order.
    const auto depart = PrendreDepart();
    for (const auto &[nom, reglage] : Curseurs)
        F().DefinirPosition(nom, depart ? int32_t(depart->Entier(reglage))
                                        : Table().Controle(nom)->Position);
    PosGammaChange(nullptr);
    PosContrasteChange(nullptr);
    PosLuminositeChange(nullptr);
    PosSaturationChange(nullptr);
}

void TAjustCoul::ReInitClick(const TEvenement *emetteur) {
    if (emetteur) FormShow();
    reglages_.ReInit();
    ImageModifiee = false;
    if (emetteur) RafraichirApercu();
}

void TAjustCoul::AppliquerClick() {
    // TableLGC as last rebuilt for the preview; the factor from the current setting.
    regle_.Definir(reglages_.TableLGC, reglages_.Facteur());
    TDialogue::AppliquerClick();
    reglages::Enregistrement r(ajustimg::Champs);
    for (const auto &[nom, reglage] : Curseurs) r[reglage].Entier = F().Position(nom);
    RetenirAppliques(std::move(r));
}

} // namespace velmora
