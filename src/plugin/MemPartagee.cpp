#include "MemPartagee.h"

#include <cstdlib>

namespace velmora::memoire {
namespace {

void *AllouerC(std::size_t taille) { return std::malloc(taille ? taille : 1); }
int LibererC(void *bloc) {
    std::free(bloc);
    return 0;
}
void *RedimensionnerC(void *bloc, std::size_t taille) {
    return std::realloc(bloc, taille ? taille : 1);
}

const Gestionnaire gestionnaireC{AllouerC, LibererC, RedimensionnerC};

} // namespace

const Gestionnaire &Actuel() { return gestionnaireC; }

} // namespace velmora::memoire
