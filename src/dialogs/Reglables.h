// The nine operations as settings records see them: each one's fields and its
// rule applied to a record with no dialog. Toolkit-free; each operation states
// both in its own room.
#pragma once

#include "imaging/Reglages.h"

#include <velmora/plugin.h>

#include <cstdint>
#include <optional>
#include <span>

namespace velmora::reglables {

struct Operation {
    std::span<const reglages::Champ> Champs;
    // The rule over largeur x hauteur pixels, in place. Throws
    // reglages::ErreurReglage (a file that cannot be read, a zone outside the
    // image) before any pixel is written.
    void (*Appliquer)(const reglages::Enregistrement &r, TPtImg *pixels, int32_t largeur,
                      int32_t hauteur);
    // What the fields' types cannot say (a step, a file that must read), checked
    // with no image; throws reglages::ErreurReglage. None: nothing more.
    void (*Verifier)(const reglages::Enregistrement &r) = nullptr;
    // For a dialog opened on settings: puts what the files the record names hold
    // into it, so that a file that cannot be read is refused before the dialog
    // opens, as Appliquer refuses it. Throws reglages::ErreurReglage. None: the
    // operation names no file.
    void (*ChargerFichiers)(reglages::Enregistrement &r) = nullptr;
};

// A text form read over the operation's defaults and checked (throws
// reglages::ErreurReglage).
reglages::Enregistrement Lire(const Operation &op, std::string_view texte);

// Operations 1..9; nullptr for any other number.
const Operation *Trouver(uint32_t operation);

// The settings the next opening of a dialog starts from (none: the form's own
// defaults); used by that opening only.
void DefinirDepart(uint32_t operation, std::optional<reglages::Enregistrement> r);
// The settings of the dialog's last "Appliquer", if any.
std::optional<reglages::Enregistrement> Appliques(uint32_t operation);

} // namespace velmora::reglables

namespace velmora::reglables {

// Operation 7, dialog open: a reference zone as a rectangle of the opening's
// image, cut from the pixels as they were then; image receives the correction.
// Throws reglages::ErreurReglage when no balance is open or the rectangle
// leaves the image.
void ZoneRectangle(int32_t x, int32_t y, int32_t largeur, int32_t hauteur, TPtImg *image);

} // namespace velmora::reglables
