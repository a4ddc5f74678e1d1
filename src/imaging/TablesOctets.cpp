#include "TablesOctets.h"

#include "BouclePixels.h"

#include "Avx2.h"
#include "Vbmi.h"

#include <cstring>

namespace velmora {

namespace {

void TableScalaire(const uint8_t *s, uint8_t *o, std::size_t n, const uint8_t *t) {
    for (std::size_t i = 0; i < n; ++i) o[i] = t[s[i]];
}

constexpr struct IdentiteOctets {
    uint8_t t[256];
    constexpr IdentiteOctets() : t{} {
        for (int i = 0; i < 256; ++i) t[i] = uint8_t(i);
    }
} identite{};

bool EstIdentite(const uint8_t *t) { return std::memcmp(t, identite.t, 256) == 0; }

void TablesScalaire(const TPtImg *s, TPtImg *p, std::size_t n, const uint8_t *tb,
                    const uint8_t *tv, const uint8_t *tr) {
    for (std::size_t i = 0; i < n; ++i) {
        const TPtImg x = s[i];
        p[i] = {tb[x.Bleu], tv[x.Vert], tr[x.Rouge]};
    }
}

#ifdef VELMORA_VBMI
#  define CIBLE_VBMI VELMORA_CIBLE_VBMI
using vbmi::AvecVbmi;
using vbmi::ChargerTable;
using vbmi::Chercher;

CIBLE_VBMI void TableVbmi(uint8_t *o, std::size_t n, const uint8_t *table) {
    const vbmi::Table t = ChargerTable(table);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i x = _mm512_loadu_si512(o + i);
        _mm512_storeu_si512(o + i, Chercher(t, x, _mm512_movepi8_mask(x)));
    }
    TableScalaire(o + i, o + i, n - i, table);
}

// 64 pixels = 192 bytes = three registers; byte k of the block is channel
// k mod 3 (0 Bleu, 1 Vert, 2 Rouge), so register j holds channel (j + p) mod 3
// at byte p.
CIBLE_VBMI void TablesVbmi(const TPtImg *s, TPtImg *p, std::size_t n, const uint8_t *tb,
                           const uint8_t *tv, const uint8_t *tr) {
    __mmask64 vert[3] = {0, 0, 0}, rouge[3] = {0, 0, 0};
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned b = 0; b < 64; ++b) {
            const unsigned canal = (j + b) % 3;
            if (canal == 1) vert[j] |= __mmask64(1) << b;
            if (canal == 2) rouge[j] |= __mmask64(1) << b;
        }
    const vbmi::Table b = ChargerTable(tb), v = ChargerTable(tv), r = ChargerTable(tr);
    const uint8_t *e = reinterpret_cast<const uint8_t *>(s);
    uint8_t *o = reinterpret_cast<uint8_t *>(p);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64, e += 192, o += 192)
        for (unsigned j = 0; j < 3; ++j) {
            const __m512i x = _mm512_loadu_si512(e + 64 * j);
            const __mmask64 haut = _mm512_movepi8_mask(x);
            __m512i y = Chercher(b, x, haut);
            y = _mm512_mask_blend_epi8(vert[j], y, Chercher(v, x, haut));
            y = _mm512_mask_blend_epi8(rouge[j], y, Chercher(r, x, haut));
            _mm512_storeu_si512(o + 64 * j, y);
        }
    TablesScalaire(s + i, p + i, n - i, tb, tv, tr);
}

#endif

#ifdef VELMORA_AVX2
// 32 bytes at a time on processors with AVX2 only.
VELMORA_CIBLE_AVX2 void TableAvx2(const uint8_t *s, uint8_t *o, std::size_t n, const uint8_t *table) {
    const avx2::Table t = avx2::ChargerTable(table);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o + i),
                            avx2::Chercher(t, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + i))));
    TableScalaire(s + i, o + i, n - i, table);
}

// 32 pixels at a time on processors with AVX2 only: split into channel planes,
// each plane through its own table (sixteen shuffles and a tree of blends), put
// back; a third of the look-ups that each channel through all three tables
// would take. A look-up costs more than the split and the assembly together,
// so an identity table's plane is left as it is (a curve edited on one channel
// only).
VELMORA_CIBLE_AVX2 void TablesAvx2(const TPtImg *s, TPtImg *p, std::size_t n, const uint8_t *tb,
                                   const uint8_t *tv, const uint8_t *tr) {
    const bool ib = EstIdentite(tb), iv = EstIdentite(tv), ir = EstIdentite(tr);
    const avx2::Table b = avx2::ChargerTable(tb), v = avx2::ChargerTable(tv), r = avx2::ChargerTable(tr);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const avx2::Plans x = avx2::Separer32(s + i);
        avx2::Assembler32(p + i, {ib ? x.bleu : avx2::Chercher(b, x.bleu), iv ? x.vert : avx2::Chercher(v, x.vert),
                                  ir ? x.rouge : avx2::Chercher(r, x.rouge)});
    }
    TablesScalaire(s + i, p + i, n - i, tb, tv, tr);
}
#endif

} // namespace

void AppliquerTableOctets(uint8_t *octets, std::size_t n, const uint8_t *table) {
    using Noyau = void (*)(uint8_t *, std::size_t, const uint8_t *);
    Noyau noyau = [](uint8_t *o, std::size_t n, const uint8_t *t) { TableScalaire(o, o, n, t); };
#ifdef VELMORA_AVX2
    if (avx2::AvecAvx2()) noyau = [](uint8_t *o, std::size_t n, const uint8_t *t) { TableAvx2(o, o, n, t); };
#endif
#ifdef VELMORA_VBMI
    if (AvecVbmi()) noyau = TableVbmi;  // before the 32-byte path
#endif
    PourTranches(n, [=](std::size_t debut, std::size_t fin) {
        noyau(octets + debut, fin - debut, table);
    });
}

void AppliquerTablesPixels(TPtImg *pixels, std::size_t n, const uint8_t *tableBleu,
                           const uint8_t *tableVert, const uint8_t *tableRouge) {
    AppliquerTablesPixels(pixels, pixels, n, tableBleu, tableVert, tableRouge);
}

void AppliquerTablesPixels(const TPtImg *source, TPtImg *dest, std::size_t n,
                           const uint8_t *tableBleu, const uint8_t *tableVert,
                           const uint8_t *tableRouge) {
    PourTranches(n, [=](std::size_t debut, std::size_t fin) {
        TraiterTablesPixels(source + debut, dest + debut, fin - debut, tableBleu, tableVert,
                            tableRouge);
    });
}

void TraiterTablesPixels(const TPtImg *source, TPtImg *dest, std::size_t n,
                         const uint8_t *tableBleu, const uint8_t *tableVert,
                         const uint8_t *tableRouge) {
#ifdef VELMORA_VBMI
    if (AvecVbmi()) return TablesVbmi(source, dest, n, tableBleu, tableVert, tableRouge);
#endif
#ifdef VELMORA_AVX2
    if (avx2::AvecAvx2()) {
        // One table for all three channels: no planes to split, 32 bytes a look-up.
        if (std::memcmp(tableBleu, tableVert, 256) == 0 && std::memcmp(tableBleu, tableRouge, 256) == 0)
            return TableAvx2(reinterpret_cast<const uint8_t *>(source), reinterpret_cast<uint8_t *>(dest),
                             3 * n, tableBleu);
        return TablesAvx2(source, dest, n, tableBleu, tableVert, tableRouge);
    }
#endif
    TablesScalaire(source, dest, n, tableBleu, tableVert, tableRouge);
}

} // namespace velmora
