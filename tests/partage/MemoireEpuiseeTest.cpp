// The built plug-in when the C++ allocator fails: at load (memory exhausted
// while the library starts), and in a worker thread of a direct operation.
// Neither may end the process. This program replaces the allocator so that it
// fails on demand; the plug-in, which takes its allocations from the program,
// sees the failure.
#include "Enfant.h"

#include <velmora/plugin.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace {
// Armed, allocations fail everywhere, or (dansLesFils) on every thread but
// the one that armed it.
std::atomic<bool> memoireEpuisee{false}, dansLesFils{false};
std::thread::id filArme;
} // namespace

// The allocator's own pair: what operator new takes from malloc, operator
// delete gives back to free (which the compiler, seeing through both, would
// otherwise take for a mismatch).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t n) {
    if (memoireEpuisee.load() && (!dansLesFils.load() || std::this_thread::get_id() != filArme))
        throw std::bad_alloc();
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

using FnAddMenu = const char *(VELMORA_APPEL *)(int32_t *);

// The libraries the plug-in needs, as the loader finds them (ldd): loaded
// before memory runs out, as in a host that has them already, so that what
// fails is the plug-in's own start-up.
std::vector<std::string> Dependances(const std::string &chemin) {
    std::vector<std::string> libs;
    FILE *f = popen(("ldd '" + chemin + "'").c_str(), "r");
    if (!f) return libs;
    char ligne[1024];
    while (std::fgets(ligne, sizeof ligne, f)) {
        const std::string l(ligne);
        const auto fleche = l.find("=> /");
        if (fleche == std::string::npos) continue;
        libs.push_back(l.substr(fleche + 3, l.find(" (", fleche) - fleche - 3));
    }
    pclose(f);
    return libs;
}

// The first module of the process publishes the page, and with it starts
// watching for the process's exit, which allocates: without memory it goes
// on without, and the library loads and works.
TEST(MemoireEpuisee, LeChargementSurvitSansMemoire) {
    const char *plugin = std::getenv("VELMORA_PLUGIN");
    ASSERT_NE(plugin, nullptr) << "VELMORA_PLUGIN";
    const std::vector<std::string> dependances = Dependances(plugin);
    ASSERT_FALSE(dependances.empty()) << "ldd " << plugin;
    const auto issue = enfant::Executer([&] {
        for (const std::string &d : dependances) VERIFIER(dlopen(d.c_str(), RTLD_NOW | RTLD_GLOBAL));
        memoireEpuisee = true;
        void *a = dlopen(plugin, RTLD_NOW | RTLD_LOCAL);
        memoireEpuisee = false;
        VERIFIER(a);
        auto addMenu = reinterpret_cast<FnAddMenu>(dlsym(a, "AddMenu"));
        int32_t index = 0;
        VERIFIER(addMenu && addMenu(&index) && index == 9);
        return 0;
    });
    EXPECT_TRUE(issue.termine) << issue.erreurs;
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
}

using FnAdrRetour = void(VELMORA_APPEL *)(void *, void *);
using FnXchgData = void(VELMORA_APPEL *)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                         int32_t, int32_t, uint32_t, uint32_t, TPtImg *,
                                         TPtImg *, uint32_t, uint32_t);

// Operations 5 and 6 run out of memory in a worker thread of their histogram
// pass: the process goes on, the image is as it was and, as for any failure
// of a direct operation, the host is not told of a result.
TEST(MemoireEpuisee, SansMemoireDansUnFilLImageResteEntiere) {
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "one processor: the operations start no thread on this machine";
    const char *plugin = std::getenv("VELMORA_PLUGIN");
    ASSERT_NE(plugin, nullptr) << "VELMORA_PLUGIN";
    for (uint32_t op : {5u, 6u}) {
        const auto issue = enfant::Executer([&] {
            void *a = dlopen(plugin, RTLD_NOW | RTLD_LOCAL);
            VERIFIER(a);
            static int appels = 0;
            struct Retour {
                static void VELMORA_APPEL F(void *, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t, int32_t, int32_t) {
                    ++appels;
                }
            };
            reinterpret_cast<FnAdrRetour>(dlsym(a, "AdrRetour"))(reinterpret_cast<void *>(&Retour::F),
                                                                 nullptr);
            // 1024 x 1024 pixels in a block the host never frees (reference count -1).
            const int32_t n = 1024 * 1024;
            std::vector<unsigned char> bloc(8 + 3 * std::size_t(n));
            const int32_t entete[2] = {-1, n};
            std::memcpy(bloc.data(), entete, 8);
            uint32_t x = 12345;
            for (std::size_t i = 8; i < bloc.size(); ++i) bloc[i] = uint8_t((x = x * 1664525u + 1013904223u) >> 24);
            const std::vector<unsigned char> avant = bloc;
            auto xchgData = reinterpret_cast<FnXchgData>(dlsym(a, "XchgData"));
            filArme = std::this_thread::get_id();
            dansLesFils = true;
            memoireEpuisee = true;
            xchgData(op, 0, 0, 0, 0, 1024, 1024, 0, 0, reinterpret_cast<TPtImg *>(bloc.data() + 8), nullptr, 0, 0);
            memoireEpuisee = false;
            VERIFIER(bloc == avant);
            VERIFIER(appels == 0);
            // With memory again, the operation runs and the host is told.
            xchgData(op, 0, 0, 0, 0, 1024, 1024, 0, 0, reinterpret_cast<TPtImg *>(bloc.data() + 8), nullptr, 0, 0);
            VERIFIER(bloc != avant && appels == 1);
            return 0;
        });
        EXPECT_TRUE(issue.termine) << op << "\n" << issue.erreurs;
        EXPECT_EQ(issue.code, 0) << op << "\n" << issue.erreurs;
    }
}

} // namespace
