// Host and plug-in share one memory manager: this program, a host, published
// it at its start; the plug-in joins it when loaded.
#include "../partage/Enfant.h"

#include <velmora/memoire.h>
#include <velmora/plugin.h>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using velmora::memoire::Gestionnaire;

// Where the host published: the first candidate (x86-64), user count at 0,
// the three entry points from 16.
constexpr uintptr_t Premier = 0x7FFFFFFF0000;
int32_t &Utilisateurs() { return *reinterpret_cast<int32_t *>(Premier); }
Gestionnaire &Publie() { return *reinterpret_cast<Gestionnaire *>(Premier + 16); }

// Calls through the page, counted, then passed on to what stood there.
Gestionnaire avant{};
int allocations = 0, liberations = 0;
void *dernierLibere = nullptr;
void *VELMORA_CONV_MEMOIRE Allouer(std::size_t n) {
    ++allocations;
    return avant.Allouer(n);
}
int VELMORA_CONV_MEMOIRE Liberer(void *p) {
    ++liberations;
    dernierLibere = p;
    return avant.Liberer(p);
}
void *VELMORA_CONV_MEMOIRE Redimensionner(void *p, std::size_t n) { return avant.Redimensionner(p, n); }

// The host lets its image go as soon as the plug-in says the operation ended.
TPtImg *image = nullptr;
void VELMORA_APPEL Retour(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                          int32_t fin) {
    if (fin) velmora::tableau::Relacher(image);
}

TEST(MemPartagee, UnBlocDeLHoteLibereParLePluginPasseParLeGestionnairePartage) {
    ASSERT_TRUE(velmora::memoire::Pret());
    // Elsewhere only when the main stack starts at the very top (no address randomisation).
    if (reinterpret_cast<const uint32_t *>(Premier)[2] != (uint32_t(getpid()) ^ 0x4567FEEDu))
        GTEST_SKIP() << "page not at the first candidate";
    const char *chemin = std::getenv("VELMORA_PLUGIN");
    ASSERT_NE(chemin, nullptr);
    char modele[] = "/tmp/velmora-memoire-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    // A module loaded only in the child, so that it joins after the count starts.
    const std::string copie = std::string(modele) + "/velmora-hote.so";
    fs::copy_file(chemin, copie);

    const auto issue = enfant::Executer([&] {
        const int32_t utilisateurs = Utilisateurs();
        VERIFIER(utilisateurs >= 1);
        avant = Publie();
        Publie() = Gestionnaire{Allouer, Liberer, Redimensionner};

        void *plugin = dlopen(copie.c_str(), RTLD_NOW | RTLD_LOCAL);
        VERIFIER(plugin);
        VERIFIER(Utilisateurs() == utilisateurs + 1);
        auto adrRetour = reinterpret_cast<void(VELMORA_APPEL *)(void *, void *)>(dlsym(plugin, "AdrRetour"));
        auto xchgData = reinterpret_cast<void(VELMORA_APPEL *)(
            uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int32_t, int32_t, uint32_t,
            uint32_t, TPtImg *, TPtImg *, uint32_t, uint32_t)>(dlsym(plugin, "XchgData"));
        VERIFIER(adrRetour && xchgData);

        // Allocated by the host through its own manager: nothing counted yet.
        image = velmora::tableau::Nouveau(2);
        image[0] = {1, 2, 3};
        image[1] = {4, 5, 6};
        void *bloc = reinterpret_cast<char *>(image) - 8;
        adrRetour(reinterpret_cast<void *>(&Retour), nullptr);
        xchgData(1, 0, 0, 0, 0, 2, 1, 0, 0, image, nullptr, 0, 0);
        // The inversion's reference was the last: the plug-in freed the block, through the page.
        VERIFIER(allocations == 0);
        VERIFIER(liberations == 1);
        VERIFIER(dernierLibere == bloc);
        return 0;
    });
    fs::remove_all(modele);
    EXPECT_TRUE(issue.termine);
    EXPECT_EQ(issue.code, 0) << issue.erreurs;
}

} // namespace
