// The groups of a vector block whose sums lie too near a rounding boundary for
// the fast rule: computed by the exact path before the block is written (src
// may be dst), then put over the block once it is.
#pragma once

#include <velmora/plugin.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmora {

template <std::size_t Taille, std::size_t Groupes = 4> class GroupesDouteux {
    static_assert(Groupes <= 32);

public:
    // A block of Groupes groups; bit j of douteux: group j (pixels j Taille to
    // j Taille + Taille - 1 of the block at debut); calcul(d, sortie) writes the
    // exact result of the group at d.
    template <class Calcul>
    GroupesDouteux(uint32_t douteux, std::size_t debut, Calcul &&calcul) : douteux_(douteux) {
        for (uint32_t d = douteux; d; d &= d - 1) {
            const std::size_t j = std::size_t(std::countr_zero(d));
            calcul(debut + Taille * j, pres_ + Taille * j);
        }
    }
    void Reposer(TPtImg *bloc) const {
        for (uint32_t d = douteux_; d; d &= d - 1) {
            const std::size_t j = std::size_t(std::countr_zero(d));
            std::memcpy(bloc + Taille * j, pres_ + Taille * j, Taille * sizeof(TPtImg));
        }
    }

private:
    uint32_t douteux_;
    TPtImg pres_[Groupes * Taille];
};

} // namespace velmora
