#include "AjustLumDialogue.h"

#include "imaging/dialogue/Hote.h"

namespace velmora {

TAjustLumManu::TAjustLumManu()
    : TDialogueProfils(FormeAjustLumManu,
                       {"ProfilL", "ProfsL", ajustlum::FiltrePlu, ajustlum::ExtensionPlu}) {}

void TAjustLumManu::ReInitClick(const TEvenement *emetteur) {
    ReInitCourbes();
    ImageModifiee = false;
    CalculerZoneCoord();
    if (emetteur) RafraichirApercu();
}

void TAjustLumManu::Enregistrer(const std::filesystem::path &chemin) {
    ajustlum::EnregistrerPlu(chemin, profLum_);
}

void TAjustLumManu::Charger(const std::filesystem::path &chemin) {
    ajustlum::ChargerPlu(chemin, profLum_);
}

} // namespace velmora
