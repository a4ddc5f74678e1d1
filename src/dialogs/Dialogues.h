// The six dialog operations as the dispatch sees them.
#pragma once

#include <velmora/plugin.h>
#include <cstdint>

namespace velmora::dialogues {

// Opens the dialog of operation 2, 3, 4, 7 (mode 0), 8 or 9 on the host's pixels.
// Modal dialogs return when closed. Set-up errors are absorbed.
void Lancer(uint32_t operation, TPtImg *pixels, const TDimImg &dim);

// Operation 7, mode 1: a reference zone picked by the user and the whole image.
void RecevoirZone(TPtImg *zone, TPtImg *image);

// Destroys the dialog instances (library unload).
void Detruire();

// Destroys them and makes new ones, as a fresh load would: for a program that
// drives the library in-process and wants each run to start from nothing.
void Recommencer();

} // namespace velmora::dialogues
