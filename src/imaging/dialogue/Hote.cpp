#include "Hote.h"

namespace velmora {

bool ImageModifiee = false;

namespace {
FonctionNotification notification = nullptr;
}

void InstallerNotification(FonctionNotification f) { notification = f; }

void Notifier(int32_t largeur, int32_t hauteur, bool demandeZone, bool fin) {
    if (notification) notification(largeur, hauteur, demandeZone, ImageModifiee, fin);
}

} // namespace velmora
