// The shared page on Linux.
#include "MemPartagee.h"

#include "../imaging/Sortie.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <utility>


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

// The main thread's stack and the room it may grow into, from its top down:
// no place for the page. Empty when the top is unknown.
struct Portee {
    uintptr_t bas = 0, haut = 0;
};
Portee PorteePile(uintptr_t taillePage) {
    // The kernel copies the program's name to the top of the main stack, just
    // under a final null word.
    const auto nom = reinterpret_cast<const char *>(getauxval(AT_EXECFN));
    if (!nom) return {};
    const uintptr_t fin = reinterpret_cast<uintptr_t>(nom) + std::strlen(nom) + 1 + sizeof(void *);
    const uintptr_t haut = (fin + taillePage - 1) & ~(taillePage - 1);
    rlimit limite{};
    uintptr_t portee = PorteeMaxi;
    if (getrlimit(RLIMIT_STACK, &limite) == 0 && limite.rlim_cur != RLIM_INFINITY &&
        limite.rlim_cur < PorteeMaxi)
        portee = uintptr_t(limite.rlim_cur);
    portee += GardePile;
    return {haut > portee ? haut - portee : 0, haut};
}

// One line of /proc/self/maps: a mapping, its access and whether a file is behind it.
struct Correspondance {
    uintptr_t debut = 0, fin = 0;
    bool lecture = false, ecriture = false;
    bool anonyme = false; // no file: reading it cannot fault on a shrunk file
};

uintptr_t Hexa(const char *&c) {
    uintptr_t v = 0;
    for (;; ++c) {
        const char x = *c;
        if (x >= '0' && x <= '9') v = v * 16 + uintptr_t(x - '0');
        else if (x >= 'a' && x <= 'f') v = v * 16 + uintptr_t(x - 'a' + 10);
        else return v;
    }
}

// "start-end perms offset dev inode path", addresses in hexadecimal.
bool Analyser(const char *c, const char *finLigne, Correspondance &m) {
    m.debut = Hexa(c);
    if (*c++ != '-') return false;
    m.fin = Hexa(c);
    if (*c++ != ' ' || finLigne - c < 4) return false;
    m.lecture = c[0] == 'r';
    m.ecriture = c[1] == 'w';
    // Past the permissions, the offset and the device: the inode, 0 without a file.
    for (int champ = 0; champ < 3; ++champ) {
        while (c < finLigne && *c != ' ') ++c;
        while (c < finLigne && *c == ' ') ++c;
    }
    m.anonyme = c < finLigne && *c == '0' && (c + 1 == finLigne || c[1] == ' ');
    return true;
}

// Calls voir(m) for each mapping of /proc/self/maps, in address order, until
// it returns false; false if the file cannot be read. Plain system calls and
// no allocation: the module is being loaded and its own start-up has not run.
template <class Voir> bool ParcourirCorrespondances(Voir &&voir) {
    const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char tampon[4096];
    std::size_t plein = 0;
    bool sauter = false; // the rest of a line longer than the buffer
    bool lisible = true, arret = false;
    while (!arret) {
        const ssize_t n = read(fd, tampon + plein, sizeof tampon - plein);
        if (n <= 0) {
            lisible = n == 0;
            break;
        }
        plein += std::size_t(n);
        std::size_t lu = 0;
        for (const char *nl; !arret && (nl = static_cast<const char *>(std::memchr(tampon + lu, '\n', plein - lu)));
             lu = std::size_t(nl - tampon) + 1) {
            if (std::exchange(sauter, false)) continue;
            Correspondance m;
            if (Analyser(tampon + lu, nl, m) && !voir(m)) arret = true;
        }
        std::memmove(tampon, tampon + lu, plein - lu);
        plein -= lu;
        if (plein == sizeof tampon) {
            plein = 0;
            sauter = true;
        }
    }
    close(fd);
    return lisible;
}

enum class Recherche { Illisible, Aucune, Trouvee };

// The mapping that holds adresse.
Recherche ChercherCorrespondance(uintptr_t adresse, Correspondance &trouvee) {
    Recherche r = Recherche::Aucune;
    const bool lu = ParcourirCorrespondances([&](const Correspondance &m) {
        if (m.debut > adresse) return false; // lines in address order: nothing holds it
        if (adresse < m.fin) {
            trouvee = m;
            r = Recherche::Trouvee;
            return false;
        }
        return true;
    });
    return lu ? r : Recherche::Illisible;
}

// Where the page may stand inside a mapping: readable, writable, without a
// file, as the page itself. A longer stretch is a reservation (the
// sanitizers' shadow memory, a heap arena), not a page merged with its
// neighbours: looking through it would cost millions of reads.
constexpr uintptr_t LongueurExaminee = uintptr_t(1) << 30;
bool PagesPossibles(const Correspondance &m) {
    return m.lecture && m.ecriture && m.anonyme && m.fin - m.debut <= LongueurExaminee;
}

// The mapping ChercherPage is looking through, known readable: where the
// kernel's reading is refused, its candidates are read without asking the
// maps file again for each.
const Correspondance *examinee = nullptr;

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
    const uintptr_t p = TaillePage();
    const Portee pile = PorteePile(p);
    if (pile.haut <= Candidat(maxi, p, NbCandidats - 1)) return maxi;
    return pile.bas - 1;
}

// The kernel's default vm.mmap_min_addr: nothing is mapped lower.
uintptr_t AdresseMinimale() { return 0x10000; }

uint32_t IdProcessus() { return uint32_t(getpid()); }

// MAP_FIXED_NOREPLACE never replaces a mapping; a kernel too old to know the
// flag takes the address as a hint and may map elsewhere.
void *Reserver(uintptr_t adresse, std::size_t taille) {
    void *p = mmap(reinterpret_cast<void *>(adresse), taille, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// From /proc/self/maps: a mapping is passed in one step, and looked through
// when readable and writable, as the kernel merges a page with mappings of the
// same kind next to it. Without /proc, a failed MAP_FIXED_NOREPLACE tells an
// occupied address (the walk then goes on 64 KiB lower) from a refusal.
Etendue Examiner(uintptr_t adresse, std::size_t taille) {
    const Portee pile = PorteePile(taille);
    if (adresse < pile.haut && adresse + taille > pile.bas) return {false, pile.bas, true};
    Correspondance m;
    switch (ChercherCorrespondance(adresse, m)) {
    case Recherche::Trouvee: return {false, m.debut, PagesPossibles(m)};
    case Recherche::Aucune: return {};
    case Recherche::Illisible: break;
    }
    void *p = mmap(reinterpret_cast<void *>(adresse), taille, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) return errno == EEXIST ? Etendue{false, adresse, false} : Etendue{};
    munmap(p, taille);
    return p == reinterpret_cast<void *>(adresse) ? Etendue{} : Etendue{false, adresse, false};
}

void Rendre(void *page, std::size_t taille) { munmap(page, taille); }

// A plain byte copy, out of the address sanitizer's sight: the memory read
// may be the sanitizer's own (its shadow), which has no shadow of its own to
// check.
__attribute__((no_sanitize("address"))) void Copier(void *dest, uintptr_t adresse, std::size_t n) {
    auto *d = static_cast<unsigned char *>(dest);
    const volatile auto *o = reinterpret_cast<const volatile unsigned char *>(adresse);
    for (std::size_t i = 0; i < n; ++i) d[i] = o[i];
}

// In one pass over the maps file: every candidate inside a mapping where the
// page may stand, each mapping's highest first.
uintptr_t ChercherPage(uintptr_t sous, uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t nb,
                       bool (*valide)(uintptr_t)) {
    uintptr_t trouvee = 0;
    ParcourirCorrespondances([&](const Correspondance &m) {
        if (m.debut >= sous) return false;
        if (!PagesPossibles(m)) return true;
        examinee = &m;
        for (uintptr_t i = PremierSous(adresseMaxi, taillePage, std::min(m.fin, sous));
             i < nb && Candidat(adresseMaxi, taillePage, i) >= m.debut; ++i)
            if (valide(Candidat(adresseMaxi, taillePage, i))) {
                trouvee = Candidat(adresseMaxi, taillePage, i); // mappings come upwards
                break;
            }
        examinee = nullptr;
        return true;
    });
    return trouvee;
}

// Through the kernel, which reports an unreadable address instead of faulting
// (and is not checked by the address sanitizer, as this memory is not ours).
// Where a sandbox refuses the call, directly, if the maps file shows a
// readable mapping without a file that holds the n bytes.
bool Lire(uintptr_t adresse, void *dest, std::size_t n) {
    iovec local{dest, n};
    iovec distant{reinterpret_cast<void *>(adresse), n};
    const ssize_t lu = process_vm_readv(getpid(), &local, 1, &distant, 1, 0);
    if (lu == ssize_t(n)) return true;
    if (lu >= 0 || errno == EFAULT) return false; // unreadable
    Correspondance m;
    if (examinee && examinee->debut <= adresse && adresse < examinee->fin)
        m = *examinee;
    else if (ChercherCorrespondance(adresse, m) != Recherche::Trouvee)
        return false;
    if (!m.lecture || !m.anonyme || n > m.fin - adresse) return false;
    Copier(dest, adresse, n);
    return true;
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
