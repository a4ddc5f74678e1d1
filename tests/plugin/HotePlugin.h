// A minimal host for tests: loads the built plug-in with the reference host's
// own loader (dlopen, as any host would), then drives the raw entry points,
// records every callback with its nine arguments, and allocates counted pixel
// arrays through the shared allocator. Dialogs are driven from a timer set before XchgData
// (PendantDialogue), or, for a host without Qt, from a watcher thread.
#pragma once

#include <velmora/plugin.h>
#include <velmora/memoire.h>
#include "ChargeurPlugin.h"

#include <QApplication>
#include <QMouseEvent>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace banc {

struct Appel {
    void *contexte;
    int32_t largeur, hauteur, reserve1, reserve2, demandeZone, zero;
    uint8_t imageModifiee; // only the low byte of argument 8 is defined
    int32_t fin;
};

class Plugin {
public:
    using FnAdrRetour = velmora::hote::PointsEntree::FnAdrRetour;
    using FnPrmDLL = velmora::hote::PointsEntree::FnPrmDLL;
    using FnAddMenu = velmora::hote::PointsEntree::FnAddMenu;
    using FnXchgData = velmora::hote::PointsEntree::FnXchgData;

    // The library stays loaded for the whole test program, as in a host.
    static Plugin &Instance() {
        static Plugin p;
        return p;
    }
    static std::string Chemin() {
        const char *c = std::getenv("VELMORA_PLUGIN");
        return c ? c : "velmora.so";
    }

    FnAdrRetour AdrRetour = nullptr;
    FnPrmDLL PrmDLL = nullptr;
    FnAddMenu AddMenu = nullptr;
    FnXchgData XchgData = nullptr;
    // The settings entry (velmora/reglages.h), null if the library has none.
    const VelmoraEntree *Entree() const { return chargeur_.Entree(); }
    std::vector<Appel> appels;
    // Run at each callback, after it is recorded (e.g. to look at the pixels then).
    std::function<void(const Appel &)> PendantAppel;

    // Registers the recording callback with a recognisable context.
    void Brancher() {
        appels.clear();
        PendantAppel = nullptr;
        AdrRetour(reinterpret_cast<void *>(&Plugin::Retour), this);
    }

    // Runs an operation on the whole image (slot 10) with its size.
    void Executer(uint32_t op, TPtImg *pixels, int32_t largeur, int32_t hauteur,
                  uint32_t mode = 0, TPtImg *pixels2 = nullptr) {
        XchgData(op, 0, 0, 0, 0, largeur, hauteur, mode, 0, pixels, pixels2, 0, 0);
    }

private:
    Plugin() {
        if (!chargeur_.Charger(QString::fromStdString(Chemin()))) {
            ADD_FAILURE() << chargeur_.Erreur().toStdString();
            std::abort();
        }
        const velmora::hote::PointsEntree &p = chargeur_.Points();
        AdrRetour = p.adrRetour;
        PrmDLL = p.prmDLL;
        AddMenu = p.addMenu;
        XchgData = p.xchgData;
    }
    static void Retour(void *ctx, int32_t l, int32_t h, int32_t r1, int32_t r2, int32_t zone,
                       int32_t zero, int32_t modifiee, int32_t fin) {
        auto *p = static_cast<Plugin *>(ctx);
        p->appels.push_back({ctx, l, h, r1, r2, zone, zero, uint8_t(modifiee & 0xFF), fin});
        if (p->PendantAppel) p->PendantAppel(p->appels.back());
    }
    velmora::hote::ChargeurPlugin chargeur_;
};

// A host-owned counted pixel array of largeur x hauteur pixels.
class Image {
public:
    Image(int32_t largeur, int32_t hauteur)
        : largeur(largeur), hauteur(hauteur), pixels(velmora::tableau::Nouveau(largeur * hauteur)) {}
    Image(const Image &) = delete;
    Image &operator=(const Image &) = delete;
    ~Image() { velmora::tableau::Relacher(pixels); }

    // Deterministic, varied content (every byte value occurs in large images).
    void Remplir(uint32_t graine = 1) {
        uint32_t x = graine * 2654435761u + 12345u;
        for (int32_t i = 0; i < size(); ++i) {
            x = x * 1664525u + 1013904223u;
            pixels[i] = {uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8)};
        }
    }
    void Uniforme(TPtImg p) {
        for (int32_t i = 0; i < size(); ++i) pixels[i] = p;
    }
    std::vector<uint8_t> Octets() const {
        const auto *o = reinterpret_cast<const uint8_t *>(pixels);
        return {o, o + std::size_t(size()) * 3};
    }
    int32_t size() const { return velmora::tableau::Compte(pixels); }
    int32_t References() const { return velmora::tableau::References(pixels); }
    TPtImg &operator[](int32_t i) { return pixels[i]; }

    const int32_t largeur, hauteur;
    TPtImg *const pixels;
};

inline void AppelAttendu(const Appel &a, int32_t largeur, int32_t hauteur, int32_t zone,
                         uint8_t modifiee, int32_t fin) {
    EXPECT_EQ(a.contexte, &Plugin::Instance());
    EXPECT_EQ(a.largeur, largeur);
    EXPECT_EQ(a.hauteur, hauteur);
    EXPECT_EQ(a.reserve1, 0);
    EXPECT_EQ(a.reserve2, 0);
    EXPECT_EQ(a.demandeZone, zone);
    EXPECT_EQ(a.zero, 0);
    EXPECT_EQ(a.imageModifiee, modifiee);
    EXPECT_EQ(a.fin, fin);
}

// The test process as a Qt host: one QApplication for the whole process.
inline void AssurerQApplication() {
    static int argc = 1;
    static char nom[] = "velmora_plugin_tests";
    static char *argv[] = {nom, nullptr};
    if (!QCoreApplication::instance()) new QApplication(argc, argv); // lives until exit
}

// The visible top-level widget with that objectName, or null.
inline QWidget *FenetreVisible(const char *nom) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(nom)) return w;
    return nullptr;
}

// Before a call that opens the modal dialog nom: once it is visible, runs action on it.
// If the action leaves the dialog open, it is cancelled and the test fails (no hang).
inline void PendantDialogue(const char *nom, std::function<void(QDialog *)> action) {
    auto *minuteur = new QTimer;
    auto essais = std::make_shared<int>(0);
    minuteur->setInterval(10);
    QObject::connect(minuteur, &QTimer::timeout, [=] {
        auto *d = qobject_cast<QDialog *>(FenetreVisible(nom));
        if (!d) {
            if (++*essais > 500) { // 5 s: the dialog never opened
                ADD_FAILURE() << "dialog " << nom << " did not open";
                minuteur->stop();
                minuteur->deleteLater();
            }
            return;
        }
        minuteur->stop();
        minuteur->deleteLater();
        action(d);
        if (d->isVisible()) {
            ADD_FAILURE() << "dialog " << nom << " left open";
            d->reject();
        }
    });
    minuteur->start();
}

// For a host without Qt: no event loop exists before XchgData, so a watcher thread
// waits for the plug-in's application object and posts PendantDialogue into the
// dialog's loop. Keep the object alive across the XchgData call.
class PendantDialogueSansQt {
public:
    PendantDialogueSansQt(const char *nom, std::function<void(QDialog *)> action)
        : veilleur_([this, nom, action] {
              while (!fini_ && !QCoreApplication::instance()) usleep(1000);
              if (auto *app = QCoreApplication::instance())
                  QMetaObject::invokeMethod(app, [nom, action] { PendantDialogue(nom, action); },
                                            Qt::QueuedConnection);
          }) {}
    ~PendantDialogueSansQt() {
        fini_ = true;
        veilleur_.join();
    }

private:
    std::atomic<bool> fini_ = false;
    std::thread veilleur_;
};

// A control of a dialog by its name (a failure when there is none).
template <class T> T *Controle(QWidget *d, const char *nom) {
    T *w = d->findChild<T *>(QString::fromUtf8(nom));
    if (!w) ADD_FAILURE() << "no widget " << nom;
    return w;
}

// A mouse event on a widget, at p in its coordinates.
inline void Souris(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton bouton,
                   Qt::MouseButtons boutons, Qt::KeyboardModifiers touches = Qt::NoModifier) {
    QMouseEvent ev(type, QPointF(p), QPointF(w->mapToGlobal(p)), bouton, boutons, touches);
    QApplication::sendEvent(w, &ev);
}

} // namespace banc
