#include "Generateur.h"

namespace velmora::grainoubr {

uint32_t GraineAlea = 0;

} // namespace velmora::grainoubr
