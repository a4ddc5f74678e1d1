// The manual luminosity curve: one tone curve maps each pixel's largest channel
// to a new level, and the three channels are scaled by the same factor so the
// hue stays. The mapping, its block rule and the .plu files. Toolkit-free.
#pragma once

#include "imaging/EditeurProfil.h"
#include "imaging/dialogue/EtatDialogue.h"

#include <velmora/plugin.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace velmora::ajustlum {

// The rule as stated: V = the largest channel; factor = (255 - ProfLum[V]) / V in
// 80-bit arithmetic (1 for a black pixel); MultiplierPixel by that factor.
// Only entries 1..255 are read, and every byte is limited to 0..255.
TPtImg MapperPixel(const TProfil &profLum, TPtImg p);

// The same bytes through a table of every (V, channel) pair with channel <= V:
// three look-ups per pixel. On the vector paths they are computed instead (for
// 32 bytes, while every numerator fits a byte), the exact halves taken from the
// table.
class RegleLum final : public RegleBloc {
public:
    RegleLum() { Definir(TProfil::Identite()); }
    explicit RegleLum(const TProfil &p) { Definir(p); }
    void Definir(const TProfil &profLum);
    void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const override;

private:
    uint8_t table_[256][256];  // [V][c]: Round(c * factor of V), limited
    // 255 - ProfLum[V] limited to 0..65280 (beyond, every channel but 0 gives
    // 255), split in bytes for the 64-pixel path.
    uint8_t numBas_[256], numHaut_[256];
    bool num8_ = true;  // every numerator fits a byte: the 32-byte path's products fit 16 bits
};

// .plu: one profile block (1048 bytes).
inline constexpr const char *FiltrePlu = "Fichiers Profil Lum (*.plu)|*.plu";
inline constexpr const char *ExtensionPlu = "plu";

// Throws ErreurFichier.
void EnregistrerPlu(const std::filesystem::path &chemin, const TProfil &profLum);

// Reads the first block into profLum; the rest of the file is ignored (a .pfl
// gives its all-channel curve). Throws ErreurFichier; a file shorter than a
// block keeps the bytes that came.
void ChargerPlu(const std::filesystem::path &chemin, TProfil &profLum);

} // namespace velmora::ajustlum
