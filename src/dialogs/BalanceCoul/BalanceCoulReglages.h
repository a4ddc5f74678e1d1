// Operation 7's settings as data: the hue of each pick, the two options, and
// the zones as rectangles of the image (one zone: the light one; two: light
// and dark).
#pragma once

#include "BalanceCoul.h"
#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <array>
#include <optional>
#include <vector>
#include <span>

namespace velmora::balancecoul {

extern const std::span<const reglages::Champ> Champs;

// The slider position of a temperature in kelvin (3000..10000 in steps of 100);
// throws ErreurReglage naming the setting for any other value.
int32_t PositionTemperature(int64_t kelvin, const char *nom);

// The record a balance gives: a light zone, its pick's slider position and the
// options; a dark zone and its pick's position for the two-zone method.
struct Zone {
    std::array<int32_t, 4> Rectangle;
    int32_t Position;
};
reglages::Enregistrement Enregistrer(const Zone &claire, const std::optional<Zone> &sombre,
                                     LumRef lumRef, bool saturationAutorisee);

// The temperatures' steps, and a dark hue only with a dark zone.
void VerifierReglages(const reglages::Enregistrement &r);

// The pixels of rectangle z (x, y, largeur, hauteur) of an image, row by row
// (only their sums count). Throws ErreurReglage, naming the setting nom when
// given, for a rectangle that is empty or leaves the image.
std::vector<TPtImg> Decouper(const TPtImg *pixels, int32_t largeur, int32_t hauteur,
                             const std::array<int32_t, 4> &z, const char *nom);

// The rule over largeur x hauteur pixels in place, each zone cut from the
// pixels before any is written. Throws ErreurReglage for no light zone, a zone
// outside the image, and zones that give no correction (black, or a dark zone
// equal to the light one in a channel).
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::balancecoul
