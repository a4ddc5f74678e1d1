#include "GrandesPages.h"

#include <sys/mman.h>

#include <cstdint>

namespace velmora {

void GrandesPages(void *bloc, std::size_t octets) {
#ifdef MADV_HUGEPAGE
    if (!bloc || octets < SeuilGrandesPages) return;
    // Transparent large pages are 2 MB on the processors this runs on; only whole
    // ones inside the block (its first bytes may already be touched by the
    // allocator's own header, and belong to the block before it).
    constexpr uintptr_t Taille = uintptr_t(2) << 20;
    const uintptr_t debut = (reinterpret_cast<uintptr_t>(bloc) + Taille - 1) & ~(Taille - 1);
    const uintptr_t fin = (reinterpret_cast<uintptr_t>(bloc) + octets) & ~(Taille - 1);
    // A refusal (no such pages, a mapping that cannot have them) leaves small ones.
    if (fin > debut) madvise(reinterpret_cast<void *>(debut), fin - debut, MADV_HUGEPAGE);
#else
    (void)bloc;
    (void)octets;
#endif
}

} // namespace velmora
