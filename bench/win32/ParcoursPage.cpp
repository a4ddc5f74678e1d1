// velmora-parcours-page.exe: what the walk for the shared page costs under
// Wine. This program takes part in the arrangement with the library's own
// code (built in here), so it can run its start-up and shutdown again and time
// them: median of repeated start-up (walk, publish) + shutdown (give back)
//   - in the address space as the system leaves it;
//   - with the first 16 candidates taken, so that the walk goes on below them
//     to the first free address (under Wine, far below its own memory);
// and, for scale, the same walk done the plain way, trying every 64 KiB, and
// one LoadLibrary + FreeLibrary of velmora.dll.
//   wine build-win32/velmora-parcours-page.exe [REPETITIONS]
#include "../../src/plugin/MemPartagee.cpp"
#include "../../tests/win32/PagePartagee.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Maintenant() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(f.QuadPart);
}

template <class F> double Mediane(int n, F f) {
    std::vector<double> t;
    for (int i = 0; i < n; ++i) {
        const double debut = Maintenant();
        f();
        t.push_back(Maintenant() - debut);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

using namespace velmora::memoire;

// Where one start-up puts the page (looked up outside the timed part).
long OuVaLaPage() {
    Demarrer();
    const long ou = page::PageSurLeParcours();
    Arreter();
    return ou;
}

void Afficher(const char *quoi, long ou, double us) {
    std::printf("%s, page at candidate %ld (0x%08lX): %.1f us\n", quoi, ou,
                static_cast<unsigned long>(page::Candidat(ou)), us);
}

} // namespace

int main(int argc, char **argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    Arreter(); // the start-up run at this program's load
    auto demarrerArreter = [] {
        Demarrer();
        Arreter();
    };

    const long ouLibre = OuVaLaPage();
    const double libre = Mediane(n, demarrerArreter);
    auto prises = page::OccuperLesSeize();
    const long ouSeize = OuVaLaPage();
    const double seize = Mediane(n, demarrerArreter);
    long ouSimple = -1;
    const double simple = Mediane(std::min(n, 5), [&] { ouSimple = page::PremierDisponible(); });
    page::Rendre(prises);
    Demarrer();
    const double chargement = Mediane(std::min(n, 10), [] { FreeLibrary(LoadLibraryA("velmora.dll")); });

    Afficher("start-up + shutdown", ouLibre, libre);
    Afficher("start-up + shutdown, 16 first candidates taken", ouSeize, seize);
    std::printf("the plain walk, every 64 KiB (to candidate %ld): %.1f us = %.0f x the last\n", ouSimple,
                simple, simple / seize);
    std::printf("LoadLibrary + FreeLibrary of velmora.dll: %.1f us = %.0f x\n", chargement, chargement / seize);
    return 0;
}
