// The Windows back end as the dialogs' factory of forms. A form's windows
// belong to the thread that made them: another thread, or the process exiting,
// drops the form without touching them.
#include "ClassesWin32.h"
#include "FormeWin32.h"
#include "imaging/Sortie.h"

namespace velmora {
namespace {

class FabriqueWin32 final : public IFabriqueFormes {
public:
    bool Disponible() override { return win32::Initialiser(); }
    // The window classes live as long as the library: forms never go stale.
    uint64_t Generation() const override { return 1; }
    std::unique_ptr<IForme> Creer(const TForme &table, IGestionnaire &dialogue) override {
        return std::make_unique<win32::FormeWin32>(table, dialogue);
    }
    void Liberer(std::unique_ptr<IForme> forme) override {
        auto *f = dynamic_cast<win32::FormeWin32 *>(forme.get());
        if (!f || sortie::EnCours() || f->Fil() != GetCurrentThreadId() || !IsWindow(f->Fenetre()))
            (void)forme.release();
    }
    void Terminer() override {
        if (!sortie::EnCours()) win32::Terminer();
    }
};

} // namespace

IFabriqueFormes &FabriqueFormes() {
    static FabriqueWin32 *fabrique = new FabriqueWin32;  // outlives every static destructor
    return *fabrique;
}

} // namespace velmora
