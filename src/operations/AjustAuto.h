// Operations 5 and 6: automatic luminosity and colour levels.
#pragma once

#include <velmora/plugin.h>

namespace velmora {

void AjustAutoLum(TPtImg *pixels, const TDimImg &dim);
void AjustAutoCoul(TPtImg *pixels, const TDimImg &dim);

} // namespace velmora
