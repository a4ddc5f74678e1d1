// The groups of a vector block whose sums lie too near a rounding boundary for
// the fast rule: computed by the exact path before the block is written (src
// may be dst), then put over the block once it is.
#pragma once

#include <velmora/plugin.h>

#include <cstddef>
#include <cstring>

namespace velmora {

template <std::size_t Taille> class GroupesDouteux {
public:
    // A block of four groups; bit j of douteux: group j (pixels j Taille to
    // j Taille + Taille - 1 of the block at debut); calcul(d, sortie) writes the
    // exact result of the group at d.
    template <class Calcul>
    GroupesDouteux(unsigned douteux, std::size_t debut, Calcul &&calcul) : douteux_(douteux) {
        for (unsigned j = 0; douteux >> j; ++j)
            if (douteux >> j & 1) calcul(debut + Taille * j, pres_ + Taille * j);
    }
    void Reposer(TPtImg *bloc) const {
        for (unsigned j = 0; douteux_ >> j; ++j)
            if (douteux_ >> j & 1) std::memcpy(bloc + Taille * j, pres_ + Taille * j, Taille * sizeof(TPtImg));
    }

private:
    unsigned douteux_;
    TPtImg pres_[4 * Taille];
};

} // namespace velmora
