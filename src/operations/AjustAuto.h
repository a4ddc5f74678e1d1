// Operations 5 and 6: automatic luminosity and colour levels, and the
// histogram routines both share.
#pragma once

#include "imaging/Numerique.h"

#include <velmora/plugin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

// Operation 5: levels correction, two-peak tone curve or nothing, chosen from
// the luminance histogram. Works on the array's own element count.
void AjustAutoLum(TPtImg *pixels);
// The same over n pixels of a plain buffer (n fits an int32).
void AjustAutoLumPixels(TPtImg *pixels, std::size_t n);

// Operation 6: levels correction of each channel from its own histogram.
void AjustAutoCoul(TPtImg *pixels);
void AjustAutoCoulPixels(TPtImg *pixels, std::size_t n);

// --- Histograms -----------------------------------------------------------

// 256 counters. A count never exceeds the element count of an array (int32),
// so a single counter fits; sums of counters are formed in 64 bits.
using THistFin = std::array<int32_t, 256>;
// The smoothed histogram as reals: the profile every later step reads.
using TProfilS = std::array<double, 256>;
// Coarse profile of the two-peak analysis (52 entries).
using THist = std::vector<int32_t>;

struct TMinMax {
    bool EstMax;    // recorded, never consulted
    double PosRel;  // coarse index / 51
    double Valeur;  // coarse profile value there
};
using TTMinMax = std::vector<TMinMax>;

// Luminance histogram, counter (Bleu + Vert + Rouge) div 3.
THistFin HistLuminance(const TPtImg *pixels, std::size_t n);

// The three channel histograms, taken in one pass.
struct THistCanaux {
    THistFin Rouge{}, Vert{}, Bleu{};
};
THistCanaux HistCanaux(const TPtImg *pixels, std::size_t n);

// 5-bin moving average, rounded half to even; bins 0..4 and 251..255 become 0.
void LissageHist(const THistFin &src, THistFin &dst);

TProfilS ProfilDe(const THistFin &h);

// One tenth of the mean of the 256 entries.
Reel Seuil(const TProfilS &S);

// --- Levels ---------------------------------------------------------------

struct TNiveaux {
    int32_t Bas, Haut;   // lo, hi
    int32_t Decalage;    // 128 - ((lo + hi) div 2)
    Reel Facteur;        // 255 / (hi - lo)
    bool Etirer;         // Facteur > 1.05
};

// Bounds search over 5..250 against T, and the shift and stretch they give.
TNiveaux CorrectionNiveaux(const TProfilS &S, Reel T);

// A per-byte rule, as the byte it gives for each byte value.
using TTableNiv = std::array<uint8_t, 256>;

TTableNiv TableIdentite();
// v + decalage, limited to 0..255.
TTableNiv DecalageNiv(int32_t decalage);
// Round(f * (v - 128) + 128), limited to 0..255.
TTableNiv EtirementNiv(Reel f);
// The rule "avant, then apres" as one table: apres[avant[v]].
TTableNiv Composer(const TTableNiv &avant, const TTableNiv &apres);
// Shift, then stretch if the rule asks for it.
TTableNiv TableNiveaux(const TNiveaux &niv);

// One table per channel; channel numbers 1 = Rouge, 2 = Vert, 3 = Bleu.
struct TTablesCanaux {
    TTableNiv Rouge = TableIdentite(), Vert = TableIdentite(), Bleu = TableIdentite();
};
// Append a shift (or a stretch) to the given channel's rule; any other
// channel number leaves the tables unchanged.
void DecalageCanal(int canal, int32_t decalage, TTablesCanaux &tables);
void EtirementCanal(int canal, Reel f, TTablesCanaux &tables);

// The full-image passes: every byte through one table, or each channel
// through its own.
void AppliquerTable(TPtImg *pixels, std::size_t n, const TTableNiv &table);
void AppliquerTables(TPtImg *pixels, std::size_t n, const TTablesCanaux &tables);

// --- Two-peak analysis ----------------------------------------------------

// H[0] = H[51] = 0; H[j] = (sum of Round(S[5j-4 .. 5j+4])) div 9.
THist ProfilGrossier(const TProfilS &S);
// Alternating maxima (above T) and minima, at least 6 coarse steps apart.
TTMinMax ChercherExtremums(const THist &H, Reel T);
// Pruning to the entries above a tenth of the largest, then down to the two
// outer-quarter peaks or to the single largest entry.
void ReduireExtremums(TTMinMax &L);
// All of it: the list that decides the course (0, 1 or 2 entries).
TTMinMax AnalyseBimodale(const TProfilS &S, Reel T);

// Fills the lower (i = 0..127) or upper (255 - i) half of the tone table.
void DemiCourbe(bool basse, double p, TTableNiv &table);
// Both halves: lower from the dark peak's position, upper from the bright one's.
TTableNiv CourbeDeuxPics(double pBas, double pHaut);

} // namespace velmora
