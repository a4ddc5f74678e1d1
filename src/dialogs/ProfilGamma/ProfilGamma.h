// Gamma profiles: four tone curves (all channels, red, green, blue); each
// channel goes through the all-channel curve, then through its own. The
// mapping, its block rule and the .pfl files. Toolkit-free.
#pragma once

#include "imaging/EditeurProfil.h"
#include "imaging/dialogue/EtatDialogue.h"

#include <velmora/plugin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace velmora::profilgamma {

// The four curves, in the order of the radio items and of the file blocks.
struct Profils {
    TProfil ProfToutes = TProfil::Identite();
    TProfil ProfRouge = TProfil::Identite();
    TProfil ProfVert = TProfil::Identite();
    TProfil ProfBleu = TProfil::Identite();
};

// One channel value through the all-channel curve, then the channel's curve:
// 255 - canal[t] with t = 255 - toutes[v]. Curves may leave the graph: t is
// brought into 0..255 before it indexes the channel's curve, and the result is
// limited to 0..255, so no read leaves the table.
uint8_t Niveau(const TProfil &toutes, const TProfil &canal, uint8_t v);

// The mapping as three 256-entry tables, one per channel: pure look-ups.
class RegleGamma final : public RegleBloc {
public:
    RegleGamma();  // identity
    explicit RegleGamma(const Profils &p) { Definir(p); }
    void Definir(const Profils &p);
    void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const override;

private:
    uint8_t b_[256], v_[256], r_[256];
};

// .pfl: four profile blocks, ProfToutes, ProfRouge, ProfVert, ProfBleu (4192 bytes).
inline constexpr const char *FiltrePfl = "Fichiers Profil G (*.pfl)|*.pfl";
inline constexpr const char *ExtensionPfl = "pfl";

// Throws ErreurFichier.
void EnregistrerPfl(const std::filesystem::path &chemin, const Profils &p);

// Reads block 1 into ProfToutes; when the file holds no further whole block
// (1048 to 2095 bytes) stops there; otherwise reads blocks 2, 3, 4 into ProfRouge,
// ProfVert, ProfBleu. Bytes after block 4 are ignored. Returns how many curves
// it read (1 or 4). Throws ErreurFichier at the first failing step, keeping what
// was read before (a block cut short keeps the bytes that came).
std::size_t ChargerPfl(const std::filesystem::path &chemin, Profils &p);

} // namespace velmora::profilgamma
