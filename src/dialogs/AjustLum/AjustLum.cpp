#include "AjustLum.h"

#include "imaging/Numerique.h"
#include "imaging/ParamCoul.h"
#include "imaging/Vbmi.h"

#include <algorithm>
#include <cstring>

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
    std::memset(table_, 0, sizeof table_);  // channels above V never occur
    for (int32_t V = 1; V < 256; ++V) {
        // c * factor is the fraction c * num / V. It lies at least 1 / (2V) away
        // from a rounding boundary unless it is an exact half, so the integer
        // quotient gives MultiplierPixel's byte; an exact half is left to the
        // 80-bit product itself, which decides it as MultiplierPixel does.
        const int64_t num = 255 - int64_t(profLum[V]);
        if (num <= 0) continue;  // factor <= 0: black
        const Reel f = Facteur(profLum, V);
        // (2 c num + V) = quotient * 2V + reste, carried from c to c + 1: the
        // quotient is Round(c num / V) but at exact halves (reste 0).
        const int64_t d = 2 * int64_t(V), pasQ = 2 * num / d, pasR = 2 * num % d;
        int64_t quotient = 0, reste = V;
        for (int32_t c = 1; c <= V; ++c) {
            quotient += pasQ;
            reste += pasR;
            if (reste >= d) reste -= d, ++quotient;
            table_[V][c] = reste == 0 ? Octet(Reel(c) * f) : Limiter(quotient);
        }
    }
}

#ifdef VELMORA_VBMI
namespace {

// The entries at byte offsets ligne + c of the table, as 16 bytes. Each gather
// reads 4 bytes: the table is followed by at least 3 more bytes of the rule (see
// the class), so none lies outside it.
VELMORA_CIBLE_VBMI inline __m128i Entrees(const uint8_t (&table)[256][256], __m512i ligne, __m512i c) {
    const __m512i x = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), __mmask16(0xFFFF),
                                                  _mm512_add_epi32(ligne, c), table, 1);
    return vbmi::Octets(_mm512_and_si512(x, _mm512_set1_epi32(0xFF)));
}

// 16 pixels at a time: the largest channel of each in a vector, then the three
// table entries [V][c] gathered by their byte offsets. Returns how many were done.
VELMORA_CIBLE_VBMI std::size_t Traiter16(const TPtImg *src, TPtImg *dst, std::size_t n,
                                         const uint8_t (&table)[256][256]) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const vbmi::Canaux16 p = vbmi::Separer(src + i);
        const __mmask16 tous = 0xFFFF;  // zeroing forms: see vbmi::Extraire
        const __m512i ligne = _mm512_maskz_slli_epi32(
            tous, _mm512_maskz_max_epi32(tous, _mm512_maskz_max_epi32(tous, p.bleu, p.vert), p.rouge), 8);
        vbmi::Assembler(dst + i, vbmi::Joindre(Entrees(table, ligne, p.bleu),
                                               Entrees(table, ligne, p.vert),
                                               Entrees(table, ligne, p.rouge)));
    }
    return i;
}

} // namespace
#endif

void RegleLum::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    std::size_t i = 0;
#ifdef VELMORA_VBMI
    if (vbmi::AvecVbmi()) i = Traiter16(src, dst, n, table_);
#endif
    for (; i < n; ++i) {
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
