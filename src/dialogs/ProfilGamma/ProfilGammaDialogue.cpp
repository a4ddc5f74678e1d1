#include "ProfilGammaDialogue.h"

#include "ProfilGammaReglages.h"
#include "imaging/dialogue/Hote.h"

namespace velmora {

TProfGamma::TProfGamma()
    : TDialogueProfils(FormeProfGamma,
                       {"ProfilG", "ProfsG", profilgamma::FiltrePfl, profilgamma::ExtensionPfl,
                        profilgamma::Champs}) {
    LierGraphe([this](const TEvenement &e) { ProfilGMouseDown(e); },
               [this](const TEvenement &e) { ProfilGMouseMove(e); },
               [this](const TEvenement &e) { ProfilGMouseUp(e); });
}

void TProfGamma::ReInitClick(const TEvenement *emetteur) {
    F().DefinirIndex("CoulProfs", 0);
    ReInitCourbes();
    CalculerZoneCoord();
    ImageModifiee = false;
    if (emetteur) RafraichirApercu();
}

int32_t TProfGamma::CourbeActive() {
    // Read at every move; no item selected edits nothing.
    const int32_t i = F().Index("CoulProfs");
    return i >= 0 && i < 4 ? i : -1;
}

void TProfGamma::Enregistrer(const std::filesystem::path &chemin) {
    profilgamma::EnregistrerPfl(chemin, profils_);
}

std::size_t TProfGamma::Charger(const std::filesystem::path &chemin) {
    return profilgamma::ChargerPfl(chemin, profils_);
}

} // namespace velmora
