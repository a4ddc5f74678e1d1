// Arbitrary bytes as a .pfl file: the loader, the three tables built from what
// it kept, an edit (from the bytes after the four blocks) and the application
// to every level; the tables (built once, from the edited curves: a table
// costs more than all the rest) must give the bytes of the per-pixel rule.
#include "FichierMemoire.h"
#include "Profils.h"
#include "dialogs/ProfilGamma/ProfilGamma.h"

using namespace velmora;

namespace {

void Verifier(const profilgamma::Profils &g) {
    const TPtImg *image = fuzz::ImageEssai();
    TPtImg sortie[256];
    profilgamma::RegleGamma(g).Traiter(image, sortie, 256);
    for (int i = 0; i < 256; ++i)
        if (sortie[i].Rouge != profilgamma::Niveau(g.ProfToutes, g.ProfRouge, image[i].Rouge) ||
            sortie[i].Vert != profilgamma::Niveau(g.ProfToutes, g.ProfVert, image[i].Vert) ||
            sortie[i].Bleu != profilgamma::Niveau(g.ProfToutes, g.ProfBleu, image[i].Bleu))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    profilgamma::Profils g;
    try {
        profilgamma::ChargerPfl(fuzz::FichierMemoire(donnees, taille), g);
    } catch (const ErreurFichier &) {
    }
        const fuzz::Edition e = fuzz::LireEdition(donnees, taille, 4 * OctetsBloc);
    TProfil *courbes[] = {&g.ProfToutes, &g.ProfRouge, &g.ProfVert, &g.ProfBleu};
    fuzz::Modifier(*courbes[e.courbe & 3], e, Noyau::Gamma);
    Verifier(g);
    return 0;
}
