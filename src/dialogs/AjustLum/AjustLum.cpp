#include "AjustLum.h"

#include "imaging/Numerique.h"
#include "imaging/ParamCoul.h"

#include <algorithm>

namespace velmora::ajustlum {

namespace {

Reel Facteur(const TProfil &p, int32_t V) {
    if (V == 0) return 1;
    return Reel(255 - int64_t(p[V])) / Reel(V);
}

} // namespace

TPtImg MapperPixel(const TProfil &profLum, TPtImg p) {
    TCanauxLum c;
    const int32_t V = CanauxMaxi(ValeurDe(p), c);
    return MultiplierPixel(ValeurDe(p), Facteur(profLum, V));
}

void RegleLum::Definir(const TProfil &profLum) {
    for (int32_t V = 0; V < 256; ++V) {
        const Reel f = Facteur(profLum, V);
        // The channel times the factor exactly as MultiplierPixel forms it.
        for (int32_t c = 0; c <= V; ++c) table_[V][c] = Octet(Reel(c) * f);
        for (int32_t c = V + 1; c < 256; ++c) table_[V][c] = 0;  // never read
    }
}

void RegleLum::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) {
        const TPtImg p = src[i];
        const uint8_t *t = table_[std::max({p.Bleu, p.Vert, p.Rouge})];
        dst[i] = {t[p.Bleu], t[p.Vert], t[p.Rouge]};
    }
}

void EnregistrerPlu(const std::filesystem::path &chemin, const TProfil &profLum) {
    EnregistrerBlocs(chemin, {&profLum});
}

void ChargerPlu(const std::filesystem::path &chemin, TProfil &profLum) {
    Fichier f(chemin, Fichier::Mode::Lecture);
    LireBloc(f, profLum);
    f.Fermer();
}

} // namespace velmora::ajustlum
