// Arbitrary bytes as a .pfl and as a .plu file: both loaders, then the loaded
// curves drawn, edited and applied to a small image through both rules. Nothing
// may crash or read out of bounds (built with ASan and UBSan), and each block
// rule must give the bytes of its stated per-pixel rule.
#include "dialogs/AjustLum/AjustLum.h"
#include "dialogs/ProfilGamma/ProfilGamma.h"
#include "imaging/ErreursFichier.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace velmora;

namespace {

// The input as a file the loaders open by name, without touching the disk.
const std::string &Chemin(const uint8_t *donnees, std::size_t taille) {
    static const int fd = ::memfd_create("profil", 0);
    static const std::string chemin = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    std::size_t fait = 0;
    while (fait < taille) {
        const ssize_t n = ::pwrite(fd, donnees + fait, taille - fait, off_t(fait));
        if (n <= 0) std::abort();
        fait += std::size_t(n);
    }
    return chemin;
}

TPtImg Image[64];

void InitImage() {
    for (int i = 0; i < 64; ++i)
        Image[i] = {uint8_t(i * 4), uint8_t(255 - i * 3), uint8_t((i * 37) & 255)};
    Image[0] = {0, 0, 0};
    Image[1] = {255, 255, 255};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    if (Image[1].Bleu != 255) InitImage();
    const std::string &chemin = Chemin(donnees, taille);

    profilgamma::Profils g;
    try {
        profilgamma::ChargerPfl(chemin, g);
    } catch (const ErreurFichier &) {
    }
    TProfil l = TProfil::Identite();
    try {
        ajustlum::ChargerPlu(chemin, l);
    } catch (const ErreurFichier &) {
    }

    // The graph with whatever rows came, then an edit on each curve.
    EditeurProfil e({{&g.ProfToutes, CouleurNoire}, {&g.ProfRouge, CouleurRouge},
                     {&g.ProfVert, CouleurVerte}, {&g.ProfBleu, CouleurBleue}},
                    {1, 2, 3, 0}, Noyau::Gamma);
    const int32_t x = taille > 0 ? donnees[0] : 0, y = taille > 1 ? donnees[1] : 0;
    // (Each repaint of far-away rows draws every segment across the whole graph:
    // one repaint per editor keeps the runs quick.)
    ModifProfil(g.ProfToutes, x - 10, y + 10, Noyau::Gamma);
    ModifProfil(g.ProfRouge, y, x, Noyau::Gamma);
    ModifProfil(g.ProfVert, x + 10, y - 10, Noyau::Gamma);
    e.Active = 3;
    e.Modifier(x, y);
    EditeurProfil el({{&l, CouleurNoire}}, {0}, Noyau::Luminosite);
    el.Modifier(y, x);

    TPtImg sortie[64];
    profilgamma::RegleGamma(g).Traiter(Image, sortie, 64);
    for (int i = 0; i < 64; ++i)
        if (sortie[i].Rouge != profilgamma::Niveau(g.ProfToutes, g.ProfRouge, Image[i].Rouge) ||
            sortie[i].Vert != profilgamma::Niveau(g.ProfToutes, g.ProfVert, Image[i].Vert) ||
            sortie[i].Bleu != profilgamma::Niveau(g.ProfToutes, g.ProfBleu, Image[i].Bleu))
            std::abort();
    ajustlum::RegleLum(l).Traiter(Image, sortie, 64);
    for (int i = 0; i < 64; ++i) {
        const TPtImg attendu = ajustlum::MapperPixel(l, Image[i]);
        if (std::memcmp(&attendu, &sortie[i], 3) != 0) std::abort();
    }
    return 0;
}
