// What the user waits for while dragging, through the whole dialog path: the
// event reaches the toolkit-free dialog, its handler recomputes the thumbnail
// and hands the picture to the form (the recording form keeps a copy of it,
// as a back end does). Against a copy of the 320 x 320 thumbnail.
#include "Banc.h"
#include "FormeFactice.h"
#include "dialogs/AjustImg/AjustImgDialogue.h"
#include "dialogs/MonoChrome/MonoChromeDialogue.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace velmora;

namespace {

// A dialog of type D opened on a 320 x 320 photo-like image; the benchmark
// runs inside its modal session.
template <class D> void DansLeDialogue(benchmark::State &s, void (*pas)(essai::FormeFactice &, int)) {
    essai::Banc<D> banc;
    const auto photo = banc::ImagePhoto(320, 320);
    TPtsImg img = essai::Banc<D>::Tableau(photo);
    std::vector<TPtImg> copie(photo.size());
    essai::FormeFactice &f = *banc.forme;
    f.utilisateur = [&] {
        int i = 0;
        banc::MesurerContreCopie(s, copie.data(), photo.data(), photo.size(), [&] { pas(f, i++); });
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {320, 320});
}

// One position change of the gamma slider (its label, its table, one refresh).
void BM_Dialogue_AjustCoul_Curseur(benchmark::State &s) {
    DansLeDialogue<TAjustCoul>(s, [](essai::FormeFactice &f, int i) {
        f.DefinirPosition("PosGamma", i % 2 ? 17 : -12);
        f.Evenement("PosGamma", TTypeEvenement::Change);
    });
}

// One mouse move of a drag in the picker (marker, weights, labels, refresh).
void BM_Dialogue_MonoChrome_Glisser(benchmark::State &s) {
    DansLeDialogue<TMonoCouleur>(s, [](essai::FormeFactice &f, int i) {
        if (i == 0) f.Souris("ChoixCoul", TTypeEvenement::SourisEnfoncee, BGauche, BGauche, 104, 104);
        f.Souris("ChoixCoul", TTypeEvenement::SourisDeplacee, 0, BGauche, 60 + i % 90, 80 + i % 50);
    });
}

} // namespace

BENCHMARK(BM_Dialogue_AjustCoul_Curseur)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_Dialogue_MonoChrome_Glisser)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
