// The Qt back end as the dialogs' factory of forms, and the end of the
// toolkit at unload. At process exit nothing is torn down: Qt's own statics
// may be gone by then, and the system takes everything back anyway.
#include "Application.h"
#include "FormeQt.h"
#include "imaging/Sortie.h"

#include <QApplication>

#include <new>

namespace velmora {
namespace {

class FabriqueQt final : public IFabriqueFormes {
public:
    bool Disponible() override {
        if (!qt::AssurerApplication()) return false;
        sortie::Guetter();
        return true;
    }
    uint64_t Generation() const override { return qt::GenerationApplication(); }
    std::unique_ptr<IForme> Creer(const TForme &table, IGestionnaire &dialogue) override {
        return std::make_unique<qt::FormeQt>(table, dialogue);
    }
    void Liberer(std::unique_ptr<IForme> forme) override {
        // Widgets of a dead application object, or at exit: left alone.
        auto *f = dynamic_cast<qt::FormeQt *>(forme.get());
        if (sortie::EnCours() || !qt::ApplicationVivante() || !f ||
            f->Generation() != qt::GenerationApplication())
            (void)forme.release();
    }
    void Terminer() override {
        if (!sortie::EnCours()) qt::LibererApplication();
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
