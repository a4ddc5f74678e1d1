#include "AjustAuto.h"

namespace velmora {
void AjustAutoLum(TPtImg *, const TDimImg &) {}
void AjustAutoCoul(TPtImg *, const TDimImg &) {}
} // namespace velmora
