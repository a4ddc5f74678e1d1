// "Appliquer" of the manual L, G, C, S adjustment on a 24 MP image and one preview
// refresh, each against a memcpy of the same buffer in the same run (counters: see Banc.h).
#include "Banc.h"
#include "dialogs/AjustImg/AjustImg.h"
#include "imaging/dialogue/EtatDialogue.h"
#include "RegleCurseurs.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace velmora;
using namespace velmora::ajustimg;

namespace {

constexpr int32_t L = 6000, H = 4000;

using Etat = banc::Ouverture;

Etat &Grand() {
    static Etat etat(L, H);
    return etat;
}

// Each run first puts the pristine pixels back into the host's array.
void Appliquer24MP(benchmark::State &s, int32_t gamma, int32_t contraste, int32_t lum,
                   int32_t sat) {
    Etat &g = Grand();
    const RegleAjustCoul r = RegleDe(gamma, contraste, lum, sat);
    banc::MesurerContreCopie(s, g.hote.data(), g.e.Copie.data(), std::size_t(L) * H,
                             [&] { g.e.Appliquer(r); });
}

void AppliquerDefauts24MP(benchmark::State &s) { Appliquer24MP(s, 0, 50, 50, 0); }
void AppliquerReglages24MP(benchmark::State &s) {
    const banc::Chemin chemin(s.range(0));
    Appliquer24MP(s, 17, 63, 41, -37);
}

// One refresh of a full 320 x 320 thumbnail against a copy of its 320 x 320 pixels.
void RafraichirApercu320(benchmark::State &s) {
    static Etat petit(320, 320);
    std::vector<TPtImg> bitmap(320 * 320);
    const RegleAjustCoul r = RegleDe(17, 63, 41, -37);
    banc::MesurerContreCopie(s, bitmap.data(), petit.e.Apercu.data(), bitmap.size(), [&] {
        petit.e.RafraichirApercu(r, [&](int32_t y) { return bitmap.data() + y * 320; });
    });
}

} // namespace

BENCHMARK(AppliquerDefauts24MP)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(AppliquerReglages24MP)->ArgName("chemin")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(RafraichirApercu320)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// main: in DirectBench.cpp (one benchmark program for the whole bench/ folder).
