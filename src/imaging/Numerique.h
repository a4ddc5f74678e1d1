// Rounding and clamping rules shared by every pixel computation.
// Reals are long double (80-bit extended on x86); Round is half-to-even,
// which is what the FPU's default rounding mode gives to llrintl.
#pragma once

#include <cmath>
#include <cstdint>

namespace velmora {

using Reel = long double;

inline constexpr Reel Pi = 3.14159265358979323846264338327950288L;

// Nearest integer, an exact half going to the even neighbour.
inline int64_t Round(Reel x) { return std::llrint(x); }

// Toward zero.
inline int64_t Trunc(Reel x) { return static_cast<int64_t>(std::trunc(x)); }

// Integer division toward zero (C++ semantics, named for the rule it stands for).
template <class T> constexpr T Div(T a, T b) { return a / b; }

// Limit to a pixel byte.
constexpr uint8_t Limiter(int64_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Round then limit: the usual end of a per-channel rule. Limiting first gives
// the same byte (the bounds are integers) and keeps huge values and NaN away
// from the integer conversion.
inline uint8_t Octet(Reel x) {
    if (!(x > 0)) return 0;
    if (x >= 255) return 255;
    return static_cast<uint8_t>(Round(x));
}

} // namespace velmora
