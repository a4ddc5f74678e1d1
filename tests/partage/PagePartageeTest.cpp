// The page through which the modules of a process share one memory manager,
// seen from a process that loads copies of the built plug-in and nothing else
// that takes part (this program does not link the manager itself).
#include "Enfant.h"

#include <velmora/plugin.h>

#include <dlfcn.h>
#include <elf.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <malloc.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The 16 places tried on x86-64 Linux: 64 KiB apart, from the highest
// application address (0x7FFFFFFFEFFF, low 16 bits cleared) downwards.
constexpr uintptr_t Premier = 0x7FFFFFFF0000;
uintptr_t Candidat(int i) { return Premier - uintptr_t(i) * 0x10000; }

// Something is mapped at a (msync reports ENOMEM otherwise).
bool Mappee(uintptr_t a) { return msync(reinterpret_cast<void *>(a), 4096, MS_ASYNC) == 0; }

// The page as laid out: user count at 0, signature 1 at 8, three code
// addresses from 16, a reserved word, then signature 2.
struct Page {
    int32_t utilisateurs;
    uint32_t reserve1, sig1[2], reserve2, sig2[2];
    void *entrees[3];
};
Page Lire(uintptr_t a) {
    const auto *o = reinterpret_cast<const unsigned char *>(a);
    Page p{};
    const std::size_t apres = 16 + 3 * sizeof(void *);
    std::memcpy(&p.utilisateurs, o + 0, 4);
    std::memcpy(&p.reserve1, o + 4, 4);
    std::memcpy(p.sig1, o + 8, 8);
    std::memcpy(p.entrees, o + 16, 3 * sizeof(void *));
    std::memcpy(&p.reserve2, o + apres, 4);
    std::memcpy(p.sig2, o + apres + 4, 8);
    return p;
}
bool SigneePour(const Page &p, uint32_t pid) {
    return p.sig1[0] == (pid ^ 0x4567FEEDu) && p.sig1[1] == 0xBABE0123u &&
           p.sig2[0] == (pid ^ 0x3210B00Bu) && p.sig2[1] == 0xF00D7654u;
}
// A valid page for the calling process stands at a.
bool Valide(uintptr_t a) { return Mappee(a) && SigneePour(Lire(a), uint32_t(getpid())); }

// Top of the main thread's stack. Without address randomisation the stack
// starts at the very top and the page goes elsewhere; these cases then do not
// apply, nor when the stack happens to start among the candidates a case uses.
uintptr_t HautDeLaPile() {
    std::ifstream maps("/proc/self/maps");
    for (std::string ligne; std::getline(maps, ligne);)
        if (ligne.find("[stack]") != std::string::npos)
            return std::stoull(ligne.substr(ligne.find('-') + 1), nullptr, 16);
    return 0;
}

using FnAddMenu = const char *(VELMORA_APPEL *)(int32_t *);
using FnXchgData = void(VELMORA_APPEL *)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                         int32_t, int32_t, uint32_t, uint32_t, TPtImg *,
                                         TPtImg *, uint32_t, uint32_t);
using FnAdrRetour = void(VELMORA_APPEL *)(void *, void *);

int32_t NbOperations(void *bibliotheque) {
    auto addMenu = reinterpret_cast<FnAddMenu>(dlsym(bibliotheque, "AddMenu"));
    int32_t index = 0;
    if (!addMenu || !addMenu(&index)) return -1;
    return index;
}

// The built plug-in and a copy of it under another file name: two modules.
class PagePartagee : public ::testing::Test {
protected:
    void SetUp() override {
        if (HautDeLaPile() > Candidat(15)) GTEST_SKIP() << "main stack at the top of the address space";
        const char *chemin = std::getenv("VELMORA_PLUGIN");
        ASSERT_NE(chemin, nullptr) << "VELMORA_PLUGIN";
        plugin = chemin;
        char modele[] = "/tmp/velmora-page-XXXXXX";
        ASSERT_NE(mkdtemp(modele), nullptr);
        dossier = modele;
        copie = (dossier / "autre-velmora.so").string();
        fs::copy_file(plugin, copie);
    }
    void TearDown() override {
        if (!dossier.empty()) fs::remove_all(dossier);
    }

    std::string plugin, copie;
    fs::path dossier;
};

TEST_F(PagePartagee, LePremierPublieLeSuivantRejointPuisRepart) {
    const auto issue = enfant::Executer([&] {
        VERIFIER(!Mappee(Candidat(0)));
        void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(a);
        VERIFIER(Valide(Candidat(0)));
        const Page publiee = Lire(Candidat(0));
        VERIFIER(publiee.utilisateurs == 1);
        VERIFIER(publiee.reserve1 == 0 && publiee.reserve2 == 0);
        VERIFIER(publiee.entrees[0] && publiee.entrees[1] && publiee.entrees[2]);
        VERIFIER(NbOperations(a) == 9);

        void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(b && b != a);
        VERIFIER(NbOperations(b) == 9);
        const Page rejointe = Lire(Candidat(0));
        VERIFIER(rejointe.utilisateurs == 2);
        VERIFIER(std::memcmp(rejointe.entrees, publiee.entrees, sizeof publiee.entrees) == 0);
        VERIFIER(!Mappee(Candidat(1))); // no second page

        VERIFIER(dlclose(b) == 0);
        VERIFIER(!dlopen(copie.c_str(), RTLD_NOW | RTLD_NOLOAD)); // really unloaded
        VERIFIER(Valide(Candidat(0)));
        VERIFIER(Lire(Candidat(0)).utilisateurs == 1);

        // The publisher, alone again, gives the page back when it goes.
        VERIFIER(dlclose(a) == 0);
        VERIFIER(!dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD));
        VERIFIER(!Mappee(Candidat(0)));
        return 0;
    });
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
    EXPECT_EQ(issue.erreurs, "");
}

// Whatever stands at the first candidate without this process's four
// signature words is passed over, left untouched, and the page goes 64 KiB lower.
TEST_F(PagePartagee, UnCandidatSansSignatureEstSaute) {
    struct Cas {
        const char *nom;
        int protection;
        bool signee;      // signature words written into the foreign page
        uint32_t autrePid; // added to this process's id in the two low words
        int motFaux;      // one of the four words (0..3) made wrong, or -1
    };
    const Cas cas[] = {
        {"page of zeros", PROT_READ | PROT_WRITE, false, 0, -1},
        {"unreadable page", PROT_NONE, false, 0, -1},
        {"page signed for another process", PROT_READ | PROT_WRITE, true, 1, -1},
        {"signature 1 high word differs", PROT_READ | PROT_WRITE, true, 0, 1},
        {"signature 2 high word differs", PROT_READ | PROT_WRITE, true, 0, 3},
        // Each word keyed by the process id on its own, the other one right.
        {"signature 1 low word differs", PROT_READ | PROT_WRITE, true, 0, 0},
        {"signature 2 low word differs", PROT_READ | PROT_WRITE, true, 0, 2},
    };
    for (const Cas &c : cas) {
        const auto issue = enfant::Executer([&] {
            void *etrangere = mmap(reinterpret_cast<void *>(Candidat(0)), 4096,
                                   PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
            VERIFIER(etrangere == reinterpret_cast<void *>(Candidat(0)));
            if (c.signee) {
                // A page left by someone else: every word right but the one named.
                const uint32_t pid = uint32_t(getpid()) + c.autrePid;
                uint32_t mots[4] = {pid ^ 0x4567FEEDu, 0xBABE0123u, pid ^ 0x3210B00Bu, 0xF00D7654u};
                if (c.motFaux >= 0) mots[c.motFaux] ^= 0x100;
                std::memcpy(static_cast<char *>(etrangere) + 8, mots, 8);
                std::memcpy(static_cast<char *>(etrangere) + 16 + 3 * sizeof(void *) + 4, mots + 2, 8);
                *static_cast<int32_t *>(etrangere) = 1;
            }
            const std::string avant(static_cast<const char *>(etrangere), 4096);
            mprotect(etrangere, 4096, c.protection);

            void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(a);
            VERIFIER(NbOperations(a) == 9);
            VERIFIER(Valide(Candidat(1)));
            VERIFIER(Lire(Candidat(1)).utilisateurs == 1);
            mprotect(etrangere, 4096, PROT_READ);
            VERIFIER(std::memcmp(etrangere, avant.data(), 4096) == 0);
            return 0;
        });
        EXPECT_TRUE(issue.termine) << c.nom;
        EXPECT_EQ(issue.code, 0) << c.nom << "\n" << issue.erreurs;
    }
}

// The calls a page written by this test hands out: the C allocator.
void *AllouerC(std::size_t n) { return std::malloc(n ? n : 1); }
int LibererC(void *p) {
    std::free(p);
    return 0;
}
void *RedimensionnerC(void *p, std::size_t n) { return std::realloc(p, n ? n : 1); }

// Signs the page at a for this process, as a module that published it would.
void Publier(uintptr_t a) {
    auto *o = reinterpret_cast<unsigned char *>(a);
    const uint32_t pid = uint32_t(getpid());
    const uint32_t mots[4] = {pid ^ 0x4567FEEDu, 0xBABE0123u, pid ^ 0x3210B00Bu, 0xF00D7654u};
    using Fn = void *;
    const Fn entrees[3] = {reinterpret_cast<Fn>(&AllouerC), reinterpret_cast<Fn>(&LibererC),
                           reinterpret_cast<Fn>(&RedimensionnerC)};
    const int32_t un = 1;
    std::memcpy(o, &un, 4);
    std::memcpy(o + 8, mots, 8);
    std::memcpy(o + 16, entrees, sizeof entrees);
    std::memcpy(o + 16 + sizeof entrees + 4, mots + 2, 8);
}

// Below the 16 candidates the walk goes on, 64 KiB at a time, with the same
// rule: the first free address is published, a valid page on the way is joined.
// Each case maps candidates premier..dernier (as one mapping, or one page each)
// before the plug-in is loaded.
TEST_F(PagePartagee, SousLesSeizeCandidatsLaRechercheContinue) {
    struct Cas {
        const char *nom;
        int dernier;     // candidates 0..dernier mapped
        bool uneSeule;   // as one mapping (else one page per candidate)
        int protection;
        int signee;      // candidate where this test publishes a page first, or -1
        int attendu;     // where the plug-in's page is found
    };
    const Cas cas[] = {
        {"16 candidates taken, one page each", 15, false, PROT_READ, -1, 16},
        {"one unreadable stretch over 300 candidates", 299, true, PROT_NONE, -1, 300},
        {"one read-only stretch over 40 candidates", 39, true, PROT_READ, -1, 40},
        // The kernel shows a page and its neighbours of the same kind as one
        // mapping: a page inside is found all the same, and joined.
        {"a page inside a read-write stretch of 40 candidates", 39, true, PROT_READ | PROT_WRITE, 30, 30},
        {"a page right under 16 taken candidates", 15, false, PROT_NONE, 16, 16},
    };
    // Its room to grow (8 MiB and the guard gap) must not reach them either.
    if (HautDeLaPile() > Candidat(450)) GTEST_SKIP() << "main stack among the candidates used";
    for (const Cas &c : cas) {
        const auto issue = enfant::Executer([&] {
            if (c.uneSeule) {
                const std::size_t taille = Candidat(0) + 4096 - Candidat(c.dernier);
                VERIFIER(mmap(reinterpret_cast<void *>(Candidat(c.dernier)), taille, c.protection,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                              0) == reinterpret_cast<void *>(Candidat(c.dernier)));
            } else {
                for (int i = 0; i <= c.dernier; ++i)
                    VERIFIER(mmap(reinterpret_cast<void *>(Candidat(i)), 4096,
                                  i % 2 ? PROT_NONE : c.protection,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                                  0) == reinterpret_cast<void *>(Candidat(i)));
            }
            if (c.signee >= 0) {
                if (c.signee > c.dernier)
                    VERIFIER(mmap(reinterpret_cast<void *>(Candidat(c.signee)), 4096, PROT_READ | PROT_WRITE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                                  0) == reinterpret_cast<void *>(Candidat(c.signee)));
                Publier(Candidat(c.signee));
            }
            const int32_t avant = c.signee >= 0 ? 1 : 0;

            void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(a);
            VERIFIER(NbOperations(a) == 9);
            VERIFIER(Valide(Candidat(c.attendu)));
            VERIFIER(Lire(Candidat(c.attendu)).utilisateurs == avant + 1);
            // No second page at the first free address.
            VERIFIER(c.attendu == c.dernier + 1 || !Mappee(Candidat(c.dernier + 1)));

            // A second module walks the same way and joins.
            void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(b && NbOperations(b) == 9);
            VERIFIER(Lire(Candidat(c.attendu)).utilisateurs == avant + 2);
            VERIFIER(dlclose(b) == 0);
            VERIFIER(Lire(Candidat(c.attendu)).utilisateurs == avant + 1);
            VERIFIER(dlclose(a) == 0);
            // The plug-in gives back only a page it published itself.
            VERIFIER(Mappee(Candidat(c.attendu)) == (c.signee >= 0));
            return 0;
        });
        EXPECT_TRUE(issue.termine) << c.nom;
        EXPECT_EQ(issue.code, 0) << c.nom << "\n" << issue.erreurs;
        EXPECT_EQ(issue.erreurs, "") << c.nom;
    }
}

// A module that published below the 16 candidates while they were all taken
// is joined by the next one even once they are free again: it looks below
// before it publishes, and the process keeps one manager.
TEST_F(PagePartagee, UnePagePublieePlusBasEstRejointeQuandLeHautSeLibere) {
    if (HautDeLaPile() > Candidat(40)) GTEST_SKIP() << "main stack among the candidates used";
    const auto issue = enfant::Executer([&] {
        for (int i = 0; i <= 16; ++i)
            VERIFIER(mmap(reinterpret_cast<void *>(Candidat(i)), 4096, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                          0) == reinterpret_cast<void *>(Candidat(i)));
        void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(a && NbOperations(a) == 9);
        VERIFIER(Valide(Candidat(17)));
        for (int i = 0; i <= 16; ++i) VERIFIER(munmap(reinterpret_cast<void *>(Candidat(i)), 4096) == 0);

        void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(b && NbOperations(b) == 9);
        VERIFIER(Lire(Candidat(17)).utilisateurs == 2);
        for (int i = 0; i <= 16; ++i) VERIFIER(!Mappee(Candidat(i)));
        VERIFIER(dlclose(b) == 0);
        VERIFIER(Lire(Candidat(17)).utilisateurs == 1);
        return 0;
    });
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
    EXPECT_EQ(issue.erreurs, "");
}

// Refuses process_vm_readv with EPERM in this process from now on, as a
// sandbox's system call filter does; false if no filter can be installed.
bool RefuserProcessVmReadv() {
    sock_filter filtre[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_process_vm_readv, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog programme{static_cast<unsigned short>(sizeof filtre / sizeof filtre[0]), filtre};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &programme) != 0)
        return false;
    char octet = 0, lu = 1;
    iovec local{&lu, 1}, distant{&octet, 1};
    return process_vm_readv(getpid(), &local, 1, &distant, 1, 0) < 0 && errno == EPERM;
}

// Where the kernel's reading of the process's own memory is refused, a valid
// page is read directly and joined: at the first candidate, below the 16 taken
// ones, and below the 16 freed again (found when looking before publishing).
TEST_F(PagePartagee, SansLectureParLeNoyauLaPageEstRejointe) {
    if (HautDeLaPile() > Candidat(40)) GTEST_SKIP() << "main stack among the candidates used";
    constexpr int NonFiltrable = 77;
    enum Ou { Premier, SousLesSeize, SousLesSeizeLiberes };
    for (const Ou ou : {Premier, SousLesSeize, SousLesSeizeLiberes}) {
        const auto issue = enfant::Executer([&] {
            if (ou != Premier)
                for (int i = 0; i <= 15; ++i)
                    VERIFIER(mmap(reinterpret_cast<void *>(Candidat(i)), 4096, PROT_NONE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                                  0) == reinterpret_cast<void *>(Candidat(i)));
            const int ici = ou == Premier ? 0 : 16;
            void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(a && Valide(Candidat(ici)));
            if (ou == SousLesSeizeLiberes)
                for (int i = 0; i <= 15; ++i) VERIFIER(munmap(reinterpret_cast<void *>(Candidat(i)), 4096) == 0);
            if (!RefuserProcessVmReadv()) return NonFiltrable;
            void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(b && NbOperations(b) == 9);
            VERIFIER(Lire(Candidat(ici)).utilisateurs == 2);
            VERIFIER(!Mappee(Candidat(ici + 1)));
            if (ou == SousLesSeizeLiberes) VERIFIER(!Mappee(Candidat(0)));
            return 0;
        });
        if (issue.termine && issue.code == NonFiltrable)
            GTEST_SKIP() << "no system call filter can be installed here (seccomp refused)";
        EXPECT_TRUE(issue.termine) << ou;
        EXPECT_EQ(issue.code, 0) << ou << "\n" << issue.erreurs;
        EXPECT_EQ(issue.erreurs, "") << ou;
    }
}

// The span ld.so maps for a shared object: its loadable segments, page-rounded.
[[maybe_unused]] std::size_t Etendue(const std::string &chemin) {
    std::ifstream f(chemin, std::ios::binary);
    Elf64_Ehdr e{};
    if (!f.read(reinterpret_cast<char *>(&e), sizeof e)) return 0;
    uint64_t bas = UINT64_MAX, haut = 0;
    for (int i = 0; i < e.e_phnum; ++i) {
        Elf64_Phdr ph{};
        f.seekg(std::streamoff(e.e_phoff + uint64_t(i) * e.e_phentsize));
        if (!f.read(reinterpret_cast<char *>(&ph), sizeof ph)) return 0;
        if (ph.p_type != PT_LOAD) continue;
        bas = std::min<uint64_t>(bas, ph.p_vaddr & ~uint64_t(4095));
        haut = std::max<uint64_t>(haut, (ph.p_vaddr + ph.p_memsz + 4095) & ~uint64_t(4095));
    }
    return haut > bas ? std::size_t(haut - bas) : 0;
}

// The stack used so far, grown in advance: once everything around it is
// taken, it could not grow any more.
[[maybe_unused]] __attribute__((noinline)) void AgrandirLaPile() {
    volatile char tampon[2 << 20];
    for (std::size_t i = sizeof tampon; i > 0; i -= 4096) tampon[i - 1] = 0;
}

// No free address anywhere in the walk: the message, no operation offered, and
// the host goes on. The whole address space is taken (no access, nothing
// committed) but for a hole the size of the plug-in's image, where the loader
// puts it; a first copy loaded before brings in the libraries it needs, and its
// page is made unreadable, so that it holds no valid page for the second. With
// no room left in the heap either, the library's start-up runs out of memory
// inside dlopen: it must not throw there.
TEST_F(PagePartagee, AucuneAdresseLibreAucuneOperation) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs free address space of its own";
#else
    const std::size_t image = Etendue(copie);
    ASSERT_GT(image, 0u);
    for (const bool placeDansLeTas : {true, false}) {
        const auto issue = enfant::Executer([&] {
            void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(a && Valide(Candidat(0)));
            VERIFIER(mprotect(reinterpret_cast<void *>(Candidat(0)), 4096, PROT_NONE) == 0);
            if (placeDansLeTas) {
                // Room for the loader's and the plug-in's allocations, kept in the heap.
                mallopt(M_MMAP_THRESHOLD, 32 << 20);
                mallopt(M_TRIM_THRESHOLD, 64 << 20);
                void *volatile reserve = std::malloc(16 << 20);
                std::free(reserve);
            }
            AgrandirLaPile();

            std::vector<std::pair<uintptr_t, uintptr_t>> trous;
            trous.reserve(4096);
            {
                std::ifstream maps("/proc/self/maps");
                uintptr_t fin = 0x10000;
                for (std::string ligne; std::getline(maps, ligne);) {
                    const uintptr_t debut =
                        std::min<uintptr_t>(std::stoull(ligne, nullptr, 16), 0x7FFFFFFFF000);
                    if (debut > fin) trous.emplace_back(fin, debut);
                    const uintptr_t finLigne = std::stoull(ligne.substr(ligne.find('-') + 1), nullptr, 16);
                    fin = std::max(fin, finLigne);
                }
                if (fin < 0x7FFFFFFFF000) trous.emplace_back(fin, 0x7FFFFFFFF000);
            }
            // The hole: at the top of the widest gap, under the libraries.
            auto large = std::max_element(trous.begin(), trous.end(), [](const auto &x, const auto &y) {
                return x.second - x.first < y.second - y.first;
            });
            VERIFIER(large != trous.end() && large->second - large->first > image);
            large->second -= image;
            for (const auto &[debut, fin] : trous)
                VERIFIER(mmap(reinterpret_cast<void *>(debut), fin - debut, PROT_NONE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1,
                              0) == reinterpret_cast<void *>(debut));

            void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(b);
            VERIFIER(NbOperations(b) == 0);
            auto addMenu = reinterpret_cast<FnAddMenu>(dlsym(b, "AddMenu"));
            int32_t un = 1;
            VERIFIER(addMenu(&un) == nullptr);

            // An inversion asked all the same changes nothing and calls nothing back.
            static int appels = 0;
            struct Retour {
                static void VELMORA_APPEL F(void *, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t, int32_t) {
                    ++appels;
                }
            };
            reinterpret_cast<FnAdrRetour>(dlsym(b, "AdrRetour"))(
                reinterpret_cast<void *>(&Retour::F), nullptr);
            // A block the host never frees (reference count -1), two pixels.
            alignas(4) unsigned char bloc[8 + 6] = {0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0,
                                                    10, 20, 30, 40, 50, 60};
            auto *pixels = reinterpret_cast<TPtImg *>(bloc + 8);
            reinterpret_cast<FnXchgData>(dlsym(b, "XchgData"))(1, 0, 0, 0, 0, 2, 1, 0, 0, pixels,
                                                               nullptr, 0, 0);
            VERIFIER(pixels[0].Bleu == 10 && pixels[1].Rouge == 60);
            VERIFIER(appels == 0);
            return 0;
        });
        EXPECT_TRUE(issue.termine) << placeDansLeTas;
        EXPECT_EQ(issue.code, 0) << placeDansLeTas << "\n" << issue.erreurs;
        EXPECT_EQ(issue.erreurs,
                  "MemPartagee: Shared Memory Allocator setup failed: Address already reserved.\n")
            << placeDansLeTas;
    }
#endif
}

// The publisher going while another module still allocates through its code
// ends the process at once, with exit code 0.
TEST_F(PagePartagee, LePublieurQuiPartAvantLesAutresTermineLeProcessus) {
    const auto issue = enfant::Executer([&] {
        void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(a && b);
        VERIFIER(Lire(Candidat(0)).utilisateurs == 2);
        std::fputs("avant\n", stderr);
        dlclose(a);
        std::fputs("après\n", stderr);
        return 3;
    });
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
    EXPECT_EQ(issue.erreurs, "avant\n");
}

// A forked child is another process: the page it inherits is signed again for
// it, so a module it loads joins instead of publishing a second page.
TEST_F(PagePartagee, UnProcessusFilsRetrouveLaPage) {
    const auto issue = enfant::Executer([&] {
        void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(a);
        const auto petit = enfant::Executer([&] {
            VERIFIER(Valide(Candidat(0)));
            void *b = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
            VERIFIER(b);
            VERIFIER(Lire(Candidat(0)).utilisateurs == 2);
            VERIFIER(!Mappee(Candidat(1)));
            return 0;
        });
        std::fputs(petit.erreurs.c_str(), stderr);
        VERIFIER(petit.termine && petit.code == 0);
        // The parent's page keeps its own signatures and count.
        VERIFIER(Valide(Candidat(0)));
        VERIFIER(Lire(Candidat(0)).utilisateurs == 1);
        return 0;
    });
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
}

} // namespace
