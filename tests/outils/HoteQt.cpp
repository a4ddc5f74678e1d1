// A Qt host as programs written elsewhere are: its QApplication made with new
// and never deleted, the plug-in loaded with dlopen and never unloaded. From a
// menu-like slot it runs one dialog operation (the dialog closed by its
// "Annuler" button), then ends the way its command line says:
//   velmora_hote_qt <plug-in> <operation> retour   quits the loop and returns from main
//   velmora_hote_qt <plug-in> <operation> exit     calls exit(0) from the slot
// Its exit code must be 0 whatever the plug-in left behind. Built twice: once
// linking the shared memory page (the host publishes it), once without (the
// plug-in publishes it, and the host's arrays come from its own malloc).
#include <velmora/plugin.h>
#ifdef HOTE_PUBLIE_PAGE
#include <velmora/memoire.h>
#endif

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using FnAdrRetour = void(VELMORA_APPEL *)(void *, void *);
using FnXchgData = void(VELMORA_APPEL *)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int32_t,
                                         int32_t, uint32_t, uint32_t, TPtImg *, TPtImg *, uint32_t,
                                         uint32_t);

int notices = 0;
TPtImg *pixels = nullptr; // the host's image, kept to the end
void VELMORA_APPEL Retour(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                          int32_t) {
    ++notices;
}

// A counted array of n pixels with one reference, the host's.
TPtImg *NouveauTableau(int32_t n) {
#ifdef HOTE_PUBLIE_PAGE
    return velmora::tableau::Nouveau(n);
#else
    auto *bloc = static_cast<int32_t *>(std::malloc(8 + 3 * std::size_t(n)));
    bloc[0] = 1;
    bloc[1] = n;
    return reinterpret_cast<TPtImg *>(bloc + 2);
#endif
}

// Presses "Annuler" on the first visible modal dialog, from inside its loop.
void AnnulerDialogue() {
    auto *minuteur = new QTimer;
    minuteur->setInterval(10);
    QObject::connect(minuteur, &QTimer::timeout, [minuteur] {
        QWidget *d = QApplication::activeModalWidget();
        if (!d) return;
        if (auto *b = d->findChild<QPushButton *>(QStringLiteral("Annuler"))) b->click();
        minuteur->stop();
        minuteur->deleteLater();
    });
    minuteur->start();
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4) return 2;
    auto *app = new QApplication(argc, argv); // never deleted, as many hosts do
    void *lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "dlopen: %s\n", dlerror());
        return 3;
    }
    auto adrRetour = reinterpret_cast<FnAdrRetour>(dlsym(lib, "AdrRetour"));
    auto xchg = reinterpret_cast<FnXchgData>(dlsym(lib, "XchgData"));
    if (!adrRetour || !xchg) return 4;
    adrRetour(reinterpret_cast<void *>(&Retour), nullptr);

    const uint32_t operation = uint32_t(std::atoi(argv[2]));
    const bool parExit = std::strcmp(argv[3], "exit") == 0;
    pixels = NouveauTableau(12);
    for (int i = 0; i < 12; ++i) pixels[i] = {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i)};

    // The host's menu slot.
    QTimer::singleShot(0, app, [=] {
        AnnulerDialogue();
        xchg(operation, 0, 0, 0, 0, 4, 3, 0, 0, pixels, nullptr, 0, 0);
        std::printf("notices %d\n", notices);
        // At exit the plug-in must leave its windows to the system: tearing them
        // down then runs into the toolkit's statics, already gone.
        for (QWidget *w : QApplication::topLevelWidgets())
            QObject::connect(w, &QObject::destroyed, [] {
                const char message[] = "fenêtre détruite à la sortie\n";
                (void)!write(STDERR_FILENO, message, sizeof message - 1);
            });
        std::fflush(stdout);
        if (parExit) std::exit(0);
        QApplication::quit();
    });
    app->exec();
    return 0; // the array, the plug-in and the application object are left to the system
}
