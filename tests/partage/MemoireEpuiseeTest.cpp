// The plug-in loaded while the C++ allocator fails (memory exhausted at load):
// its start-up must not end the process. This program replaces the allocator
// so that it fails on demand; the plug-in, which takes its allocations from the
// program, sees the failure.
#include "Enfant.h"

#include <velmora/plugin.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {
std::atomic<bool> memoireEpuisee{false};
} // namespace

// The allocator's own pair: what operator new takes from malloc, operator
// delete gives back to free (which the compiler, seeing through both, would
// otherwise take for a mismatch).
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t n) {
    if (memoireEpuisee.load()) throw std::bad_alloc();
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

} // namespace
