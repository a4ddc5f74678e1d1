// The three direct operations on a 6000 x 4000 image against a copy of the
// same buffer (targets for x_copie: inversion 1.3, automatic adjustments 2.5),
// on the synthetic photo-like image and on a real photograph.
#include "Banc.h"
#include <velmora/memoire.h>
#include "operations/AjustAuto.h"
#include "operations/InvCoul.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace velmora;

namespace {

constexpr int32_t Largeur = 6000, Hauteur = 4000;

const std::vector<TPtImg> &Synthetique() {
    static const std::vector<TPtImg> img = banc::ImagePhoto(Largeur, Hauteur);
    return img;
}

const std::vector<TPtImg> &Photo() {
    static const std::vector<TPtImg> img = banc::PhotoReelle(Largeur, Hauteur);
    return img;
}

using Operation = void (*)(TPtImg *);

// The copy that restores the pristine image before each run is the reference.
void Mesurer(benchmark::State &etat, const std::vector<TPtImg> &original, Operation op) {
    TPtsImg img = TPtsImg::Creer(int32_t(original.size()));
    banc::MesurerContreCopie(etat, img.data(), original.data(), original.size(),
                             [&] { op(img.data()); });
    etat.SetBytesProcessed(int64_t(etat.iterations()) * int64_t(original.size() * 3));
}

void BM_Inversion(benchmark::State &e) { Mesurer(e, Synthetique(), InverserCouleurs); }
void BM_AjustAutoLum(benchmark::State &e) { Mesurer(e, Synthetique(), AjustAutoLum); }
void BM_AjustAutoCoul(benchmark::State &e) { Mesurer(e, Synthetique(), AjustAutoCoul); }
void BM_Photo_Inversion(benchmark::State &e) { Mesurer(e, Photo(), InverserCouleurs); }
void BM_Photo_AjustAutoLum(benchmark::State &e) { Mesurer(e, Photo(), AjustAutoLum); }
void BM_Photo_AjustAutoCoul(benchmark::State &e) { Mesurer(e, Photo(), AjustAutoCoul); }

} // namespace

BENCHMARK(BM_Inversion)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoLum)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoCoul)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Photo_Inversion)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Photo_AjustAutoLum)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Photo_AjustAutoCoul)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
