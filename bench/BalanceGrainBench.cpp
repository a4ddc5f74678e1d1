// Colour balance (one zone, two zones) and grain (spots, pseudo-random) on the
// sample photograph at 24 MP, each against a memcpy of the same buffer in the same run
// (counters: see Banc.h). All four run while the user waits: on each zone
// received, on each slider release.
#include "Banc.h"
#include "dialogs/BalanceCoul/BalanceCoul.h"
#include "dialogs/GrainOuBr/GrainOuBr.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace velmora;

namespace {

constexpr int32_t L = 6000, H = 4000;

const std::vector<TPtImg> &Original() {
    static const std::vector<TPtImg> img = banc::PhotoReelle(L, H);
    return img;
}

// A 200 x 150 zone of the image, as a host cuts it out.
std::vector<TPtImg> Zone(int32_t x0, int32_t y0) {
    std::vector<TPtImg> z;
    for (int32_t y = y0; y < y0 + 150; ++y)
        for (int32_t x = x0; x < x0 + 200; ++x) z.push_back(Original()[std::size_t(y) * L + x]);
    return z;
}

// One zone received: its factors, then the whole image from the copy into the host's.
void BalanceUneZone(benchmark::State &s) {
    const auto &src = Original();
    std::vector<TPtImg> hote(src.size());
    const auto zone = Zone(4000, 3000);
    const auto teinte = balancecoul::TeinteDe(balancecoul::PositionDefaut);
    banc::MesurerContreCopie(s, hote.data(), src.data(), src.size(), [&] {
        const auto k = balancecoul::FacteursZone(zone.data(), zone.size(),
                                                 balancecoul::LumRef::Moyenne, false, teinte);
        balancecoul::AppliqueZone(src.data(), hote.data(), src.size(), *k);
    });
}

// The dark zone received: its mean, then the whole image.
void BalanceDeuxZones(benchmark::State &s) {
    const auto &src = Original();
    std::vector<TPtImg> hote(src.size());
    const auto claire = Zone(4000, 3000), sombre = Zone(100, 100);
    const auto teinte = balancecoul::TeinteDe(balancecoul::PositionDefaut);
    const auto L = *balancecoul::MoyenneZone(claire.data(), claire.size(), teinte);
    banc::MesurerContreCopie(s, hote.data(), src.data(), src.size(), [&] {
        const auto D = balancecoul::MoyenneZone(sombre.data(), sombre.size(), teinte);
        balancecoul::AppliqueDeuxZones(src.data(), hote.data(), src.size(), L, *D);
    });
}

grainoubr::Reglages Reglages(int32_t niveau) {
    grainoubr::Reglages r;
    r.DefinirNiveau(niveau);
    r.DefinirTxCl(5);
    r.DefinirDstPt(7);
    r.DefinirOrd1(2);
    r.DefinirOrd2(2);
    return r;
}

// Spots at the dialog's default density (N/3 positions), over the restored image.
void GrainTaches(benchmark::State &s) {
    const auto &src = Original();
    std::vector<TPtImg> hote(src.size());
    const auto r = Reglages(60);
    grainoubr::TamponsTaches tampons;  // kept from one release to the next, as the dialog does
    banc::MesurerContreCopie(s, hote.data(), src.data(), src.size(),
                             [&] { grainoubr::MethodeTaches(src.data(), hote.data(), L, H, r, &tampons); });
}

void GrainPseudoAlea(benchmark::State &s) {
    const auto &src = Original();
    std::vector<TPtImg> hote(src.size());
    const auto r = Reglages(60);
    banc::MesurerContreCopie(s, hote.data(), src.data(), src.size(), [&] {
        grainoubr::MethodePseudoAlea(src.data(), hote.data(), src.size(), L, r);
    });
}

// A colour share of 3/10: the terms are no longer halves, the filter works in
// doubles and settles the values near a half by the extended rule.
void GrainPseudoAleaPart3(benchmark::State &s) {
    const auto &src = Original();
    std::vector<TPtImg> hote(src.size());
    auto r = Reglages(60);
    r.DefinirTxCl(3);
    banc::MesurerContreCopie(s, hote.data(), src.data(), src.size(), [&] {
        grainoubr::MethodePseudoAlea(src.data(), hote.data(), src.size(), L, r);
    });
}

} // namespace

BENCHMARK(BalanceUneZone)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BalanceDeuxZones)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GrainTaches)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(GrainPseudoAlea)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(GrainPseudoAleaPart3)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// main: in DirectBench.cpp (one benchmark program for the whole bench/ folder).
