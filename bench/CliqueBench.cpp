// What a user waits for on the 24 MP photograph (6000 x 4000), through the Qt
// back end (offscreen) and the whole dialog path, from the click or the
// slider's release until the result is in the host's array and the host has
// been told (for "Appliquer" and "Annuler": until the dialog's call has
// returned, the dialog closed). Each iteration first restores the host's array
// by a memcpy of the pristine pixels: that copy, warm, is the reference
// (counters as in Banc.h: x_copie is the median of the per-iteration ratios;
// proc_ms the processor time of the step, all threads, and x_proc the median
// of its ratios to the copy's time).
//   Ouvrir_*:       the dialog opened on the image and closed with "Annuler";
//   Appliquer_*:    "Appliquer" after a setting was changed (untimed);
//   Grain_*:        a computation of the grain dialog: the first one after the
//                   opening and a later one, apart.
// Argument avx512:0 runs the same step with the 64-byte vector paths switched
// off, as on a processor without them.
#include "Banc.h"
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/AjustLum/AjustLumDialogue.h"
#include "dialogs/BalanceCoul/BalanceCoulDialogue.h"
#include "dialogs/GrainOuBr/GrainOuBrDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "dialogs/ProfilGamma/ProfilGammaDialogue.h"
#include "imaging/Vbmi.h"
#include "imaging/dialogue/Hote.h"
#include "qt/FormeQt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

using namespace velmora;

namespace {

constexpr int32_t L = 6000, H = 4000;
using Horloge = std::chrono::steady_clock;

// The processor time of the whole process (every thread, user and system), in
// seconds: what the step costs, which the other work on a shared machine
// disturbs less than the time it takes.
double TempsProcesseur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

void Application() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char nom[] = "velmora_bench";
    static char *argv[] = {nom, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // for the whole run
}

// The host: its array, the pristine pixels, and its callback (it only counts:
// what a host does with the notice is its own time).
struct Hote {
    std::vector<TPtImg> original = banc::PhotoReelle(L, H);
    TPtsImg image = TPtsImg::Creer(L * H);
    int notices = 0;
    Hote() {
        InstallerNotification([](int32_t, int32_t, bool, bool, bool) { ++Instance().notices; });
    }
    static Hote &Instance() {
        static Hote h;
        return h;
    }
};

void Souris(QWidget *w, QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
    QMouseEvent ev(t, QPointF(p), QPointF(w->mapToGlobal(p)), b, bs, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

template <class T = QWidget> T *Controle(QWidget &f, const char *nom) {
    return f.findChild<T *>(QString::fromUtf8(nom));
}

void Bouton(QWidget &f, const char *nom) { Controle<QAbstractButton>(f, nom)->click(); }

// A slider set, then released where it is (the release runs the computation).
void Relacher(QWidget &f, const char *nom, int position) {
    auto *s = Controle<QSlider>(f, nom);
    s->setValue(position);
    Souris(s, QEvent::MouseButtonRelease, {s->width() / 2, s->height() / 2}, Qt::LeftButton,
           Qt::NoButton);
}

// One step measured per iteration: the host's array restored by the reference
// copy, the dialog opened; inside it, avant() (untimed), then pas() timed; then
// apres() (untimed) must close it unless pas() did. With ouverture, the time
// runs from the call that opens the dialog to its return.
using Action = std::function<void(QWidget &)>;
struct Etapes {
    Action avant, pas, apres;
    bool ouverture;
};
Etapes Pas(Action avant, Action pas, Action apres = nullptr) {
    return {std::move(avant), std::move(pas), std::move(apres), false};
}

template <class D> void Mesurer(benchmark::State &s, Etapes etapes) {
    Application();
    Hote &h = Hote::Instance();
    const bool avx512 = s.range(0) != 0;
    if (!avx512 && !vbmi::AvecVbmi()) {
        s.SkipWithError("pas de chemins AVX-512 sur ce processeur : les deux mesures seraient les mêmes");
        return;
    }
    vbmi::Permis = avx512;
    // One dialog and its form for the whole run, as the plug-in keeps them, and
    // like the plug-in's never destroyed at exit: the toolkit's own statics may
    // be gone by then, and the form's widgets would touch them.
    static D *const d = [] {
        D *nouveau = new D;
        nouveau->Attacher(std::make_unique<qt::FormeQt>(nouveau->Table(), *nouveau), 1);
        return nouveau;
    }();
    QWidget *fenetre = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QString::fromUtf8(d->Table().Nom)) fenetre = w;
    const std::size_t octets = h.original.size() * sizeof(TPtImg);
    double totalCopie = 0, totalOp = 0, totalProc = 0;
    std::vector<double> rapports, rapportsProc;
    for (auto _ : s) {
        const auto c0 = Horloge::now();
        std::memcpy(h.image.data(), h.original.data(), octets);
        benchmark::ClobberMemory();
        const auto c1 = Horloge::now();
        Horloge::time_point t1, t2;
        double p1 = 0, p2 = 0;
        bool mesure = false;
        QTimer::singleShot(0, [&] {
            if (etapes.avant) etapes.avant(*fenetre);
            if (etapes.ouverture) {
                if (D::Modal) etapes.pas(*fenetre);
            } else {
                p1 = TempsProcesseur();
                t1 = Horloge::now();
                etapes.pas(*fenetre);
                t2 = Horloge::now();
                p2 = TempsProcesseur();
                mesure = true;
            }
            if (etapes.apres) etapes.apres(*fenetre);
        });
        const double p0 = TempsProcesseur();
        const auto t0 = Horloge::now();
        d->Lancer(h.image.data(), {L, H});
        if (!D::Modal) {
            // Modeless: the call has returned with the dialog open.
            QApplication::processEvents();
            if (etapes.ouverture) etapes.pas(*fenetre);
        }
        const auto t3 = Horloge::now();
        const double p3 = TempsProcesseur();
        if (etapes.ouverture) {
            t1 = t0, p1 = p0;
            t2 = t3, p2 = p3;
        } else if (!mesure || etapes.apres == nullptr) {
            t2 = t3, p2 = p3;  // the step closed the dialog: until the call returned
        }
        const double copie = std::chrono::duration<double>(c1 - c0).count();
        const double duree = std::chrono::duration<double>(t2 - t1).count();
        totalCopie += copie;
        totalOp += duree;
        rapports.push_back(duree / copie);
        rapportsProc.push_back((p2 - p1) / copie);
        totalProc += p2 - p1;
        s.SetIterationTime(duree);
    }
    vbmi::Permis = true;
    const double n = double(s.iterations());
    s.counters["copie_ms"] = 1000 * totalCopie / n;
    s.counters["op_ms"] = 1000 * totalOp / n;
    std::sort(rapports.begin(), rapports.end());
    s.counters["x_copie"] = rapports.empty() ? 0 : rapports[rapports.size() / 2];
    s.counters["x_copie_moy"] = totalOp / totalCopie;
    s.counters["proc_ms"] = 1000 * totalProc / n;
    std::sort(rapportsProc.begin(), rapportsProc.end());
    s.counters["x_proc"] = rapportsProc.empty() ? 0 : rapportsProc[rapportsProc.size() / 2];
}

// A dialog class and whether it runs modally (the colour balance does not).
template <class D> struct Avec : D {
    static constexpr bool Modal = !std::is_same_v<D, TBalCoul>;
};

void Fermer(QWidget &f) { Bouton(f, "Annuler"); }

template <class D> void Ouvrir(benchmark::State &s) {
    Mesurer<Avec<D>>(s, {nullptr, Fermer, nullptr, true});
}
void Ouvrir_AjustCoul(benchmark::State &s) { Ouvrir<TAjustCoul>(s); }
void Ouvrir_ProfGamma(benchmark::State &s) { Ouvrir<TProfGamma>(s); }
void Ouvrir_AjustLum(benchmark::State &s) { Ouvrir<TAjustLumManu>(s); }
void Ouvrir_MonoChrome(benchmark::State &s) { Ouvrir<TMonoCouleur>(s); }
void Ouvrir_Grain(benchmark::State &s) { Ouvrir<TAjoutGrain>(s); }
void Ouvrir_Balance(benchmark::State &s) { Ouvrir<TBalCoul>(s); }

void Appliquer(QWidget &f) { Bouton(f, "Appliquer"); }

void Appliquer_AjustCoul(benchmark::State &s) {
    auto reglages = [](QWidget &f) {
        Controle<QSlider>(f, "PosGamma")->setValue(17);
        Controle<QSlider>(f, "PosContraste")->setValue(63);
        Controle<QSlider>(f, "PosLuminosite")->setValue(41);
        Controle<QSlider>(f, "PosSaturation")->setValue(-37);
    };
    Mesurer<Avec<TAjustCoul>>(s, Pas(reglages, Appliquer));
}

// A point of a curve (or the picker's marker) moved: a press and a release.
void Point(QWidget &f, const char *graphe, QPoint p) {
    QWidget *g = Controle(f, graphe);
    Souris(g, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    Souris(g, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

void Appliquer_ProfGamma(benchmark::State &s) {
    Mesurer<Avec<TProfGamma>>(s, Pas([](QWidget &f) { Point(f, "ProfilG", {90, 110}); }, Appliquer));
}

void Appliquer_AjustLum(benchmark::State &s) {
    Mesurer<Avec<TAjustLumManu>>(s, Pas([](QWidget &f) { Point(f, "ProfilL", {100, 120}); }, Appliquer));
}

void Appliquer_MonoChrome(benchmark::State &s) {
    Mesurer<Avec<TMonoCouleur>>(s, Pas([](QWidget &f) { Point(f, "ChoixCoul", {80, 120}); }, Appliquer));
}

// The grain: a first release at 60 after the opening, or a later one (a first
// at 59 untimed); the pseudo-random method chosen at 60, or a release with it
// chosen.
void A60(QWidget &f) { Relacher(f, "NivBr", 60); }

void Grain_TachesPremier(benchmark::State &s) {
    Mesurer<Avec<TAjoutGrain>>(s, Pas(nullptr, A60, Fermer));
}
void Grain_TachesSuivant(benchmark::State &s) {
    Mesurer<Avec<TAjoutGrain>>(s, Pas([](QWidget &f) { Relacher(f, "NivBr", 59); }, A60, Fermer));
}
void Grain_PseudoAleaPremier(benchmark::State &s) {
    Mesurer<Avec<TAjoutGrain>>(
        s, Pas([](QWidget &f) { Controle<QSlider>(f, "NivBr")->setValue(60); },
               [](QWidget &f) { Bouton(f, "PseudoAlea"); }, Fermer));
}
void Grain_PseudoAleaSuivant(benchmark::State &s) {
    auto pseudo = [](QWidget &f) {
        Controle<QSlider>(f, "NivBr")->setValue(59);
        Bouton(f, "PseudoAlea");
    };
    Mesurer<Avec<TAjoutGrain>>(s, Pas(pseudo, A60, Fermer));
}

} // namespace

#define VELMORA_CLIC(f) \
    BENCHMARK(f)->ArgName("avx512")->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9)

VELMORA_CLIC(Ouvrir_AjustCoul);
VELMORA_CLIC(Ouvrir_ProfGamma);
VELMORA_CLIC(Ouvrir_AjustLum);
VELMORA_CLIC(Ouvrir_MonoChrome);
VELMORA_CLIC(Ouvrir_Grain);
VELMORA_CLIC(Ouvrir_Balance);
VELMORA_CLIC(Appliquer_AjustCoul);
VELMORA_CLIC(Appliquer_ProfGamma);
VELMORA_CLIC(Appliquer_AjustLum);
VELMORA_CLIC(Appliquer_MonoChrome);
VELMORA_CLIC(Grain_TachesPremier);
VELMORA_CLIC(Grain_TachesSuivant);
VELMORA_CLIC(Grain_PseudoAleaPremier);
VELMORA_CLIC(Grain_PseudoAleaSuivant);

// main: in HoteBench.cpp (one benchmark program for the whole bench/ folder).
