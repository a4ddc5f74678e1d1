#include "MemPartagee.h"

#include <cstdlib>

namespace velmora::memoire {
namespace {

void *VELMORA_CONV_MEMOIRE AllouerC(std::size_t taille) { return std::malloc(taille ? taille : 1); }
int VELMORA_CONV_MEMOIRE LibererC(void *bloc) {
    std::free(bloc);
    return 0;
}
void *VELMORA_CONV_MEMOIRE RedimensionnerC(void *bloc, std::size_t taille) {
    return std::realloc(bloc, taille ? taille : 1);
}

const Gestionnaire gestionnaireC{AllouerC, LibererC, RedimensionnerC};

} // namespace

const Gestionnaire &Actuel() { return gestionnaireC; }
bool Pret() { return true; }

} // namespace velmora::memoire
