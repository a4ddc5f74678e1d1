#include "ProfilGamma.h"

#include "imaging/Numerique.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

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

namespace {

// The three tables over interleaved bytes B, G, R, B, G, R...
void TraiterOctets(const uint8_t *s, uint8_t *d, std::size_t n, const uint8_t *b,
                   const uint8_t *v, const uint8_t *r) {
    for (std::size_t i = 0; i < n; ++i, s += 3, d += 3) {
        const uint8_t nb = b[s[0]], nv = v[s[1]], nr = r[s[2]];
        d[0] = nb, d[1] = nv, d[2] = nr;
    }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VELMORA_VBMI 1
// The lanes k of a 64-byte vector starting on channel p whose channel is c.
constexpr uint64_t Voies(unsigned p, unsigned c) {
    uint64_t m = 0;
    for (unsigned k = 0; k < 64; ++k)
        if ((p + k) % 3 == c) m |= uint64_t(1) << k;
    return m;
}

#define VELMORA_CIBLE __attribute__((target("avx512f,avx512bw,avx512vbmi")))
// The 256-entry table (four vectors) at the bytes of x.
VELMORA_CIBLE inline __m512i table(__m512i x, __m512i t0, __m512i t1, __m512i t2, __m512i t3) {
    const __m512i bas = _mm512_permutex2var_epi8(t0, x, t1);
    const __m512i haut = _mm512_permutex2var_epi8(t2, x, t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), bas, haut);
}

// 64 bytes at a time with byte permutations over 128-entry halves of each
// table: 64 pixels (three vectors, each starting one channel further on) per turn.
VELMORA_CIBLE std::size_t TraiterVbmi(const uint8_t *s, uint8_t *d, std::size_t n, const uint8_t *b, const uint8_t *v,
            const uint8_t *r) {
    const __m512i tb0 = _mm512_loadu_si512(b), tb1 = _mm512_loadu_si512(b + 64);
    const __m512i tb2 = _mm512_loadu_si512(b + 128), tb3 = _mm512_loadu_si512(b + 192);
    const __m512i tv0 = _mm512_loadu_si512(v), tv1 = _mm512_loadu_si512(v + 64);
    const __m512i tv2 = _mm512_loadu_si512(v + 128), tv3 = _mm512_loadu_si512(v + 192);
    const __m512i tr0 = _mm512_loadu_si512(r), tr1 = _mm512_loadu_si512(r + 64);
    const __m512i tr2 = _mm512_loadu_si512(r + 128), tr3 = _mm512_loadu_si512(r + 192);
    // Lanes of green and of red in a vector whose first byte is channel p.
    static constexpr uint64_t vert[3] = {Voies(0, 1), Voies(1, 1), Voies(2, 1)};
    static constexpr uint64_t rouge[3] = {Voies(0, 2), Voies(1, 2), Voies(2, 2)};
    const std::size_t pixels = n / 64 * 64;
    for (std::size_t i = 0; i < pixels * 3; i += 192) {
        for (unsigned p = 0; p < 3; ++p) {
            const __m512i x = _mm512_loadu_si512(s + i + 64 * p);
            __m512i y = table(x, tb0, tb1, tb2, tb3);
            y = _mm512_mask_blend_epi8(__mmask64(vert[p]), y, table(x, tv0, tv1, tv2, tv3));
            y = _mm512_mask_blend_epi8(__mmask64(rouge[p]), y, table(x, tr0, tr1, tr2, tr3));
            _mm512_storeu_si512(d + i + 64 * p, y);
        }
    }
    return pixels;
}

bool AvecVbmi() {
    static const bool oui = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return oui;
}
#endif

} // namespace

void RegleGamma::Traiter(const TPtImg *src, TPtImg *dst, std::size_t n) const {
    // Each vector or pixel is read whole before it is written: src may be dst.
    const auto *s = reinterpret_cast<const uint8_t *>(src);
    auto *d = reinterpret_cast<uint8_t *>(dst);
    std::size_t fait = 0;
#ifdef VELMORA_VBMI
    if (AvecVbmi()) fait = TraiterVbmi(s, d, n, b_, v_, r_);
#endif
    TraiterOctets(s + 3 * fait, d + 3 * fait, n - fait, b_, v_, r_);
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
