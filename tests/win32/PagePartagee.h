// The shared memory manager's page as a Windows host that takes part in the
// arrangement sees it: the walk down the address space, written here on its
// own and the plain way (every 64 KiB step, no stretch passed at once), so that
// the tests check where the library lands against it. Shared by the Windows
// test hosts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace page {

inline SYSTEM_INFO Systeme() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return si;
}

// Candidate i: 64 KiB apart, from the top of the application address space down.
inline uintptr_t Candidat(long i) {
    const SYSTEM_INFO si = Systeme();
    const uintptr_t haut = reinterpret_cast<uintptr_t>(si.lpMaximumApplicationAddress) & ~uintptr_t(0xFFFF);
    const uintptr_t c = haut - uintptr_t(i) * 0x10000;
    return c - c % si.dwPageSize;
}

// Candidates at or above the lowest application address.
inline long NbCandidats() {
    const auto mini = reinterpret_cast<uintptr_t>(Systeme().lpMinimumApplicationAddress);
    return long((Candidat(0) - mini) / 0x10000) + 1;
}

// Free memory for a whole page at a, as the system reports it.
inline bool Libre(uintptr_t a) {
    MEMORY_BASIC_INFORMATION m{};
    return VirtualQuery(reinterpret_cast<void *>(a), &m, sizeof m) == sizeof m && m.State == MEM_FREE &&
           reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize - a >= Systeme().dwPageSize;
}

// Whether a module starting now could publish at candidate i: the first 16 are
// tried whatever the system reports (the memory Wine keeps for itself is
// reported reserved, yet may have room), the others only where it reports
// free memory. Tried for real, then given back.
inline bool Disponible(long i) {
    if (i >= 16 && !Libre(Candidat(i))) return false;
    void *p = VirtualAlloc(reinterpret_cast<void *>(Candidat(i)), Systeme().dwPageSize,
                           MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p) VirtualFree(p, 0, MEM_RELEASE);
    return p == reinterpret_cast<void *>(Candidat(i));
}

// The first candidate where a module starting now would publish, or -1.
inline long PremierDisponible() {
    const long n = NbCandidats();
    for (long i = 0; i < n; ++i)
        if (Disponible(i)) return i;
    return -1;
}

// Word index of the second signature: after three code addresses of 4 or 8 bytes.
constexpr int MotSignature2 = sizeof(void *) == 4 ? 8 : 11;

// A page valid for this process at a: committed, read-write, the four signature words.
inline bool Valide(uintptr_t a) {
    MEMORY_BASIC_INFORMATION m{};
    if (VirtualQuery(reinterpret_cast<void *>(a), &m, sizeof m) != sizeof m || m.State != MEM_COMMIT ||
        !(m.Protect & (PAGE_READWRITE | PAGE_EXECUTE_READWRITE)))
        return false;
    const auto *mots = reinterpret_cast<const uint32_t *>(a);
    const uint32_t pid = GetCurrentProcessId();
    return mots[2] == (pid ^ 0x4567FEEDu) && mots[3] == 0xBABE0123u && mots[MotSignature2] == (pid ^ 0x3210B00Bu) &&
           mots[MotSignature2 + 1] == 0xF00D7654u;
}

// Where a module starting now would join: the first valid page on the walk,
// with no place to publish above it; -1 when it would publish instead.
inline long PageSurLeParcours() {
    const long n = NbCandidats();
    for (long i = 0; i < n; ++i) {
        if (Disponible(i)) return -1;
        if (Valide(Candidat(i))) return i;
    }
    return -1;
}

// The host takes every one of the first 16 candidates still free (reserved, no
// access), as Wine's own memory takes them all in many processes: a module
// then has to go below them. Returns what it reserved, for Rendre.
inline std::vector<void *> OccuperLesSeize() {
    std::vector<void *> prises;
    for (long i = 0; i < 16; ++i)
        if (void *p = VirtualAlloc(reinterpret_cast<void *>(Candidat(i)), Systeme().dwPageSize, MEM_RESERVE,
                                   PAGE_NOACCESS))
            prises.push_back(p);
    return prises;
}

inline void Rendre(std::vector<void *> &prises) {
    for (void *p : prises) VirtualFree(p, 0, MEM_RELEASE);
    prises.clear();
}

} // namespace page
