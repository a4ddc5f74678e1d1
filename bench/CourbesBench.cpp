// The two curve dialogs, each measured next to a memcpy of the same buffer in the
// same iteration (counters: see Banc.h).
//   Trace_*: one mouse move of a drag: ModifProfil and the repaint of the graph,
//     against a copy of the graph's 256 x 256 pixels;
//   Apercu_*: one preview refresh at 320 x 320 as a mouse release runs it (the
//     rule's tables rebuilt from the curves, the thumbnail mapped row by row);
//   Appliquer_*: "Appliquer" on 6000 x 4000 pixels.
#include "Banc.h"
#include "dialogs/AjustLum/AjustLum.h"
#include "dialogs/ProfilGamma/ProfilGamma.h"
#include "imaging/EditeurProfil.h"
#include "imaging/dialogue/EtatDialogue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace velmora;

namespace {

using Etat = banc::Ouverture;

Etat &Grand() {
    static Etat etat(6000, 4000);
    return etat;
}
Etat &Petit() {
    static Etat etat(320, 320);
    return etat;
}

// Curves as a user leaves them: a few drags on each.
profilgamma::Profils CourbesGamma() {
    profilgamma::Profils p;
    for (int x = 20; x < 250; x += 6) ModifProfil(p.ProfToutes, x, 255 - x - (x < 128 ? 20 : -15), Noyau::Gamma);
    for (int x = 60; x < 200; x += 5) ModifProfil(p.ProfVert, x, 255 - x + 12, Noyau::Gamma);
    for (int x = 100; x < 256; x += 7) ModifProfil(p.ProfBleu, x, 255 - x - 9, Noyau::Gamma);
    return p;
}

TProfil CourbeLum() {
    TProfil p = TProfil::Identite();
    for (int x = 10; x < 250; x += 4) ModifProfil(p, x, 255 - x - (x < 128 ? 25 : -10), Noyau::Luminosite);
    return p;
}

void Trace(benchmark::State &s, Noyau noyau) {
    profilgamma::Profils p;
    TProfil l = TProfil::Identite();
    EditeurProfil e = noyau == Noyau::Gamma
        ? EditeurProfil({{&p.ProfToutes, CouleurNoire}, {&p.ProfRouge, CouleurRouge},
                         {&p.ProfVert, CouleurVerte}, {&p.ProfBleu, CouleurBleue}},
                        {1, 2, 3, 0}, Noyau::Gamma)
        : EditeurProfil({{&l, CouleurNoire}}, {0}, Noyau::Luminosite);
    e.ReInit();
    std::vector<TPtImg> copie(CoteGraphe * CoteGraphe);
    int32_t x = 0;
    banc::MesurerContreCopie(s, copie.data(), e.Graphe().Donnees(), copie.size(), [&] {
        x = (x + 37) % 256;
        e.Modifier(x, (x * 7) % 256);
    });
}

void Trace_Gamma(benchmark::State &s) { Trace(s, Noyau::Gamma); }
void Trace_Lum(benchmark::State &s) { Trace(s, Noyau::Luminosite); }

void Apercu_Gamma(benchmark::State &s) {
    Etat &p = Petit();
    std::vector<TPtImg> bitmap(320 * 320);
    const profilgamma::Profils c = CourbesGamma();
    profilgamma::RegleGamma r;
    banc::MesurerContreCopie(s, bitmap.data(), p.e.Apercu.data(), bitmap.size(), [&] {
        r.Definir(c);
        p.e.RafraichirApercu(r, [&](int32_t y) { return bitmap.data() + y * 320; });
    });
}

void Apercu_Lum(benchmark::State &s) {
    Etat &p = Petit();
    std::vector<TPtImg> bitmap(320 * 320);
    const TProfil c = CourbeLum();
    static ajustlum::RegleLum r;  // 64 KiB of tables: not on the stack
    banc::MesurerContreCopie(s, bitmap.data(), p.e.Apercu.data(), bitmap.size(), [&] {
        r.Definir(c);
        p.e.RafraichirApercu(r, [&](int32_t y) { return bitmap.data() + y * 320; });
    });
}

void Appliquer_Gamma(benchmark::State &s) {
    const banc::Chemin chemin(s.range(0));
    Etat &g = Grand();
    const profilgamma::RegleGamma r(CourbesGamma());
    banc::MesurerContreCopie(s, g.hote.data(), g.e.Copie.data(), std::size_t(g.e.Copie.size()),
                             [&] { g.e.Appliquer(r); });
}

void Appliquer_Lum(benchmark::State &s) {
    const banc::Chemin chemin(s.range(0));
    Etat &g = Grand();
    static ajustlum::RegleLum r;
    r.Definir(CourbeLum());
    banc::MesurerContreCopie(s, g.hote.data(), g.e.Copie.data(), std::size_t(g.e.Copie.size()),
                             [&] { g.e.Appliquer(r); });
}

} // namespace

BENCHMARK(Trace_Gamma)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(Trace_Lum)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(Apercu_Gamma)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(Apercu_Lum)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(Appliquer_Gamma)->ArgName("chemin")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Appliquer_Lum)->ArgName("chemin")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// main: in DirectBench.cpp (one benchmark program for the whole bench/ folder).
