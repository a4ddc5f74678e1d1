#include "Hote.h"

namespace velmora {

bool ImageModifiee = false;

namespace {
TRetour codeRetour = nullptr;
void *contexteRetour = nullptr;
} // namespace

void DefinirRetour(TRetour code, void *contexte) {
    codeRetour = code;
    contexteRetour = contexte;
}

void AppelerRetour(int32_t largeur, int32_t hauteur, bool demandeZone, bool fin) {
    if (!codeRetour) return;
    codeRetour(contexteRetour, largeur, hauteur, 0, 0, demandeZone ? 1 : 0, 0,
               ImageModifiee ? 1 : 0, fin ? 1 : 0);
}

} // namespace velmora
