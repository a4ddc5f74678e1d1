// What the library knows of its host: the return callback and the changed flag.
#pragma once

#include <velmora/plugin.h>

namespace velmora {

// True once an operation has written a result the host should keep.
// Cleared by every XchgData; passed in every callback.
extern bool ImageModifiee;

void DefinirRetour(TRetour code, void *contexte);

// Calls the host back with (context, largeur, hauteur, 0, 0, zone, 0,
// ImageModifiee, fin). Does nothing while no callback is registered.
void AppelerRetour(int32_t largeur, int32_t hauteur, bool demandeZone, bool fin);

} // namespace velmora
