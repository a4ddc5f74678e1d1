// "Appliquer" of the manual L, G, C, S adjustment on a 24 MP image and one preview
// refresh, each against a memcpy of the same buffer in the same run.
#include "dialogs/AjustImg/AjustImg.h"
#include "imaging/EtatDialogue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

using namespace velmora;
using namespace velmora::ajustimg;

namespace {

constexpr int32_t L = 6000, H = 4000;

TPtsImg ImageAleatoire(int32_t n) {
    TPtsImg img = TPtsImg::Creer(n);
    std::mt19937 alea(7);
    for (int32_t i = 0; i < n; ++i) img[i] = {uint8_t(alea()), uint8_t(alea()), uint8_t(alea())};
    return img;
}

RegleAjustCoul Regle(int32_t gamma, int32_t contraste, int32_t lum, int32_t sat) {
    Reglages r;
    r.ValeurGamma = ValeurGamma(gamma);
    r.Contraste = contraste;
    r.Luminosite = lum;
    r.ValeurSaturation = sat;
    r.CalculerGamma();
    r.CalculerContraste();
    r.CalculerLum();
    r.ReconstruireLGC();
    RegleAjustCoul regle;
    regle.Definir(r.TableLGC, r.Facteur());
    return regle;
}

struct Etat {
    EtatDialogue e;
    TPtsImg hote;
    explicit Etat(int32_t l, int32_t h) : hote(ImageAleatoire(l * h)) {
        e.DefinirTaille({l, h});
        e.PrendreImage(hote.data());
        e.ConstruireApercu();
    }
};

Etat &Grand() {
    static Etat etat(L, H);
    return etat;
}

void Memcpy24MP(benchmark::State &s) {
    Etat &g = Grand();
    for (auto _ : s) {
        std::memcpy(g.hote.data(), g.e.Copie.data(), std::size_t(L) * H * 3);
        benchmark::ClobberMemory();
    }
}

void AppliquerDefauts24MP(benchmark::State &s) {
    Etat &g = Grand();
    const RegleAjustCoul r = Regle(0, 50, 50, 0);
    for (auto _ : s) g.e.Appliquer(r);
}

void AppliquerReglages24MP(benchmark::State &s) {
    Etat &g = Grand();
    const RegleAjustCoul r = Regle(17, 63, 41, -37);
    for (auto _ : s) g.e.Appliquer(r);
}

void RafraichirApercu320(benchmark::State &s) {
    static Etat petit(320, 320);
    std::vector<TPtImg> bitmap(320 * 320);
    const RegleAjustCoul r = Regle(17, 63, 41, -37);
    for (auto _ : s) {
        petit.e.RafraichirApercu(r, [&](int32_t y) { return bitmap.data() + y * 320; });
        benchmark::ClobberMemory();
    }
}

void Memcpy320(benchmark::State &s) {
    std::vector<TPtImg> a(320 * 320), b(320 * 320);
    for (auto _ : s) {
        std::memcpy(b.data(), a.data(), a.size() * 3);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(Memcpy24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AppliquerDefauts24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AppliquerReglages24MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Memcpy320)->Unit(benchmark::kMicrosecond);
BENCHMARK(RafraichirApercu320)->Unit(benchmark::kMicrosecond);

// main: in DirectBench.cpp (one benchmark program for the whole bench/ folder).
