// Colour balance from reference zones: the balance hue of the temperature
// scale, the factors of one light zone, the means of a light and a dark zone,
// the corrections they give, and the colour strip above the slider.
// Rules only, no toolkit; the dialog is TBalCoul.
#pragma once

#include "TableCoul.h"
#include "imaging/Numerique.h"
#include "imaging/dialogue/Image.h"

#include <velmora/plugin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora::balancecoul {

// Three extended values, red first (a hue, factors or a zone's mean).
struct TRVB {
    Reel Rouge = 0, Vert = 0, Bleu = 0;
    friend bool operator==(const TRVB &, const TRVB &) = default;
};

inline constexpr int32_t PositionDefaut = 37;  // 6700 K

// TeinteRVB of a slider position: each component of the table colour / 255.
// Positions outside 0..70 are taken as the nearest end.
TRVB TeinteDe(int32_t position);

// Caption of the group box TeinteEquil (UTF-8), e.g. " Teinte d'équilibrage  T = 6700 °K ".
std::string TexteTeinteEquil(int32_t position);

// Items of the radio groups.
enum class LumRef { Moyenne = 0, Maxi = 1 };

// The three factors of a single light zone of n pixels. None (the zone is
// ignored) for an empty zone and for a black one (mean reference luminance 0),
// which would divide by zero.
std::optional<TRVB> FacteursZone(const TPtImg *zone, std::size_t n, LumRef lumRef,
                                 bool saturationAutorisee, const TRVB &teinte);

// The zone's mean of each channel times the hue; none for an empty zone.
std::optional<TRVB> MoyenneZone(const TPtImg *zone, std::size_t n, const TRVB &teinte);

// One 256-entry table per channel (the correction depends on one channel only).
struct Tables {
    std::array<uint8_t, 256> Rouge, Vert, Bleu;
};

// Round((c + 1) / k) limited to 255, per channel.
Tables TablesZone(const TRVB &k);
// Round((c - sombre) * 255 / (claire - sombre)) limited to 0..255, per channel;
// none when the two zones are equal in a channel.
std::optional<Tables> TablesDeuxZones(const TRVB &claire, const TRVB &sombre);

// The corrections, n pixels from copie into dest (split across the cores).
void AppliqueZone(const TPtImg *copie, TPtImg *dest, std::size_t n, const TRVB &k);
// False, and nothing written, when the two zones are equal in a channel.
bool AppliqueDeuxZones(const TPtImg *copie, TPtImg *dest, std::size_t n, const TRVB &claire,
                       const TRVB &sombre);

// The strip Couleurs: 71 stripes of 4 x 16 pixels, 3000 K at the left.
inline constexpr int32_t LargeurBande = 4 * NbTempCoul, HauteurBande = 16;
TImage BandeCouleurs();

} // namespace velmora::balancecoul
