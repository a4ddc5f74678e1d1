// The grain's settings as the sliders give them, the amplitude of the noise
// they set for a brightness, and the settings as data: the record of the
// method, the sliders' positions and the generator's state, applied with no
// dialog.
#pragma once

#include "imaging/Numerique.h"
#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <cstdint>
#include <span>

namespace velmora::grainoubr {

// near(sin²(m × π/255) × niveau).
int32_t Amplitude(Reel m, int32_t niveau);

// The settings as the sliders give them.
struct Reglages {
    int32_t Niveau = 0;  // L, NivBr 0..255
    int32_t D = 3;       // 10 - DstPt
    Reel K1 = 1, K2 = 1;  // Ord1 / 2, Ord2 / 2
    Reel t = 0.5L, UnMoinsT = 0.5L;
    // Every value through the extended rule, without the fast paths (the
    // reference the fast paths are checked against).
    bool Reference = false;

    void DefinirNiveau(int32_t position) { Niveau = position; }
    void DefinirTxCl(int32_t position) {
        t = Reel(position) / 10;
        UnMoinsT = 1 - t;
    }
    void DefinirDstPt(int32_t position) { D = 10 - position; }
    void DefinirOrd1(int32_t position) { K1 = Reel(position) / 2; }
    void DefinirOrd2(int32_t position) { K2 = Reel(position) / 2; }
    friend bool operator==(const Reglages &, const Reglages &) = default;
};

struct TamponsTaches;

// One computation, as the dialog runs it: the spots (with the uncovered pixels
// put back from copie) or the pseudo-random grain, from copie into hote, the
// generator running on from its current state.
void AjouterBruit(bool taches, const TPtImg *copie, TPtImg *hote, int32_t largeur,
                  int32_t hauteur, const Reglages &r, TamponsTaches *tampons = nullptr);

// --- Settings as data ----------------------------------------------------

// methode (taches | pseudo-aleatoire), niveau, teinte, densite, ordre1,
// ordre2: the method and the sliders' positions, with the sliders' own ranges
// and starting positions; graine: the generator's state before the draws.
extern const std::span<const reglages::Champ> Champs;

// graine = -1, the default: no seed. The grain is then drawn from the
// library's own generator as it stands (0 at load, running on from one
// computation to the next), as the dialog draws it; the generator moves on.
// A seed 0..2^32 - 1 is the state the draws start from: the same seed, the
// same grain, and the library's generator is left as it was, so that a seeded
// batch gives the same files whatever ran before it.
inline constexpr int64_t SansGraine = -1;

// The settings as the sliders' change handlers make them from these positions.
Reglages DeEnregistrement(const reglages::Enregistrement &r);
inline bool Taches(const reglages::Enregistrement &r) { return r.Entier("methode") == 0; }

// The dialog's computation for these settings, over the pixels in place.
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::grainoubr
