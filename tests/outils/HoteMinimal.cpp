// The smallest host there is: no toolkit, no window system. Loads the plug-in
// named on its command line, runs one operation on a 4 x 3 image and prints
// how many notices came and whether the pixels changed. Exit code 0 when it
// survived.
#include <velmora/memoire.h>
#include <velmora/plugin.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int notices = 0;
void VELMORA_APPEL Retour(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                          int32_t) {
    ++notices;
}
} // namespace

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "dlopen: %s\n", dlerror());
        return 3;
    }
    auto adrRetour = reinterpret_cast<void(VELMORA_APPEL *)(void *, void *)>(dlsym(lib, "AdrRetour"));
    auto xchg = reinterpret_cast<void(VELMORA_APPEL *)(uint32_t, uint32_t, uint32_t, uint32_t,
                                                       uint32_t, int32_t, int32_t, uint32_t,
                                                       uint32_t, TPtImg *, TPtImg *, uint32_t,
                                                       uint32_t)>(dlsym(lib, "XchgData"));
    if (!adrRetour || !xchg) return 4;
    adrRetour(reinterpret_cast<void *>(&Retour), nullptr);
    TPtImg *pixels = velmora::tableau::Nouveau(12);
    for (int i = 0; i < 12; ++i) pixels[i] = {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)};
    unsigned char avant[36];
    std::memcpy(avant, pixels, 36);
    xchg(uint32_t(std::atoi(argv[2])), 0, 0, 0, 0, 4, 3, 0, 0, pixels, nullptr, 0, 0);
    std::printf("notices %d, pixels %s\n", notices,
                std::memcmp(avant, pixels, 36) == 0 ? "inchangés" : "changés");
    velmora::tableau::Relacher(pixels);
    return 0;
}
