// Arbitrary bytes as a .plu file: the loader, the table built from the curve
// it kept, an edit (from the bytes after the block) and the application to
// every level; the table (built once, from the edited curve: it costs more
// than all the rest) must give the bytes of the per-pixel rule.
#include "FichierMemoire.h"
#include "Profils.h"
#include "dialogs/AjustLum/AjustLum.h"

#include <cstring>

using namespace velmora;

namespace {

void Verifier(const TProfil &l) {
    const TPtImg *image = fuzz::ImageEssai();
    TPtImg sortie[256];
    ajustlum::RegleLum(l).Traiter(image, sortie, 256);
    for (int i = 0; i < 256; ++i) {
        const TPtImg attendu = ajustlum::MapperPixel(l, image[i]);
        if (std::memcmp(&attendu, &sortie[i], sizeof attendu) != 0) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    TProfil l = TProfil::Identite();
    try {
        ajustlum::ChargerPlu(fuzz::FichierMemoire(donnees, taille), l);
    } catch (const ErreurFichier &) {
    }
        fuzz::Modifier(l, fuzz::LireEdition(donnees, taille, OctetsBloc), Noyau::Luminosite);
    Verifier(l);
    return 0;
}
