// The page through which the modules of a process share one memory manager,
// seen from a process that loads copies of the built plug-in and nothing else
// that takes part (this program does not link the manager itself).
#include "Enfant.h"

#include <velmora/plugin.h>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

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
// starts at the very top and the page goes elsewhere; these cases then do not apply.
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

// Whatever stands at the first candidate without this process's signatures is
// passed over, left untouched, and the page goes 64 KiB lower.
TEST_F(PagePartagee, UnCandidatSansSignatureEstSaute) {
    struct Cas {
        const char *nom;
        int protection;
        uint32_t pid; // signatures written into the foreign page (0: none)
    };
    const Cas cas[] = {
        {"page of zeros", PROT_READ | PROT_WRITE, 0},
        {"unreadable page", PROT_NONE, 0},
        {"page signed for another process", PROT_READ | PROT_WRITE, 1},
    };
    for (const Cas &c : cas) {
        const auto issue = enfant::Executer([&] {
            void *etrangere = mmap(reinterpret_cast<void *>(Candidat(0)), 4096,
                                   PROT_READ | PROT_WRITE,
                                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
            VERIFIER(etrangere == reinterpret_cast<void *>(Candidat(0)));
            if (c.pid) {
                // A page left by another process: every word right but the process id.
                const uint32_t autre = uint32_t(getpid()) + c.pid;
                const uint32_t sig1[2] = {autre ^ 0x4567FEEDu, 0xBABE0123u};
                const uint32_t sig2[2] = {autre ^ 0x3210B00Bu, 0xF00D7654u};
                std::memcpy(static_cast<char *>(etrangere) + 8, sig1, 8);
                std::memcpy(static_cast<char *>(etrangere) + 16 + 3 * sizeof(void *) + 4, sig2, 8);
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

// No free or valid address among the 16: the message, and no operation offered.
TEST_F(PagePartagee, SeizeCandidatsPrisAucuneOperation) {
    const auto issue = enfant::Executer([&] {
        for (int i = 0; i < 16; ++i)
            VERIFIER(mmap(reinterpret_cast<void *>(Candidat(i)), 4096,
                          i % 2 ? PROT_NONE : PROT_READ,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1,
                          0) == reinterpret_cast<void *>(Candidat(i)));
        void *a = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(a);
        VERIFIER(NbOperations(a) == 0);
        auto addMenu = reinterpret_cast<FnAddMenu>(dlsym(a, "AddMenu"));
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
        reinterpret_cast<FnAdrRetour>(dlsym(a, "AdrRetour"))(
            reinterpret_cast<void *>(&Retour::F), nullptr);
        // A block the host never frees (reference count -1), two pixels.
        alignas(4) unsigned char bloc[8 + 6] = {0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0,
                                                10, 20, 30, 40, 50, 60};
        auto *pixels = reinterpret_cast<TPtImg *>(bloc + 8);
        reinterpret_cast<FnXchgData>(dlsym(a, "XchgData"))(1, 0, 0, 0, 0, 2, 1, 0, 0, pixels,
                                                           nullptr, 0, 0);
        VERIFIER(pixels[0].Bleu == 10 && pixels[1].Rouge == 60);
        VERIFIER(appels == 0);
        return 0;
    });
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
    EXPECT_EQ(issue.erreurs,
              "MemPartagee: Shared Memory Allocator setup failed: Address already reserved.\n");
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
