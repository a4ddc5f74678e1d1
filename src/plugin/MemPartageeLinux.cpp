// The shared page on Linux.
#include "MemPartagee.h"

#include "../imaging/Sortie.h"

#include <pthread.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstring>


namespace velmora::memoire::plateforme {
namespace {

// The top of the address space a process gets without asking for more: 47 bits
// on x86-64 (the kernel hands out higher addresses only on explicit request),
// 3 GiB on 32-bit systems.
#if UINTPTR_MAX > 0xFFFFFFFFu
constexpr uintptr_t HautUtilisateur = 0x7FFFFFFFF000;
#else
constexpr uintptr_t HautUtilisateur = 0xC0000000;
#endif

// Room the kernel keeps free below a stack before refusing to grow it
// (stack_guard_gap: 256 pages by default).
constexpr uintptr_t GardePile = 256 * 4096;
// How far the stack may grow when its limit is "unlimited" (or huge).
constexpr uintptr_t PorteeMaxi = uintptr_t(1) << 30;

} // namespace

std::size_t TaillePage() { return std::size_t(sysconf(_SC_PAGESIZE)); }

// The highest application address, unless the main thread's stack reaches into
// the 16 candidates below it. A stack grows down, away from a page above its
// top, so a page at the top of the address space hinders nothing as long as the
// stack starts below it, which address randomisation makes almost certain (the
// stack top falls anywhere in the 16 GiB under the top). Without randomisation
// (a debugger, setarch -R) the stack starts at the very top and a page just
// under it would stop it growing: the page then goes below the stack's reach.
uintptr_t AdresseMaximale() {
    const uintptr_t maxi = HautUtilisateur - 1;
    // The kernel copies the program's name to the top of the main stack, just
    // under a final null word.
    const auto nom = reinterpret_cast<const char *>(getauxval(AT_EXECFN));
    if (!nom) return maxi;
    const uintptr_t p = TaillePage();
    const uintptr_t fin = reinterpret_cast<uintptr_t>(nom) + std::strlen(nom) + 1 + sizeof(void *);
    const uintptr_t hautPile = (fin + p - 1) & ~(p - 1);
    if (hautPile <= Candidat(maxi, p, NbCandidats - 1)) return maxi;
    rlimit limite{};
    uintptr_t portee = PorteeMaxi;
    if (getrlimit(RLIMIT_STACK, &limite) == 0 && limite.rlim_cur != RLIM_INFINITY &&
        limite.rlim_cur < PorteeMaxi)
        portee = uintptr_t(limite.rlim_cur);
    return hautPile - portee - GardePile - 1;
}

uint32_t IdProcessus() { return uint32_t(getpid()); }

// MAP_FIXED_NOREPLACE never replaces a mapping; a kernel too old to know the
// flag takes the address as a hint and may map elsewhere.
void *Reserver(uintptr_t adresse, std::size_t taille) {
    void *p = mmap(reinterpret_cast<void *>(adresse), taille, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void Rendre(void *page, std::size_t taille) { munmap(page, taille); }

// Through the kernel, which reports an unreadable address instead of faulting
// (and is not checked by the address sanitizer, as this memory is not ours).
bool Lire(uintptr_t adresse, void *dest, std::size_t n) {
    iovec local{dest, n};
    iovec distant{reinterpret_cast<void *>(adresse), n};
    return process_vm_readv(getpid(), &local, 1, &distant, 1, 0) == ssize_t(n);
}

void Signaler(const char *titre, const char *message) {
    for (const char *morceau : {titre, ": ", message, "\n"})
        if (write(STDERR_FILENO, morceau, std::strlen(morceau)) < 0) return;
}

void Terminer() { _exit(0); }

void GuetterSortie() { sortie::Guetter(); }

bool SortieEnCours() { return sortie::EnCours(); }

void ApresFork(void (*f)()) { pthread_atfork(nullptr, nullptr, f); }

} // namespace velmora::memoire::plateforme
