// The grain's fast roundings: values computed in doubles or integers that give
// the extended rule's integer whenever they can tell, and say so when they
// cannot (then the caller asks the rule itself).
#pragma once

#include <cmath>
#include <cstdint>

namespace velmora::grainoubr {

// The fast paths compute in doubles; their value lies within 1e-11 of the
// extended one (a few operations on magnitudes below 2^14). Farther than this
// from a half, both round to the same integer; nearer, the extended rule decides,
// so the way this test rounds a tie never matters.
inline constexpr double Marge = 1e-9;

inline bool ArrondiSur(double x, double &r) {
    constexpr double Magique = 6755399441055744.0;  // 1.5 x 2^52: the sum keeps no fraction
    r = (x + Magique) - Magique;                    // an integer at most 1/2 from x
    return 0.5 - std::fabs(x - r) > Marge;
}

inline bool ArrondiSur(double x, int32_t &v) {
    double r;
    if (!ArrondiSur(x, r)) return false;
    v = int32_t(r);
    return true;
}

// near(num / den), 0 <= num < 2^17, 1 <= den <= 255: exactly what the extended
// quotient rounds to (a quotient of small integers is a half only when the rational
// is one, and never lies within 2^-60 of a half otherwise). The integer quotient
// comes from a multiplication by inverse = floor(2^32 / den) + 1: the excess,
// below num / 2^32 < 2^-15, never reaches the next integer (1 / den away at least).
inline int32_t QuotientProche(uint32_t num, uint32_t den, uint64_t inverse) {
    uint32_t q = uint32_t((num * inverse) >> 32);
    const uint32_t r2 = 2 * (num - q * den);
    // Without a branch: which way a quotient rounds is anyone's guess.
    q += uint32_t(r2 > den) | (uint32_t(r2 == den) & q & 1u);
    return int32_t(q);
}

inline uint8_t Borne(int32_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }

} // namespace velmora::grainoubr
