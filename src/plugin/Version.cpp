// Reading the version digits out of a version-information block; the block
// itself is read by the platform's file (VersionLinux.cpp, VersionWin32.cpp).
#include "Version.h"

namespace velmora::version {
namespace {

int ChiffreSeul(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

} // namespace

Chiffres ExtraireChiffres(const std::vector<uint8_t> &bloc) {
    std::string texte;
    texte.reserve(bloc.size());
    for (uint8_t b : bloc)
        if (b != 0) texte.push_back(char(b));
    const std::string cle = "FileVersion";
    const auto pos = texte.find(cle);
    const std::string suite =
        pos == std::string::npos ? std::string() : texte.substr(pos + cle.size(), 7);
    Chiffres r;
    auto lire = [&](std::size_t i, std::optional<int32_t> &sortie) {
        const std::string car = i < suite.size() ? suite.substr(i, 1) : std::string();
        const int v = car.empty() ? -1 : ChiffreSeul(car[0]);
        if (v < 0) {
            r.echec = car;
            return false;
        }
        sortie = v;
        return true;
    };
    if (lire(0, r.majeur)) lire(2, r.mineur);
    return r;
}

} // namespace velmora::version
