#include "Reglages.h"

#include <cmath>

namespace velmora::grainoubr {

namespace {
constexpr Reel PiSur255 = 0.012319971190548208L;
} // namespace

int32_t Amplitude(Reel m, int32_t niveau) {
    const Reel s = std::sin(m * PiSur255);
    return int32_t(Round(s * s * niveau));
}

} // namespace velmora::grainoubr
