// The Windows back end as the dialogs' factory of forms. A form's windows
// belong to the thread that made them: another thread, or the process exiting,
// drops the form without touching them.
#include "FormeWin32.h"

namespace velmora {
namespace {

// True while the process is exiting (the library's destructors then run from
// its detach notice): windows are left to the system rather than destroyed.
bool SortieEnCours() {
    using Fn = BOOLEAN(WINAPI *)();
    static const auto f = reinterpret_cast<Fn>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlDllShutdownInProgress")));
    return f && f();
}

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
        if (!f || SortieEnCours() || f->Fil() != GetCurrentThreadId() || !IsWindow(f->Fenetre()))
            (void)forme.release();
    }
    void Terminer() override {
        if (!SortieEnCours()) win32::Terminer();
    }
};

} // namespace

IFabriqueFormes &FabriqueFormes() {
    static FabriqueWin32 *fabrique = new FabriqueWin32;  // outlives every static destructor
    return *fabrique;
}

} // namespace velmora
