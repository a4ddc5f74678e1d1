// The same two interactive steps through the Qt back end, as the user's mouse
// drives them: a slider's value change and one mouse move of a picker drag,
// each ending with the thumbnail repainted. Against a copy of the thumbnail.
#include "Banc.h"
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"
#include "qt/FormeQt.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace velmora;

namespace {

void Application() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char nom[] = "velmora_bench";
    static char *argv[] = {nom, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // for the whole run
}

template <class D, class Pas> void DansQt(benchmark::State &s, Pas pas) {
    Application();
    D d;
    auto forme = std::make_unique<qt::FormeQt>(d.Table(), d);
    QDialog *fenetre = forme->Fenetre();
    d.Attacher(std::move(forme), 1);
    const auto photo = banc::ImagePhoto(320, 320);
    TPtsImg img = TPtsImg::Creer(320 * 320);
    std::memcpy(img.data(), photo.data(), photo.size() * sizeof(TPtImg));
    std::vector<TPtImg> copie(photo.size());
    QTimer::singleShot(0, [&] {
        int i = 0;
        banc::MesurerContreCopie(s, copie.data(), photo.data(), photo.size(),
                                 [&] { pas(*fenetre, i++); });
        fenetre->reject();
    });
    d.Lancer(img.data(), {320, 320});
}

void Souris(QWidget *w, QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
    QMouseEvent ev(t, QPointF(p), QPointF(w->mapToGlobal(p)), b, bs, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

void BM_Qt_AjustCoul_Curseur(benchmark::State &s) {
    DansQt<TAjustCoul>(s, [](QWidget &d, int i) {
        d.findChild<QSlider *>(QStringLiteral("PosGamma"))->setValue(i % 2 ? 17 : -12);
    });
}

void BM_Qt_MonoChrome_Glisser(benchmark::State &s) {
    DansQt<TMonoCouleur>(s, [](QWidget &d, int i) {
        QWidget *c = d.findChild<QWidget *>(QStringLiteral("ChoixCoul"));
        if (i == 0) Souris(c, QEvent::MouseButtonPress, {104, 104}, Qt::LeftButton, Qt::LeftButton);
        Souris(c, QEvent::MouseMove, {60 + i % 90, 80 + i % 50}, Qt::NoButton, Qt::LeftButton);
    });
}

} // namespace

BENCHMARK(BM_Qt_AjustCoul_Curseur)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_Qt_MonoChrome_Glisser)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
