// The walk for the shared page over a simulated address space, for the orders
// of events a real process cannot be made to show at will: a system that
// takes the address as a mere hint (kernels before 4.17), another thread
// mapping an address between the look and the reservation.
//
// The walk runs when a module loads, before main; so each case runs this
// program again with the case in VELMORA_PAGE_CAS, where the simulated system
// below is set up as the walk first asks it. That run prints where the page
// ended: "i:n" for each candidate i holding a page valid for the process,
// with its user count n, then whether the module is ready ("pret"/"sans").
#include "plugin/MemPartagee.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char **environ;

namespace velmora::memoire::plateforme {
namespace {

// The simulated space: NbSimules candidates, 64 KiB apart, backed by real
// memory so that the pages the walk writes and reads are real.
constexpr int NbSimules = 40;
constexpr std::size_t Page = 4096;

// What stands at each candidate, one character each in VELMORA_PAGE_CAS:
//   '.' free; 'x' taken by something unreadable;
//   'v' a page valid for this process, published by another module;
//   'h' taken, and the system moves a page asked there elsewhere (the
//       address taken as a hint); 'H' the same over a valid page;
//   'c' free when looked at, mapped by another thread before the walk's
//       reservation (then as 'x').
char etat[NbSimules + 1];
unsigned char *espace = nullptr;    // candidate i at espace + (NbSimules - 1 - i) * 64 KiB
unsigned char *ailleurs = nullptr;  // where a moved page lands

void *AllouerC(std::size_t n) { return std::malloc(n ? n : 1); }
int LibererC(void *p) {
    std::free(p);
    return 0;
}
void *RedimensionnerC(void *p, std::size_t n) { return std::realloc(p, n ? n : 1); }

uintptr_t Adresse(int i) { return reinterpret_cast<uintptr_t>(espace) + uintptr_t(NbSimules - 1 - i) * 0x10000; }
int Indice(uintptr_t a) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(espace);
    if (a < base || a >= base + uintptr_t(NbSimules) * 0x10000 || (a - base) % 0x10000) return -1;
    return NbSimules - 1 - int((a - base) / 0x10000);
}

void Signer(int i) {
    BlocPartage b{};
    const uint32_t pid = uint32_t(getpid());
    b.Utilisateurs = 1;
    b.Signature1[0] = pid ^ 0x4567FEEDu;
    b.Signature1[1] = 0xBABE0123u;
    b.Signature2[0] = pid ^ 0x3210B00Bu;
    b.Signature2[1] = 0xF00D7654u;
    b.Publie = {reinterpret_cast<FnAllouer>(&AllouerC), reinterpret_cast<FnLiberer>(&LibererC),
                reinterpret_cast<FnRedimensionner>(&RedimensionnerC)};
    std::memcpy(reinterpret_cast<void *>(Adresse(i)), &b, sizeof b);
}

void Installer() {
    if (espace) return;
    // 64 KiB aligned: one more step than needed, the start rounded up.
    auto *brut = static_cast<unsigned char *>(mmap(nullptr, (NbSimules + 1) * 0x10000, PROT_READ | PROT_WRITE,
                                                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    espace = reinterpret_cast<unsigned char *>((reinterpret_cast<uintptr_t>(brut) + 0xFFFF) & ~uintptr_t(0xFFFF));
    ailleurs = static_cast<unsigned char *>(
        mmap(nullptr, Page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    const char *cas = std::getenv("VELMORA_PAGE_CAS");
    for (int i = 0; i < NbSimules; ++i) {
        etat[i] = cas && i < int(std::strlen(cas)) ? cas[i] : '.';
        if (etat[i] == 'v' || etat[i] == 'H') Signer(i);
    }
}

bool Lisible(char e) { return e == 'v' || e == 'H' || e == 'p'; }

} // namespace

std::size_t TaillePage() { return Installer(), Page; }
uintptr_t AdresseMaximale() { return Installer(), Adresse(0) + 0xFFFF; }
uintptr_t AdresseMinimale() { return Installer(), Adresse(NbSimules - 1); }
uint32_t IdProcessus() { return uint32_t(getpid()); }

void *Reserver(uintptr_t adresse, std::size_t) {
    const int i = Indice(adresse);
    if (i < 0) return nullptr;
    switch (etat[i]) {
    case '.':
        etat[i] = 'p';
        std::memset(reinterpret_cast<void *>(adresse), 0, Page);
        return reinterpret_cast<void *>(adresse);
    case 'h': case 'H': return ailleurs;
    case 'c': etat[i] = 'x'; return nullptr;
    default: return nullptr;
    }
}

Etendue Examiner(uintptr_t adresse, std::size_t) {
    const int i = Indice(adresse);
    if (i < 0 || etat[i] == '.' || etat[i] == 'c') return {};
    return {false, adresse, Lisible(etat[i])};
}

uintptr_t ChercherPage(uintptr_t sous, uintptr_t adresseMaxi, std::size_t taillePage, uintptr_t nb,
                       bool (*valide)(uintptr_t)) {
    for (uintptr_t i = PremierSous(adresseMaxi, taillePage, sous); i < nb; ++i) {
        const uintptr_t c = Candidat(adresseMaxi, taillePage, i);
        if (Lisible(etat[Indice(c)]) && valide(c)) return c;
    }
    return 0;
}

void Rendre(void *page, std::size_t) {
    const int i = Indice(reinterpret_cast<uintptr_t>(page));
    if (i >= 0) etat[i] = '.';
}

bool Lire(uintptr_t adresse, void *dest, std::size_t n) {
    const int i = Indice(adresse);
    if (i < 0 || !Lisible(etat[i])) return false;
    std::memcpy(dest, reinterpret_cast<const void *>(adresse), n);
    return true;
}

void Signaler(const char *titre, const char *message) { std::fprintf(stderr, "%s: %s\n", titre, message); }
void Terminer() { _exit(0); }
void GuetterSortie() {}
bool SortieEnCours() { return false; }
void ApresFork(void (*)()) {}

// The run of one case: where the pages stand after the walk.
std::string Bilan() {
    std::string s;
    const uint32_t pid = uint32_t(getpid());
    for (int i = 0; i < NbSimules; ++i) {
        if (!Lisible(etat[i])) continue;
        BlocPartage b;
        std::memcpy(&b, reinterpret_cast<const void *>(Adresse(i)), sizeof b);
        if (b.Signature1[0] == (pid ^ 0x4567FEEDu) && b.Signature2[0] == (pid ^ 0x3210B00Bu))
            s += std::to_string(i) + ":" + std::to_string(b.Utilisateurs) + " ";
    }
    return s + (Pret() ? "pret" : "sans");
}

} // namespace velmora::memoire::plateforme

namespace {

struct Issue {
    std::string sortie, erreurs;
};

// Runs this program again on one case.
Issue Parcourir(const std::string &cas) {
    const std::string variable = "VELMORA_PAGE_CAS=" + cas;
    std::vector<char *> env;
    for (char **e = environ; *e; ++e) env.push_back(*e);
    env.push_back(const_cast<char *>(variable.c_str()));
    env.push_back(nullptr);
    char programme[] = "/proc/self/exe";
    char *argv[] = {programme, nullptr};
    const std::string base = ::testing::TempDir() + "velmora-parcours-" + std::to_string(getpid());
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, (base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Issue issue;
    pid_t pid;
    const bool lance = posix_spawn(&pid, programme, &fa, nullptr, argv, env.data()) == 0;
    posix_spawn_file_actions_destroy(&fa);
    if (!lance) return issue;
    int statut = 0;
    waitpid(pid, &statut, 0);
    for (auto [suffixe, dest] : {std::pair{".out", &issue.sortie}, std::pair{".err", &issue.erreurs}}) {
        std::ifstream f(base + suffixe);
        dest->assign(std::istreambuf_iterator<char>(f), {});
        std::remove((base + suffixe).c_str());
    }
    return issue;
}

const std::string X16(16, 'x');

} // namespace

TEST(ParcoursPage, OrdresDesEvenements) {
    const struct {
        const char *nom;
        std::string cas;
        const char *bilan;   // the pages after the walk, and the module's state
        const char *message; // what the walk said, if anything
    } cas[] = {
        {"an empty space: published at the first candidate", "", "0:1 pret", ""},
        {"a valid page first: joined", "v", "0:2 pret", ""},
        // The address taken as a hint: the page there is joined rather than
        // a second one published at the next candidate.
        {"a valid page the system moves a page away from", "H", "0:2 pret", ""},
        {"the same under taken candidates", "xxH", "2:2 pret", ""},
        {"something foreign the system moves a page away from", "h", "1:1 pret", ""},
        // Mapped by another thread between the look and the reservation: the
        // walk goes on below.
        {"a candidate below the 16 taken in the meantime", X16 + "c.", "17:1 pret", ""},
        {"two of them, then a valid page", X16 + "cxcv", "19:2 pret", ""},
        {"nothing free at all", std::string(40, 'x'), "sans",
         "MemPartagee: Shared Memory Allocator setup failed: Address already reserved.\n"},
        // A page published lower while the candidates above were taken is
        // joined, whether the walk would publish among the 16 or below them.
        {"a valid page under 17 free candidates", std::string(17, '.') + "v", "17:2 pret", ""},
        {"a valid page far under a free candidate", "x." + std::string(30, 'x') + "v", "32:2 pret", ""},
        {"a valid page under a free one below the 16", X16 + ".xxv", "19:2 pret", ""},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.nom);
        const Issue issue = Parcourir(c.cas.empty() ? "." : c.cas);
        EXPECT_EQ(issue.sortie, c.bilan);
        EXPECT_EQ(issue.erreurs, c.message);
    }
}

int main(int argc, char **argv) {
    if (std::getenv("VELMORA_PAGE_CAS")) {
        // The walk has run, before main.
        std::fputs(velmora::memoire::plateforme::Bilan().c_str(), stdout);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
