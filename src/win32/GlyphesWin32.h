// The small pictures of the buttons that carry one.
#pragma once

#include "imaging/dialogue/Forme.h"

#include <windows.h>

namespace velmora::win32 {

// The picture of a button that carries one, 16 x 16 from (x, y).
void DessinerGlyphe(HDC dc, TGlyphe g, int x, int y);

} // namespace velmora::win32
