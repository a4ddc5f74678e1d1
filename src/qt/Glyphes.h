// The small pictures of the buttons that carry one.
#pragma once

#include "imaging/dialogue/Forme.h"

#include <QIcon>

namespace velmora::qt {

QIcon Glyphe(TGlyphe g);

} // namespace velmora::qt
