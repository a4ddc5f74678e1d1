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

// The walk for the page: candidates 64 KiB apart, down from the top. The first
// 16 are tried whatever the system reports, as every module taking part tries
// them; the walk goes on below them, 64 KiB at a time, down to the lowest
// application address.
constexpr uintptr_t NbCandidats = 16;
constexpr uintptr_t PasCandidats = 0x10000;

// Where the page is tried the i-th time, for a page size and highest application address.
constexpr uintptr_t Candidat(uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t i) {
    return ((adresseMaxi & ~uintptr_t(0xFFFF)) - i * PasCandidats) & ~uintptr_t(taillePage - 1);
}

// The index of the first candidate that lies below `adresse` (candidates only
// go down as the index grows).
constexpr uintptr_t PremierSous(uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t adresse) {
    const uintptr_t haut = adresseMaxi & ~uintptr_t(0xFFFF);
    if (adresse > haut) return 0;
    uintptr_t i = (haut - adresse) / PasCandidats + 1; // haut - i * pas < adresse
    // Rounding down to a page larger than the step may reach below earlier.
    while (i > 0 && Candidat(adresseMaxi, taillePage, i - 1) < adresse) --i;
    return i;
}

// How many candidates lie at or above the lowest application address.
constexpr uintptr_t NbCandidatsEnTout(uintptr_t adresseMaxi, std::size_t taillePage,
                                      uintptr_t adresseMini) {
    return PremierSous(adresseMaxi, taillePage, adresseMini);
}

namespace plateforme {

std::size_t TaillePage();
// The highest address at which the page may be placed, and the lowest.
uintptr_t AdresseMaximale();
uintptr_t AdresseMinimale();
uint32_t IdProcessus();

// Reserves and commits a read/write page of `taille` bytes at exactly `adresse`
// if the system allows; returns where the page was obtained (possibly
// elsewhere, when the system moved it), or null when nothing was obtained.
void *Reserver(uintptr_t adresse, std::size_t taille);
// What the system reports about the page at `adresse`, for the walk below
// the first candidates.
struct Etendue {
    // Nothing stands there: the page may be reserved.
    bool libre = true;
    // Otherwise the lowest address of the occupied stretch that holds it: no
    // page can be reserved anywhere from there up to `adresse`. When free, the
    // lowest address of the free stretch where the system tells it (0 where
    // it does not).
    uintptr_t bas = 0;
    // Whether a valid page may stand inside the stretch below `adresse` too,
    // where the system reports one stretch for several mappings.
    bool pagesPossibles = false;
};
Etendue Examiner(uintptr_t adresse, std::size_t taille);
// Looks at the candidates below `sous` (Candidat(adresseMaxi, taillePage, i)
// for i < nb) where a page may stand, passing free and foreign stretches in one
// step each, and returns the highest one at which valide holds, or 0.
uintptr_t ChercherPage(uintptr_t sous, uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t nb,
                       bool (*valide)(uintptr_t));
// Gives back a page obtained from Reserver.
void Rendre(void *page, std::size_t taille);
// Copies n bytes from the candidate `adresse` if a page placed there by this
// arrangement could be read; false otherwise (no fault).
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
