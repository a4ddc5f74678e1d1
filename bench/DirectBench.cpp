// The three direct operations on a 6000 x 4000 image against a copy of the
// same buffer (targets for x_copie: inversion 1.3, automatic adjustments 2.5).
#include "Banc.h"
#include <velmora/memoire.h>
#include "operations/AjustAuto.h"
#include "operations/InvCoul.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace velmora;

namespace {

constexpr int32_t Largeur = 6000, Hauteur = 4000;

const std::vector<TPtImg> &Original() {
    static const std::vector<TPtImg> img = banc::ImagePhoto(Largeur, Hauteur);
    return img;
}

using Operation = void (*)(TPtImg *, const TDimImg &);

// The copy that restores the pristine image before each run is the reference.
void Mesurer(benchmark::State &etat, Operation op) {
    const std::vector<TPtImg> &original = Original();
    TPtsImg img = TPtsImg::Creer(int32_t(original.size()));
    const TDimImg dim{Largeur, Hauteur};
    banc::MesurerContreCopie(etat, img.data(), original.data(), original.size(),
                             [&] { op(img.data(), dim); });
    etat.SetBytesProcessed(int64_t(etat.iterations()) * int64_t(original.size() * 3));
}

void BM_Inversion(benchmark::State &etat) { Mesurer(etat, InverserCouleurs); }
void BM_AjustAutoLum(benchmark::State &etat) { Mesurer(etat, AjustAutoLum); }
void BM_AjustAutoCoul(benchmark::State &etat) { Mesurer(etat, AjustAutoCoul); }

} // namespace

BENCHMARK(BM_Inversion)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoLum)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoCoul)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
