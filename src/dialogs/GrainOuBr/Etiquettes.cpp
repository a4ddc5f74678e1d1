#include "Etiquettes.h"

#include "imaging/Numerique.h"

namespace velmora::grainoubr {

std::string TexteNBr(int32_t position) {
    return std::to_string(Round(Reel(position) * 100 / 255)) + " %";
}

std::string TexteBC(int32_t position) {
    return std::to_string(Round(Reel(position) * 100 / 10)) + " %";
}

std::string TexteDPt(int32_t position) { return "N/" + std::to_string(10 - position); }

std::string TexteKm(int32_t position, const std::string &separateur) {
    // position / 2 with one decimal: the decimal is 0 or 5, exactly.
    const int32_t dixiemes = position * 5;
    std::string signe = dixiemes < 0 ? "-" : "";
    const int32_t a = dixiemes < 0 ? -dixiemes : dixiemes;
    return signe + std::to_string(a / 10) + separateur + std::to_string(a % 10);
}

} // namespace velmora::grainoubr
