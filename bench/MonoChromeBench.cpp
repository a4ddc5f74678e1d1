// MonoChrome: "Appliquer" on a 6000 x 4000 image and one preview refresh of a
// 320 x 320 thumbnail, each measured next to a memcpy of the same buffer in the
// same iteration (counters: see Banc.h).
//   Appliquer_RegleSimple: the rule written plainly, one long double sum per
//     pixel, split across the cores (the reference the fast path must equal);
//   Appliquer: the dialog's own path (EtatDialogue::Appliquer with the rule's
//     fixed-point tables);
//   Apercu: one drag step as the dialog runs it: new weights, rule rebuilt,
//     thumbnail refreshed row by row.
#include "Banc.h"
#include "dialogs/MonoChrome/MonoChrome.h"
#include "imaging/BouclePixels.h"
#include "imaging/dialogue/EtatDialogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

using namespace velmora;
using namespace velmora::monochrome;

namespace {

using banc::ImagePhoto;
constexpr auto Mesurer = [](auto &&...a) { banc::MesurerContreCopie(a...); };

const Geometrie G = Geometrie::De(TailleSelecteur, TailleSelecteur);

struct Pleine {
    EtatDialogue etat;
    Pleine() {
        const auto img = banc::PhotoReelle(6000, 4000);
        etat.Largeur = 6000;
        etat.Hauteur = 4000;
        etat.Copie = TPtsImg::Creer(int32_t(img.size()));
        etat.ImgHote = TPtsImg::Creer(int32_t(img.size()));
        std::memcpy(etat.Copie.data(), img.data(), img.size() * sizeof(TPtImg));
    }
};

Pleine &Image24MP() {
    static Pleine p;
    return p;
}

void BM_MonoChrome_Appliquer_RegleSimple(benchmark::State &etat) {
    auto &p = Image24MP().etat;
    const Coefficients k = CalculeCoeffs(G, {80, 120});
    const Tables t = CalculeTeinte(0xA98C78);
    const std::size_t n = std::size_t(p.Copie.size());
    Mesurer(etat, p.ImgHote.data(), p.Copie.data(), n, [&] {
        TransformerPixels(p.Copie.data(), p.ImgHote.data(), n,
                          [&](const TPtImg &px) { return Tonaliser(px, k, t); });
    });
}

void BM_MonoChrome_Appliquer(benchmark::State &etat) {
    const banc::Chemin chemin(etat.range(0));
    auto &p = Image24MP().etat;
    Etat mono;
    mono.DefinirTables(CalculeTeinte(0xA98C78));
    mono.DefinirCoeffs({80, 120});
    Mesurer(etat, p.ImgHote.data(), p.Copie.data(), std::size_t(p.Copie.size()),
            [&] { p.Appliquer(mono.RegleCourante()); });
}

void BM_MonoChrome_Apercu(benchmark::State &etat) {
    EtatDialogue d;
    const auto img = ImagePhoto(320, 320);
    d.Largeur = d.Hauteur = 320;
    d.Copie = TPtsImg::Creer(320 * 320);
    std::memcpy(d.Copie.data(), img.data(), img.size() * sizeof(TPtImg));
    d.ConstruireApercu();
    std::vector<TPtImg> bitmap(320 * 320);
    const LigneBitmap ligne = [&](int32_t y) { return bitmap.data() + std::size_t(y) * 320; };
    Etat mono;
    mono.DefinirTables(CalculeTeinte(0x850606));
    int pas = 0;
    Mesurer(etat, bitmap.data(), d.Apercu.data(), bitmap.size(), [&] {
        mono.DefinirCoeffs({60 + pas % 90, 80 + pas % 50});
        ++pas;
        d.RafraichirApercu(mono.RegleCourante(), ligne);
    });
}

} // namespace

BENCHMARK(BM_MonoChrome_Appliquer_RegleSimple)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MonoChrome_Appliquer)->ArgName("chemin")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MonoChrome_Apercu)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
