#include "ProfilGamma.h"

#include "imaging/Numerique.h"
#include "imaging/TablesOctets.h"

namespace velmora::profilgamma {

uint8_t Niveau(const TProfil &toutes, const TProfil &canal, uint8_t v) {
    const int64_t t = 255 - int64_t(toutes[v]);
    return Limiter(255 - int64_t(canal[int32_t(t < 0 ? 0 : (t > 255 ? 255 : t))]));
}

RegleGamma::RegleGamma() {
    for (int i = 0; i < 256; ++i) b_[i] = v_[i] = r_[i] = uint8_t(i);
}

void RegleGamma::Definir(const Profils &p) {
    for (int i = 0; i < 256; ++i) {
        const uint8_t v = uint8_t(i);
        r_[i] = Niveau(p.ProfToutes, p.ProfRouge, v);
        v_[i] = Niveau(p.ProfToutes, p.ProfVert, v);
        b_[i] = Niveau(p.ProfToutes, p.ProfBleu, v);
    }
}

void RegleGamma::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    TraiterTablesPixels(src, dst, n, b_, v_, r_);
}

void EnregistrerPfl(const std::filesystem::path &chemin, const Profils &p) {
    EnregistrerBlocs(chemin, {&p.ProfToutes, &p.ProfRouge, &p.ProfVert, &p.ProfBleu});
}

std::size_t ChargerPfl(const std::filesystem::path &chemin, Profils &p) {
    Fichier f(chemin, Fichier::Mode::Lecture);
    LireBloc(f, p.ProfToutes);
    // The end-of-file test counts whole blocks: a 1048..2095-byte file (a
    // luminosity curve's, say) gives the all-channel curve alone.
    std::size_t n = 1;
    if (LireBlocEntier(f, p.ProfRouge)) {
        LireBloc(f, p.ProfVert);
        LireBloc(f, p.ProfBleu);
        n = 4;
    }
    f.Fermer();
    return n;
}

} // namespace velmora::profilgamma
