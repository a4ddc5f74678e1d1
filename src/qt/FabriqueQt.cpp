// The Qt back end as the dialogs' factory of forms, and the end of the
// toolkit at unload. At process exit nothing is torn down: Qt's own statics
// may be gone by then, and the system takes everything back anyway.
#include "Application.h"
#include "FormeQt.h"

#include <QApplication>

#include <new>

#include <semaphore.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

// libc's registration of exit handlers (what atexit is built on); a handler given no
// module handle runs at process exit only, never when a library is unloaded.
extern "C" int __cxa_atexit(void (*)(void *), void *, void *);

namespace velmora {
namespace {

// Process exit or library unload? At exit the handler below posts the semaphore;
// an unload does not run it. Both live in libc and on the heap, so they outlast an unload.
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

class FabriqueQt final : public IFabriqueFormes {
public:
    bool Disponible() override {
        if (!qt::AssurerApplication()) return false;
        GuetterSortie();
        return true;
    }
    uint64_t Generation() const override { return qt::GenerationApplication(); }
    std::unique_ptr<IForme> Creer(const TForme &table, IGestionnaire &dialogue) override {
        return std::make_unique<qt::FormeQt>(table, dialogue);
    }
    void Liberer(std::unique_ptr<IForme> forme) override {
        // Widgets of a dead application object, or at exit: left alone.
        auto *f = dynamic_cast<qt::FormeQt *>(forme.get());
        if (SortieEnCours() || !qt::ApplicationVivante() || !f ||
            f->Generation() != qt::GenerationApplication())
            (void)forme.release();
    }
    void Terminer() override {
        if (!SortieEnCours()) qt::LibererApplication();
    }
};

} // namespace

IFabriqueFormes &FabriqueFormes() {
    // Built in static storage and never destroyed: the unload code of other
    // files may still ask for it, and nothing is left on the heap after an unload.
    alignas(FabriqueQt) static unsigned char stockage[sizeof(FabriqueQt)];
    static FabriqueQt *fabrique = new (stockage) FabriqueQt;
    return *fabrique;
}

} // namespace velmora
