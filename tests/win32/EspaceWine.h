// Wine keeps memory of its own (the tables of its virtual memory manager) in
// the megabytes just below the top of a 32-bit process's address space, where
// the sixteen candidates of the shared page lie: there, no module could ever
// publish, and the library would stop on its message box in LoadLibrary. Then
// a test host reports a lower top through GetSystemInfo, to itself and to the
// library alike (both ask that one function): the top of the highest free
// stretch of the address space, so that the candidates fall in free memory and
// the arrangement runs as it does on Windows. Shared by the Windows test hosts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace espace {

// Candidate i of the shared page under the top GetSystemInfo reports.
inline uintptr_t Candidat(int i) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const uintptr_t haut = reinterpret_cast<uintptr_t>(si.lpMaximumApplicationAddress);
    const uintptr_t c = (haut & ~uintptr_t(0xFFFF)) - uintptr_t(i) * 65536;
    return c - c % si.dwPageSize;
}

inline bool Libre(uintptr_t adresse) {
    MEMORY_BASIC_INFORMATION m{};
    return VirtualQuery(reinterpret_cast<void *>(adresse), &m, sizeof m) == sizeof m &&
           m.State == MEM_FREE;
}

inline bool UnCandidatLibre() {
    for (int i = 0; i < 16; ++i)
        if (Libre(Candidat(i))) return true;
    return false;
}

namespace detail {
inline SYSTEM_INFO systemeReel;
inline uintptr_t sommetSimule = 0;

inline void __stdcall GetSystemInfoSimule(LPSYSTEM_INFO si) {
    *si = systemeReel;
    si->lpMaximumApplicationAddress = reinterpret_cast<void *>(sommetSimule - 1);
}
} // namespace detail

// Lowers the reported top when no candidate is free; true when one is free
// then. *abaisse gets the new top (0 when nothing was changed).
inline bool Preparer(uintptr_t *abaisse = nullptr) {
    if (abaisse) *abaisse = 0;
    if (UnCandidatLibre()) return true;
    GetSystemInfo(&detail::systemeReel);
    // The highest free stretch of at least 2 MiB.
    uintptr_t a = 0x10000, haut = 0;
    const uintptr_t fin =
        reinterpret_cast<uintptr_t>(detail::systemeReel.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION m{};
    while (a < fin && VirtualQuery(reinterpret_cast<void *>(a), &m, sizeof m) == sizeof m) {
        const uintptr_t suivant = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
        if (m.State == MEM_FREE && m.RegionSize >= 0x200000) haut = suivant & ~uintptr_t(0xFFFF);
        if (suivant <= a) break;
        a = suivant;
    }
    if (!haut) return false;
    detail::sommetSimule = haut;
    auto *cible = reinterpret_cast<uint8_t *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemInfo"));
    DWORD ancienne = 0;
    if (!cible || !VirtualProtect(cible, 5, PAGE_EXECUTE_READWRITE, &ancienne)) return false;
    cible[0] = 0xE9; // jmp rel32
    const int32_t saut = int32_t(reinterpret_cast<uintptr_t>(&detail::GetSystemInfoSimule) -
                                 reinterpret_cast<uintptr_t>(cible + 5));
    std::memcpy(cible + 1, &saut, 4);
    VirtualProtect(cible, 5, ancienne, &ancienne);
    FlushInstructionCache(GetCurrentProcess(), cible, 5);
    if (abaisse) *abaisse = haut;
    return UnCandidatLibre();
}

} // namespace espace
