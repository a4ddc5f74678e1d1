// What a dialog may tell its host: the library-wide changed flag and the
// notices. The boundary (src/plugin) owns the callback itself and installs
// the way to reach it; dialogs only ask for a notice.
#pragma once

#include <cstdint>

namespace velmora {

// True once an operation has written a result the host should keep.
// Cleared by every XchgData; passed in every notice.
extern bool ImageModifiee;

// (largeur, hauteur, demandeZone, imageModifiee, fin) -> the host's callback.
using FonctionNotification = void (*)(int32_t largeur, int32_t hauteur, bool demandeZone,
                                      bool imageModifiee, bool fin);
void InstallerNotification(FonctionNotification f);

// A notice to the host with the current ImageModifiee. Nothing happens while
// no way to the host is installed.
void Notifier(int32_t largeur, int32_t hauteur, bool demandeZone, bool fin);

} // namespace velmora
