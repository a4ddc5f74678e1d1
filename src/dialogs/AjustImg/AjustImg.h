// Manual gamma, contrast, luminosity and saturation: the settings, the three
// 256-entry curves and their combination, the per-pixel rule and the label texts.
// The dialog itself is TAjustCoul (AjustImgDialogue.h).
#pragma once

#include "imaging/dialogue/EtatDialogue.h"
#include "imaging/Numerique.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora::ajustimg {

using Table = std::array<int32_t, 256>;

Table Identite();

// 10^(position / 50): 0.1 to 10.
Reel ValeurGamma(int32_t position);
// Round(i^a / 255^(a - 1)), a = 1 / valeurGamma.
Table TableGamma(Reel valeurGamma);
// Pivots on 128; k = 0 gives all 128, k = 100 a step at 128.
Table TableContraste(int32_t contraste);
// l < 50 darkens (0: all 0), l >= 50 lightens (100: all 255).
Table TableLum(int32_t luminosite);
// TableLGC[i] = lum[contraste[gamma[i]]].
Table TableLGC(const Table &gamma, const Table &contraste, const Table &lum);
// ValeurSaturation / 100 + 1: 0 (grey) to 2.
Reel FacteurSaturation(Reel valeurSaturation);

// Label texts (UTF-8), sep being the user's decimal separator.
std::string TexteGamma(Reel valeurGamma, const std::string &sep);  // "1,30": 2 significant digits, 2 decimals
std::string TextePourcent(int32_t position);                      // "50 %"
std::string TexteSaturation(Reel valeurSaturation);               // "-35 %"

// The per-pixel rule: SaturerPixel with the factor, then TableLGC on each channel.
// Byte for byte the same as that, computed faster: in fixed point through
// per-channel tables, falling back to the 80-bit rule for the rare pixels whose
// result lies too near a rounding boundary for the fixed-point sum to decide.
class RegleAjustCoul final : public RegleBloc {
public:
    RegleAjustCoul();
    void Definir(const Table &lgc, Reel facteur);
    void Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const override;
    // The rule as stated, one pixel at a time (the reference for the fast path).
    TPtImg Reference(TPtImg p) const;
    Reel Facteur() const { return facteur_; }

private:
    // Fixed point through the per-channel tables, 4 pixels at a time.
    void TraiterTables(const TPtImg *src, TPtImg *dst, std::size_t n) const;
    // What each channel value adds to B', G' and R', in units of 2^-decalage_ (see
    // AjustImg.cpp); in pixel order, padded to one 16-byte vector.
    struct alignas(16) Apport {
        int32_t b, g, r, zero;
    };
    alignas(64) uint8_t lgc_[256];
    bool lgcIdentite_ = true;  // only the saturation moved: no look-up on the 32-byte path
    // B', G' and R' as products of R, G and B by integers, in units of
    // 2^-decalage16_, 16 pixels at a time where the processor has 64-byte vectors.
    bool par16_ = false;
    int decalage16_ = 0;
    int32_t facteurs16_[3][3] = {};  // [B', G', R'][R, G, B]
    Reel facteur_ = 1;
    bool rapide_ = false;  // the shares' tables below are set by Definir
    int decalage_ = 0;
    Apport deR_[256], deG_[256], deB_[256];
};

// The dialog's settings and tables, as the handlers change them.
struct Reglages {
    Reel ValeurGamma = 1;
    int32_t Contraste = 50;
    int32_t Luminosite = 50;
    Reel ValeurSaturation = 0;
    Table TableGamma = Identite(), TableContraste = Identite(), TableLum = Identite();
    Table TableLGC = Identite();

    // The three curves back to the identity (settings and TableLGC untouched).
    void ReInit();
    void CalculerGamma() { TableGamma = ajustimg::TableGamma(ValeurGamma); }
    void CalculerContraste() { TableContraste = ajustimg::TableContraste(Contraste); }
    void CalculerLum() { TableLum = ajustimg::TableLum(Luminosite); }
    void ReconstruireLGC() { TableLGC = ajustimg::TableLGC(TableGamma, TableContraste, TableLum); }
    Reel Facteur() const { return FacteurSaturation(ValeurSaturation); }
};

} // namespace velmora::ajustimg
