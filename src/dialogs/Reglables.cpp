// The table of the nine operations' settings, and the dialogs' side of them.
#include "Reglables.h"

#include "AjustImg/AjustImgReglages.h"
#include "AjustLum/AjustLumReglages.h"
#include "BalanceCoul/BalanceCoulReglages.h"
#include "GrainOuBr/Reglages.h"
#include "MonoChrome/MonoChromeReglages.h"
#include "ProfilGamma/ProfilGammaReglages.h"
#include "operations/AjustAuto.h"
#include "operations/InvCoul.h"

#include <cstddef>

namespace velmora::reglables {
namespace {

std::size_t Nombre(int32_t largeur, int32_t hauteur) {
    return std::size_t(int64_t(largeur) * hauteur);
}

// The direct operations take no settings.
void Inversion(const reglages::Enregistrement &, TPtImg *p, int32_t l, int32_t h) {
    InverserPixels(p, Nombre(l, h));
}
void AutoLum(const reglages::Enregistrement &, TPtImg *p, int32_t l, int32_t h) {
    AjustAutoLumPixels(p, Nombre(l, h));
}
void AutoCoul(const reglages::Enregistrement &, TPtImg *p, int32_t l, int32_t h) {
    AjustAutoCoulPixels(p, Nombre(l, h));
}

const Operation operations[9] = {
    {{}, &Inversion},
    {ajustimg::Champs, &ajustimg::AppliquerReglages},
    {profilgamma::Champs, &profilgamma::AppliquerReglages},
    {ajustlum::Champs, &ajustlum::AppliquerReglages},
    {{}, &AutoLum},
    {{}, &AutoCoul},
    {balancecoul::Champs, &balancecoul::AppliquerReglages, &balancecoul::VerifierReglages},
    {grainoubr::Champs, &grainoubr::AppliquerReglages},
    {monochrome::ChampsReglages, &monochrome::AppliquerReglages, nullptr,
     &monochrome::ChargerFichiers},
};

} // namespace

reglages::Enregistrement Lire(const Operation &op, std::string_view texte) {
    reglages::Enregistrement r = reglages::Lire(op.Champs, texte);
    if (op.Verifier) op.Verifier(r);
    return r;
}

const Operation *Trouver(uint32_t operation) {
    if (operation < 1 || operation > 9 || !operations[operation - 1].Appliquer) return nullptr;
    return &operations[operation - 1];
}

} // namespace velmora::reglables
