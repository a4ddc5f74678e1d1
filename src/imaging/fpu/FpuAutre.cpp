// Platforms without an x87 unit: long double is what the compiler makes of it
// and the environment is left as the host has it.
#include "../Fpu.h"

namespace velmora::fpu {

Environnement Lire() { return {}; }
void Ecrire(const Environnement &) {}
Environnement Propre() { return {}; }

} // namespace velmora::fpu
