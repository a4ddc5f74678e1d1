#include "ProfilGamma.h"

#include "imaging/Numerique.h"

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
    const auto *s = reinterpret_cast<const uint8_t *>(src);
    auto *d = reinterpret_cast<uint8_t *>(dst);
    // Four pixels (twelve bytes) per turn; src and dst may be the same run, so
    // each pixel is read whole before it is written.
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4, s += 12, d += 12) {
        const uint8_t b0 = b_[s[0]], v0 = v_[s[1]], r0 = r_[s[2]];
        const uint8_t b1 = b_[s[3]], v1 = v_[s[4]], r1 = r_[s[5]];
        const uint8_t b2 = b_[s[6]], v2 = v_[s[7]], r2 = r_[s[8]];
        const uint8_t b3 = b_[s[9]], v3 = v_[s[10]], r3 = r_[s[11]];
        d[0] = b0, d[1] = v0, d[2] = r0, d[3] = b1, d[4] = v1, d[5] = r1;
        d[6] = b2, d[7] = v2, d[8] = r2, d[9] = b3, d[10] = v3, d[11] = r3;
    }
    for (; i < n; ++i, s += 3, d += 3) {
        const uint8_t b = b_[s[0]], v = v_[s[1]], r = r_[s[2]];
        d[0] = b, d[1] = v, d[2] = r;
    }
}

void EnregistrerPfl(const std::filesystem::path &chemin, const Profils &p) {
    EnregistrerBlocs(chemin, {&p.ProfToutes, &p.ProfRouge, &p.ProfVert, &p.ProfBleu});
}

void ChargerPfl(const std::filesystem::path &chemin, Profils &p) {
    Fichier f(chemin, Fichier::Mode::Lecture);
    LireBloc(f, p.ProfToutes);
    // The end-of-file test counts whole blocks: a 1048..2095-byte file (a
    // luminosity curve's, say) gives the all-channel curve alone.
    if (LireBlocEntier(f, p.ProfRouge)) {
        LireBloc(f, p.ProfVert);
        LireBloc(f, p.ProfBleu);
    }
    f.Fermer();
}

} // namespace velmora::profilgamma
