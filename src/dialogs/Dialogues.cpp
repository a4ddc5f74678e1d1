// Dialog operations not built yet: they do nothing and make no callback.
#include "Dialogues.h"

namespace velmora::dialogues {

void Lancer(uint32_t, TPtImg *, const TDimImg &) {}
void RecevoirZone(TPtImg *, TPtImg *) {}
void Detruire() {}

} // namespace velmora::dialogues
