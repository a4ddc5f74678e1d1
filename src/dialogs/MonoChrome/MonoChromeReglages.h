// Operation 9's settings as data: the filter as a point of the picker, the
// tint as a colour (or a name of the list) or as a tint file.
#pragma once

#include "MonoChrome.h"
#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <span>

namespace velmora::monochrome {

// filtre: the point of the 208 x 208 picker the weights are taken at;
// teinte: $RRGGBB or a name of the list, $000000 giving the plain grey of a
// dialog just opened or reset (its identity tables); fichier: a .uni tint file,
// which when given stands for teinte.
extern const std::span<const reglages::Champ> ChampsReglages;

// The tint of a record, the file's when it names one, read as the dialog
// loads it. Throws reglages::ErreurReglage naming the file.
int32_t TeinteReglages(const reglages::Enregistrement &r);

// The file's tint put into teinte and the file left out (see reglables::Operation).
void ChargerFichiers(reglages::Enregistrement &r);

// The dialog's rule for these settings, over the pixels in place.
void AppliquerReglages(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                       int32_t hauteur);

} // namespace velmora::monochrome
