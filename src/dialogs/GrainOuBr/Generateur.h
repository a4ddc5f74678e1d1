// The grain's pseudo-random generator: one draw at a time as the rule states
// it, and the jump of j steps at once that lets the spots and the pixels each
// get their draws' states without waiting for the ones before them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora::grainoubr {

// The generator's state: 0 when the library is loaded, never seeded, running on
// from one computation and one opening to the next.
extern uint32_t GraineAlea;

// One draw: the state advances (x 134775813 + 1, modulo 2^32), then the high 32
// bits of state x n: a value in 0..n - 1 (0 for n = 0).
inline uint32_t Alea(uint32_t n) {
    GraineAlea = GraineAlea * 134775813u + 1u;
    return uint32_t((uint64_t(GraineAlea) * n) >> 32);
}

// Centred draw: (a div 2) - Alea(a), for a >= 0.
inline int32_t X(int32_t a) { return a / 2 - int32_t(Alea(uint32_t(a))); }

// The generator's state j steps ahead of g is a^j g + c_j (mod 2^32): the draws of a
// spot or a pixel each get their state from the one before them at once, instead of
// one after the other.
struct Saut {
    uint32_t a = 1, c = 0;
    uint32_t operator()(uint32_t g) const { return a * g + c; }
};
inline constexpr std::array<Saut, 30> Sauts = [] {
    std::array<Saut, 30> s{};
    for (std::size_t j = 1; j < s.size(); ++j)
        s[j] = {s[j - 1].a * 134775813u, s[j - 1].c * 134775813u + 1u};
    return s;
}();

// The jump of k steps, in O(log k): squarings of the one-step jump.
constexpr Saut SautDe(uint64_t k) {
    Saut resultat, puissance = Sauts[1];
    for (; k; k >>= 1) {
        if (k & 1) resultat = {puissance.a * resultat.a, puissance.a * resultat.c + puissance.c};
        puissance = {puissance.a * puissance.a, puissance.a * puissance.c + puissance.c};
    }
    return resultat;
}

// A draw of X from a given state: (a div 2) - high word of state x a.
inline int32_t XDe(uint32_t etat, int32_t a) {
    return a / 2 - int32_t((uint64_t(etat) * uint32_t(a)) >> 32);
}

} // namespace velmora::grainoubr
