// Windows side of the shared page: the system's memory and process services.
#include "MemPartagee.h"

#include <windows.h>

#include <cstring>

// Set when the system unloads the library because the process ends (as
// opposed to FreeLibrary): DllMain is then told so by a non-null third argument.
static bool sortieDuProcessus = false;

namespace velmora::memoire::plateforme {

std::size_t TaillePage() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return si.dwPageSize;
}

uintptr_t AdresseMaximale() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return reinterpret_cast<uintptr_t>(si.lpMaximumApplicationAddress);
}

uintptr_t AdresseMinimale() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return reinterpret_cast<uintptr_t>(si.lpMinimumApplicationAddress);
}

uint32_t IdProcessus() { return GetCurrentProcessId(); }

void *Reserver(uintptr_t adresse, std::size_t taille) {
    return VirtualAlloc(reinterpret_cast<void *>(adresse), taille, MEM_RESERVE | MEM_COMMIT,
                        PAGE_READWRITE);
}

// A reserved or committed region is passed down to the base of its
// allocation. A page placed by this arrangement is an allocation of its own, so
// it stands only at such a base, where the walk looks itself. Wine reports the
// memory it keeps for itself as reserved, based at the end of the allocation
// below it: passed in one step too.
Etendue Examiner(uintptr_t adresse, std::size_t taille) {
    MEMORY_BASIC_INFORMATION m{};
    if (VirtualQuery(reinterpret_cast<const void *>(adresse), &m, sizeof m) != sizeof m)
        return {}; // VirtualAlloc will tell
    const uintptr_t fin = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
    if (m.State == MEM_FREE) {
        // Free: the stretch's bottom goes with it, for a system that still
        // refuses it (64-bit Wine reports the top it keeps for itself as free).
        if (fin - adresse >= taille)
            return {true, reinterpret_cast<uintptr_t>(m.BaseAddress), false};
        return {false, adresse, false}; // a free gap narrower than the page
    }
    const auto base = reinterpret_cast<uintptr_t>(m.AllocationBase);
    return {false, base && base <= adresse ? base : adresse, false};
}

// Region by region, up the address space from its bottom (VirtualQuery tells
// a region from the queried page upwards, so a free stretch is passed in one
// step only going up): a page stands only at the base of a private allocation
// of its own, at a candidate. The last one found is the highest.
uintptr_t ChercherPage(uintptr_t sous, uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t nb,
                       bool (*valide)(uintptr_t)) {
    uintptr_t trouvee = 0;
    for (uintptr_t a = AdresseMinimale(); a < sous;) {
        MEMORY_BASIC_INFORMATION m{};
        if (VirtualQuery(reinterpret_cast<const void *>(a), &m, sizeof m) != sizeof m) break;
        const auto base = reinterpret_cast<uintptr_t>(m.BaseAddress);
        if (m.State != MEM_FREE && m.Type == MEM_PRIVATE && reinterpret_cast<uintptr_t>(m.AllocationBase) == base &&
            base < sous) {
            const uintptr_t i = PremierSous(adresseMaxi, taillePage, base + 1); // the candidate at or below base
            if (i < nb && Candidat(adresseMaxi, taillePage, i) == base && valide(base)) trouvee = base;
        }
        const uintptr_t fin = base + m.RegionSize;
        if (fin <= a) break;
        a = fin;
    }
    return trouvee;
}

void Rendre(void *page, std::size_t taille) {
    VirtualFree(page, taille, MEM_DECOMMIT);
    VirtualFree(page, 0, MEM_RELEASE);
}

// Only a private allocation based exactly at the candidate, as VirtualAlloc
// makes the page: a view of a file may fault when read (an in-page error on a
// shrunk or remote file), and memory inside another allocation is not a page.
bool Lire(uintptr_t adresse, void *dest, std::size_t n) {
    MEMORY_BASIC_INFORMATION m{};
    if (VirtualQuery(reinterpret_cast<const void *>(adresse), &m, sizeof m) != sizeof m)
        return false;
    constexpr DWORD Lisible = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (m.State != MEM_COMMIT || m.Type != MEM_PRIVATE ||
        reinterpret_cast<uintptr_t>(m.AllocationBase) != adresse ||
        (m.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(m.Protect & Lisible))
        return false;
    const uintptr_t fin = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
    if (adresse + n < adresse || adresse + n > fin) return false;
    std::memcpy(dest, reinterpret_cast<const void *>(adresse), n);
    return true;
}

void Signaler(const char *titre, const char *message) {
    MessageBoxA(nullptr, message, titre, MB_OK);
}

void Terminer() {
    TerminateProcess(GetCurrentProcess(), 0);
    for (;;) Sleep(INFINITE); // TerminateProcess on oneself does not return
}

void GuetterSortie() {}

bool SortieEnCours() { return sortieDuProcessus; }

void ApresFork(void (*)()) {} // no fork on Windows

} // namespace velmora::memoire::plateforme

// The run-time calls this before it runs the library's destructors.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD raison, LPVOID reserve) {
    if (raison == DLL_PROCESS_DETACH && reserve != nullptr)
        sortieDuProcessus = true;
    return TRUE;
}
