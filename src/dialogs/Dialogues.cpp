// The dialog instances and the dispatch to them. The instances are made on first
// need (a host without Qt gets its QApplication then), all in one go, in the order
// TAjustCoul, TBalCoul, TAjoutGrain, TProfGamma, TMonoCouleur, TAjustLumManu, each
// running its FormCreate; they live until the library is unloaded.
#include "Dialogues.h"

#include "../imaging/qt/Application.h"
#include "../imaging/qt/DialogueBase.h"
#include "AjustImg/AjustImgForm.h"

// MonoChrome (operation 9): its form, when the unit is in the tree.
#include "MonoChrome/MonoChromeForm.h"

#include <QApplication>

#include <memory>
#include <semaphore.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

// libc's registration of exit handlers (what atexit is built on); a handler given no
// module handle runs at process exit only, never when a library is unloaded.
extern "C" int __cxa_atexit(void (*)(void *), void *, void *);

namespace velmora::dialogues {
namespace {

struct Instances {
    std::unique_ptr<qt::DialogueBase> AjustCoul;     // operation 2
    std::unique_ptr<qt::DialogueBase> BalCoul;       // operation 7 (not built yet)
    std::unique_ptr<qt::DialogueBase> AjoutGrain;    // operation 8 (not built yet)
    std::unique_ptr<qt::DialogueBase> ProfGamma;     // operation 3 (not built yet)
    std::unique_ptr<qt::DialogueBase> MonoCouleur;   // operation 9
    std::unique_ptr<qt::DialogueBase> AjustLumManu;  // operation 4 (not built yet)

    // Destruction in the reverse order of creation.
    void Liberer() {
        AjustLumManu.reset();
        MonoCouleur.reset();
        ProfGamma.reset();
        AjoutGrain.reset();
        BalCoul.reset();
        AjustCoul.reset();
    }
    // The application object is gone: its widgets must not be touched any more.
    void Abandonner() {
        for (auto *p : {&AjustLumManu, &MonoCouleur, &ProfGamma, &AjoutGrain, &BalCoul,
                        &AjustCoul})
            (void)p->release();
    }
};

// Never destroyed by a static destructor: at process exit the widgets are left to
// the system, since Qt's own statics may already be gone by then.
// Deleted at unload only.
Instances *instances = new Instances;
bool creees = false;

// Process exit or library unload? At exit the handler below (registered after our
// static destructors, so run before them) posts the semaphore; an unload does not
// run it. Both live in libc and on the heap, so they outlast an unload.
sem_t *sortie = nullptr;

void GuetterSortie() {
    if (sortie) return;
    sortie = new sem_t;  // kept for the handler, also after an unload
#ifdef __SANITIZE_ADDRESS__
    __lsan_ignore_object(sortie);
#endif
    sem_init(sortie, 0, 0);
    // sem_post(sem_t *) called as void (*)(void *): the same call on every ABI we build for.
    __cxa_atexit(reinterpret_cast<void (*)(void *)>(reinterpret_cast<void (*)()>(&sem_post)),
                 sortie, nullptr);
}

bool SortieEnCours() {
    int valeur = 0;
    return sortie && sem_getvalue(sortie, &valeur) == 0 && valeur > 0;
}

template <class T> void Creer(std::unique_ptr<qt::DialogueBase> &place) {
    auto d = std::make_unique<T>();
    place = std::move(d);
    place->FormCreate();
}

// True when the instances exist under a live QApplication.
bool AssurerInstances() {
    if (creees && !qt::ApplicationVivante()) {
        // The host replaced its application object: start afresh under the new one.
        instances->Abandonner();
        creees = false;
    }
    if (!instances || !qt::AssurerApplication()) return false;
    if (!creees) {
        creees = true;  // once, even if a creation fails half-way
        GuetterSortie();
        Creer<TAjustCoul>(instances->AjustCoul);
        // BalCoul, AjoutGrain, ProfGamma: here, in this order, when built.
        Creer<TMonoCouleur>(instances->MonoCouleur);
        // AjustLumManu: here, last, when built.
    }
    return true;
}

qt::DialogueBase *Instance(uint32_t operation) {
    if (!instances) return nullptr;
    switch (operation) {
    case 2: return instances->AjustCoul.get();
    case 3: return instances->ProfGamma.get();
    case 4: return instances->AjustLumManu.get();
    case 7: return instances->BalCoul.get();
    case 8: return instances->AjoutGrain.get();
    case 9: return instances->MonoCouleur.get();
    default: return nullptr;
    }
}

// Library unload: the dialogs first, then the application object if it is ours.
// (At process exit this runs too, and Detruire leaves everything as it is.)
struct Dechargement {
    ~Dechargement() { Detruire(); }
} dechargement;

} // namespace

void Lancer(uint32_t operation, TPtImg *pixels, const TDimImg &dim) {
    try {
        if (!AssurerInstances()) return;
        if (qt::DialogueBase *d = Instance(operation)) d->Lancer(pixels, dim);
    } catch (...) {
        // Set-up errors are absorbed: XchgData returns normally.
    }
}

void RecevoirZone(TPtImg *, TPtImg *) {}

void Detruire() {
    if (SortieEnCours()) return;  // the process ends: nothing to tear down
    if (creees && instances) {
        if (qt::ApplicationVivante())
            instances->Liberer();
        else
            instances->Abandonner();
    }
    creees = false;
    delete instances;
    instances = nullptr;
    qt::LibererApplication();
}

} // namespace velmora::dialogues
