// The three direct operations on a 6000 x 4000 image, each measured next to a
// memcpy of the same buffer in the same iteration. The counter x_copie is the
// operation's time divided by the copy's, the median over the iterations
// (targets: inversion 1.3, automatic adjustments 2.5); x_copie_moy is the
// ratio of the mean times.
#include "imaging/TableauCompte.h"
#include "operations/AjustAuto.h"
#include "operations/InvCoul.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

using namespace velmora;

namespace {

constexpr int32_t Largeur = 6000, Hauteur = 4000;

// Photo-like content: smooth gradients and soft shapes plus a little grain,
// from a fixed-seed generator so every run sees the same bytes.
const std::vector<TPtImg> &Original() {
    static const std::vector<TPtImg> img = [] {
        std::vector<TPtImg> px(std::size_t(Largeur) * Hauteur);
        uint32_t graine = 2463534242u;
        auto alea = [&graine] {
            graine ^= graine << 13;
            graine ^= graine >> 17;
            graine ^= graine << 5;
            return graine;
        };
        for (int y = 0; y < Hauteur; ++y)
            for (int x = 0; x < Largeur; ++x) {
                const double u = double(x) / Largeur, v = double(y) / Hauteur;
                const double forme = 40 * std::sin(7 * u + 3 * v) * std::cos(5 * v - 2 * u);
                const int grain = int(alea() % 13) - 6;
                auto canal = [&](double base) {
                    const int c = int(base + forme) + grain;
                    return uint8_t(c < 0 ? 0 : c > 255 ? 255 : c);
                };
                px[std::size_t(y) * Largeur + x] = {canal(60 + 90 * v), canal(70 + 100 * u * v),
                                                    canal(90 + 80 * u)};
            }
        return px;
    }();
    return img;
}

using Operation = void (*)(TPtImg *, const TDimImg &);

void Mesurer(benchmark::State &etat, Operation op) {
    const std::vector<TPtImg> &original = Original();
    const std::size_t octets = original.size() * sizeof(TPtImg);
    TPtsImg img = TPtsImg::Creer(int32_t(original.size()));
    const TDimImg dim{Largeur, Hauteur};
    double totalCopie = 0, totalOp = 0;
    std::vector<double> rapports;
    using Horloge = std::chrono::steady_clock;
    for (auto _ : etat) {
        // The copy that restores the pristine image is the reference: same
        // buffer, same size, same run.
        const auto t0 = Horloge::now();
        std::memcpy(img.data(), original.data(), octets);
        benchmark::ClobberMemory();
        const auto t1 = Horloge::now();
        op(img.data(), dim);
        benchmark::ClobberMemory();
        const auto t2 = Horloge::now();
        const double copie = std::chrono::duration<double>(t1 - t0).count();
        const double duree = std::chrono::duration<double>(t2 - t1).count();
        totalCopie += copie;
        totalOp += duree;
        rapports.push_back(duree / copie);
        etat.SetIterationTime(duree);
    }
    etat.counters["copie_ms"] = 1000 * totalCopie / double(etat.iterations());
    etat.counters["op_ms"] = 1000 * totalOp / double(etat.iterations());
    // Median of the per-iteration ratios: each pairs a copy and an operation
    // run back to back, so a burst of other work on the machine moves few of them.
    std::sort(rapports.begin(), rapports.end());
    etat.counters["x_copie"] = rapports.empty() ? 0 : rapports[rapports.size() / 2];
    etat.counters["x_copie_moy"] = totalOp / totalCopie;
    etat.SetBytesProcessed(int64_t(etat.iterations()) * int64_t(octets));
}

void BM_Inversion(benchmark::State &etat) { Mesurer(etat, InverserCouleurs); }
void BM_AjustAutoLum(benchmark::State &etat) { Mesurer(etat, AjustAutoLum); }
void BM_AjustAutoCoul(benchmark::State &etat) { Mesurer(etat, AjustAutoCoul); }

} // namespace

BENCHMARK(BM_Inversion)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoLum)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AjustAutoCoul)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
