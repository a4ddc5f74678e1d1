// The dialog operations in a build without a dialog back end (the Windows DLL
// until its native forms come): nothing is shown, read or written, and no
// callback is made.
#include "Dialogues.h"

namespace velmora::dialogues {

void Lancer(uint32_t, TPtImg *, const TDimImg &) {}
void RecevoirZone(TPtImg *, TPtImg *) {}
void Detruire() {}

} // namespace velmora::dialogues
