// The memory manager that host and plug-in share: every counted array block
// is allocated, resized and freed through these three entry points, so either
// side may free what the other allocated. Backed by the C allocator for now;
// the process-wide published manager will replace what stands behind them.
#pragma once

#include <cstddef>

namespace velmora::memoire {

struct Gestionnaire {
    void *(*Allouer)(std::size_t taille);
    int (*Liberer)(void *bloc); // 0 on success
    void *(*Redimensionner)(void *bloc, std::size_t taille);
};

const Gestionnaire &Actuel();

inline void *Allouer(std::size_t taille) { return Actuel().Allouer(taille); }
inline int Liberer(void *bloc) { return Actuel().Liberer(bloc); }
inline void *Redimensionner(void *bloc, std::size_t taille) {
    return Actuel().Redimensionner(bloc, taille);
}

} // namespace velmora::memoire
