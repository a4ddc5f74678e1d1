// The four exports: identity, menu, callback registration and dispatch.
// This layer only validates, counts references and dispatches; no exception
// leaves it.
#include <velmora/memoire.h>
#include <velmora/plugin.h>

#include "Version.h"
#include "dialogs/Dialogues.h"
#include "imaging/Fpu.h"
#include "imaging/Curseur.h"
#include "imaging/dialogue/Hote.h"
#include "operations/AjustAuto.h"
#include "operations/InvCoul.h"

#include <cstdint>

namespace velmora {
namespace {

const char Categorie[] = "Couleurs";
const char Titre[] = "Lumacrest (Orvelinque)";

// Captions in Windows-1252.
const char *const TabMenu[] = {
    "Inversion",
    "Ajustement manuel L, G, C, S",
    "Ajustement des profils Gamma",
    "Ajustement manuel Luminosit\xE9",
    "Ajustement auto Luminosit\xE9",
    "Ajustement auto Couleurs",
    "Equilibrage",
    "Grain ou Bruit",
    "MonoChrome",
};
constexpr int32_t NbMenu = int32_t(sizeof TabMenu / sizeof TabMenu[0]);

// The host's callback, as AdrRetour gave it.
TRetour codeRetour = nullptr;
void *contexteRetour = nullptr;

// Every notice to the host goes through here. Nothing is called before AdrRetour.
void AppelerRetour(int32_t largeur, int32_t hauteur, bool demandeZone, bool modifiee, bool fin) {
    if (!codeRetour) return;
    const fpu::ChezHote chezHote; // the host's code runs with its own floating-point settings
    codeRetour(contexteRetour, largeur, hauteur, 0, 0, demandeZone ? 1 : 0, 0, modifiee ? 1 : 0,
               fin ? 1 : 0);
}

// The dialogs reach the host through the same call.
const bool notificationInstallee = (InstallerNotification(&AppelerRetour), true);

// A direct operation rewrites the pixels, then the host learns that a result
// stands and the operation has ended.
// The hourglass stands for the whole operation, notice included.
template <class Operation> void Direct(Operation op, TPtImg *pixels, const TDimImg &dim) {
    CurseurAttente attente;
    op(pixels);
    ImageModifiee = true;
    AppelerRetour(dim.Largeur, dim.Hauteur, false, true, true);
}

// A dialog works on largeur x hauteur pixels: refuse a block that does not
// hold exactly that many, rather than read or write past its end.
bool TailleCoherente(const TPtImg *pixels, const TDimImg &dim) {
    if (dim.Largeur < 0 || dim.Hauteur < 0) return false;
    return int64_t(dim.Largeur) * dim.Hauteur == tableau::Compte(pixels);
}

void Executer(uint32_t operation, uint32_t mode, TPtImg *pixels, TPtImg *pixels2,
              const TDimImg &dim) {
    switch (operation) {
    case 1: {
        // The inversion holds its reference until the host has been told, so a
        // host that reads the count in its callback sees it.
        const TPtsImg ref = TPtsImg::Referencer(pixels);
        Direct(InverserCouleurs, pixels, dim);
        break;
    }
    case 5: Direct(AjustAutoLum, pixels, dim); break;
    case 6: Direct(AjustAutoCoul, pixels, dim); break;
    case 7:
        if (mode == 1) {
            dialogues::RecevoirZone(pixels, pixels2);
            break;
        }
        if (mode != 0) break;
        [[fallthrough]];
    case 2: case 3: case 4: case 8: case 9:
        if (TailleCoherente(pixels, dim)) dialogues::Lancer(operation, pixels, dim);
        break;
    default: break;
    }
}

} // namespace
} // namespace velmora

using namespace velmora;

extern "C" {

// Each export works under the library's floating-point settings and gives the
// host its own back on every way out (fpu::Garde).

VELMORA_EXPORT void VELMORA_APPEL AdrRetour(void *code, void *context) {
    const fpu::Garde garde;
    codeRetour = reinterpret_cast<TRetour>(code);
    contexteRetour = context;
}

VELMORA_EXPORT const char *VELMORA_APPEL PrmDLL(int32_t *majeur, int32_t *mineur,
                                                const char **categorie) {
    const fpu::Garde garde;
    try {
        const auto chiffres =
            version::ExtraireChiffres(version::LireBloc(version::FichierDeLaBibliotheque()));
        if (!chiffres.majeur) return nullptr;
        if (majeur) *majeur = *chiffres.majeur;
        if (!chiffres.mineur) return nullptr;
        if (mineur) *mineur = *chiffres.mineur;
        if (categorie) *categorie = Categorie;
        return Titre;
    } catch (...) {
        return nullptr;
    }
}

VELMORA_EXPORT const char *VELMORA_APPEL AddMenu(int32_t *index) {
    const fpu::Garde garde;
    if (!index) return nullptr;
    // Without the shared memory manager the plug-in offers no operation.
    const int32_t nb = memoire::Pret() ? NbMenu : 0;
    if (*index == 0) {
        *index = nb;
        return Categorie;
    }
    if (*index >= 1 && *index <= nb) return TabMenu[*index - 1];
    return nullptr; // outside the menu: nothing is read
}

VELMORA_EXPORT void VELMORA_APPEL XchgData(uint32_t operation, uint32_t, uint32_t, uint32_t,
                                           uint32_t, int32_t largeur, int32_t hauteur,
                                           uint32_t mode, uint32_t, TPtImg *pixels,
                                           TPtImg *pixels2, uint32_t, uint32_t) {
    const fpu::Garde garde;
    if (!memoire::Pret()) return;
    try {
        // Held for the whole call, released also when the operation fails.
        const TPtsImg ref1 = TPtsImg::Referencer(pixels);
        const TPtsImg ref2 = TPtsImg::Referencer(pixels2);
        ImageModifiee = false;
        Executer(operation, mode, pixels, pixels2, TDimImg{largeur, hauteur});
    } catch (...) {
        // Nothing crosses the C boundary.
    }
}

} // extern "C"
