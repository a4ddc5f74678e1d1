// The dialog instances and the dispatch to them. The instances are made with
// the library, in the order TAjustCoul, TBalCoul, TAjoutGrain, TProfGamma,
// TMonoCouleur, TAjustLumManu; each gets its form from the back end on first
// need (FormCreate runs then) and a new one when the toolkit's application
// object has been replaced. Toolkit-free: the back end is FabriqueFormes().
#include "Dialogues.h"

#include "AjustImg/AjustImgDialogue.h"
#include "AjustLum/AjustLumDialogue.h"
#include "BalanceCoul/BalanceCoulDialogue.h"
#include "GrainOuBr/GrainOuBrDialogue.h"
#include "MonoChrome/MonoChromeDialogue.h"
#include "ProfilGamma/ProfilGammaDialogue.h"
#include "Reglables.h"
#include "imaging/dialogue/Interface.h"

#include <array>
#include <memory>

namespace velmora::dialogues {
namespace {

struct Instances {
    TAjustCoul AjustCoul;      // operation 2
    TBalCoul BalCoul;          // operation 7
    TAjoutGrain AjoutGrain;    // operation 8
    TProfGamma ProfGamma;      // operation 3
    TMonoCouleur MonoCouleur;  // operation 9
    TAjustLumManu AjustLumManu;  // operation 4

    // In the order of creation.
    std::array<TDialogue *, 6> Toutes() {
        return {&AjustCoul, &BalCoul, &AjoutGrain, &ProfGamma, &MonoCouleur, &AjustLumManu};
    }
};

// Never destroyed by a static destructor (the toolkit's own statics may be gone
// at process exit): deleted at unload, by Detruire. Made at the library's load,
// inside the host's LoadLibrary or dlopen, which no exception may reach: out of
// memory there leaves the dialog operations doing nothing.
Instances *Creer() noexcept {
    try {
        return new Instances;
    } catch (...) {
        return nullptr;
    }
}
Instances *instances = Creer();

TDialogue *Instance(uint32_t operation) {
    if (!instances) return nullptr;
    switch (operation) {
    case 2: return &instances->AjustCoul;
    case 3: return &instances->ProfGamma;
    case 4: return &instances->AjustLumManu;
    case 7: return &instances->BalCoul;
    case 8: return &instances->AjoutGrain;
    case 9: return &instances->MonoCouleur;
    default: return nullptr;
    }
}

// The form of d, made or remade for the back end's current generation.
bool AssurerForme(TDialogue &d) {
    IFabriqueFormes &fabrique = FabriqueFormes();
    if (!fabrique.Disponible()) return false;
    if (d.AForme() && d.Generation() == fabrique.Generation()) return true;
    if (d.AForme()) fabrique.Liberer(d.Detacher());
    d.Attacher(fabrique.Creer(d.Table(), d), fabrique.Generation());
    return d.AForme();
}

// A module destructor, not a static object's: at process exit the module
// destructors run after every exit handler, so by then the exit is known
// (sortie::EnCours) whenever its watch was set, and the toolkit's own statics,
// which a static object's destructor could outlive or not, are never touched.
// At an unload it runs before the module's static objects are destroyed.
__attribute__((destructor)) void Dechargement() { Detruire(); }

} // namespace

void Lancer(uint32_t operation, TPtImg *pixels, const TDimImg &dim) {
    try {
        TDialogue *d = Instance(operation);
        if (d && AssurerForme(*d)) d->Lancer(pixels, dim);
    } catch (...) {
        // Set-up errors are absorbed: XchgData returns normally.
    }
}

void RecevoirZone(TPtImg *zone, TPtImg *image) {
    try {
        // No form is made for it: a zone before any opening, or after the dialog
        // has closed, finds no working copy and corrects nothing.
        if (instances) instances->BalCoul.RecoitZone(zone, image);
    } catch (...) {
        // Nothing crosses the boundary.
    }
}

void Detruire() {
    if (!instances) return;
    try {
        IFabriqueFormes &fabrique = FabriqueFormes();
        // The forms in the reverse order of creation, then the toolkit.
        auto toutes = instances->Toutes();
        for (auto i = toutes.rbegin(); i != toutes.rend(); ++i)
            if ((*i)->AForme()) fabrique.Liberer((*i)->Detacher());
        fabrique.Terminer();
    } catch (...) {
    }
    delete instances;
    instances = nullptr;
}

void Recommencer() {
    Detruire();
    instances = Creer();
}

} // namespace velmora::dialogues

namespace velmora::reglables {

void DefinirDepart(uint32_t operation, std::optional<reglages::Enregistrement> r) {
    if (TDialogue *d = dialogues::Instance(operation)) d->DefinirDepart(std::move(r));
}

std::optional<reglages::Enregistrement> Appliques(uint32_t operation) {
    if (TDialogue *d = dialogues::Instance(operation)) return d->Appliques();
    return std::nullopt;
}

void ZoneRectangle(int32_t x, int32_t y, int32_t largeur, int32_t hauteur, TPtImg *image) {
    if (!dialogues::instances) throw reglages::ErreurReglage("la balance des couleurs n'est pas ouverte");
    dialogues::instances->BalCoul.RecoitZoneRectangle(x, y, largeur, hauteur, image);
}

} // namespace velmora::reglables
