// The texts a form's table gives its controls, each with the width the table
// leaves it: the back ends choose their font so that every one fits.
#pragma once

#include "Forme.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

struct TLegende {
    const TControle *Controle;
    int32_t Element;        // -1: the control's caption; otherwise the item of a list or radio group
    std::string_view Texte;
    // Pixels from the left edge of what shows the text (the control, or the
    // radio group's item) to where the text must end: a label, radio button or
    // check box sized to its text has until the next control on its right or
    // its parent's edge; anything else its own width.
    int32_t Place;
};

// Every caption and item of the table; hauteurLigne: the height of one line
// of text, to tell which controls stand on a label's line.
std::vector<TLegende> Legendes(const TForme &forme, int32_t hauteurLigne);

// Where item i of a radio group goes, in the group's coordinates: the items
// in Colonnes columns inside a frame of 8 pixels on the sides and 16 at the top.
TRect PlaceElement(const TControle &groupe, int32_t i);

} // namespace velmora
