#include "AjustLumDialogue.h"

#include "AjustLumReglages.h"
#include "imaging/dialogue/Hote.h"

namespace velmora {

TAjustLumManu::TAjustLumManu()
    : TDialogueProfils(FormeAjustLumManu,
                       {"ProfilL", "ProfsL", ajustlum::FiltrePlu, ajustlum::ExtensionPlu,
                        ajustlum::Champs}) {
    LierGraphe([this](const TEvenement &e) { ProfilLMouseDown(e); },
               [this](const TEvenement &e) { ProfilLMouseMove(e); },
               [this](const TEvenement &e) { ProfilLMouseUp(e); });
}

void TAjustLumManu::ReInitClick(const TEvenement *emetteur) {
    ReInitCourbes();
    ImageModifiee = false;
    CalculerZoneCoord();
    if (emetteur) RafraichirApercu();
}

void TAjustLumManu::Enregistrer(const std::filesystem::path &chemin) {
    ajustlum::EnregistrerPlu(chemin, profLum_);
}

std::size_t TAjustLumManu::Charger(const std::filesystem::path &chemin) {
    ajustlum::ChargerPlu(chemin, profLum_);
    return 1;
}

} // namespace velmora
