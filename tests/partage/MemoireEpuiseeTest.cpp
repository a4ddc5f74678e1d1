// The plug-in loaded while the C++ allocator fails (memory exhausted at load):
// its start-up must not end the process. This program replaces the allocator
// so that it fails on demand; the plug-in, which takes its allocations from the
// program, sees the failure.
#include "Enfant.h"

#include <velmora/plugin.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {
std::atomic<bool> memoireEpuisee{false};
} // namespace

void *operator new(std::size_t n) {
    if (memoireEpuisee.load()) throw std::bad_alloc();
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

using FnAddMenu = const char *(VELMORA_APPEL *)(int32_t *);

// The first module of the process publishes the page, and with it starts
// watching for the process's exit, which allocates: without memory it goes
// on without, and the library loads and works.
TEST(MemoireEpuisee, LeChargementSurvitSansMemoire) {
    const char *plugin = std::getenv("VELMORA_PLUGIN");
    ASSERT_NE(plugin, nullptr) << "VELMORA_PLUGIN";
    const auto issue = enfant::Executer([&] {
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
