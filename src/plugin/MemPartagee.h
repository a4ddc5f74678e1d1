// The page through which the modules of one process share a memory manager,
// and the seam to the platform under it (one file per platform:
// MemPartageeLinux.cpp, MemPartageeWin32.cpp).
#pragma once

#include <velmora/memoire.h>

#include <cstddef>
#include <cstdint>

namespace velmora::memoire {

// The shared page, at its start; the rest of the page is reserved (0).
// Offsets on a 32-bit system: 0, 4, 8, 16, 28, 32. On a 64-bit one the code
// addresses take 8 bytes each, so the two words after them lie 12 bytes further.
struct BlocPartage {
    int32_t Utilisateurs;         // modules currently using the published manager
    uint32_t Reserve1;
    uint32_t Signature1[2];       // process id ^ 0x4567FEED, 0xBABE0123
    Gestionnaire Publie;          // allocate, free, resize of the publishing module
    uint32_t Reserve2;
    uint32_t Signature2[2];       // process id ^ 0x3210B00B, 0xF00D7654
};
static_assert(offsetof(BlocPartage, Signature1) == 8);
static_assert(offsetof(BlocPartage, Publie) == 16);
static_assert(sizeof(void *) != 4 || offsetof(BlocPartage, Signature2) == 32);

// Address-space window: 16 candidates, 64 KiB apart, down from the top.
constexpr int NbCandidats = 16;
constexpr uintptr_t PasCandidats = 0x10000;

// Where the page is tried the i-th time, for a page size and highest application address.
constexpr uintptr_t Candidat(uintptr_t adresseMaxi, std::size_t taillePage, int i) {
    return ((adresseMaxi & ~uintptr_t(0xFFFF)) - uintptr_t(i) * PasCandidats) &
           ~uintptr_t(taillePage - 1);
}

namespace plateforme {

std::size_t TaillePage();
// The highest address at which the page may be placed.
uintptr_t AdresseMaximale();
uint32_t IdProcessus();

// Reserves and commits a read/write page of `taille` bytes at exactly `adresse`
// if the system allows; returns where the page was obtained (possibly
// elsewhere, when the system moved it), or null when nothing was obtained.
void *Reserver(uintptr_t adresse, std::size_t taille);
// Gives back a page obtained from Reserver.
void Rendre(void *page, std::size_t taille);
// Copies n bytes from adresse if they are readable; false otherwise (no fault).
bool Lire(uintptr_t adresse, void *dest, std::size_t n);

// Tells the user that the start-up failed; a library may not be able to open a window.
void Signaler(const char *titre, const char *message);
// Ends the process at once with exit code 0.
[[noreturn]] void Terminer();
// From this call on, SortieEnCours tells a process exit (true) from a library
// unload (false).
void GuetterSortie();
bool SortieEnCours();
// Runs f in each child process forked from now on, where processes fork.
void ApresFork(void (*f)());

} // namespace plateforme

} // namespace velmora::memoire
