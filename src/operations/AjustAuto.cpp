#include "AjustAuto.h"

#include "imaging/BouclePixels.h"
#include <velmora/memoire.h>
#include "imaging/TablesOctets.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace velmora {

namespace {

// Each slice of a histogram pass counts into its own small histograms and adds
// them here once, at its end; the totals are 64-bit.
template <std::size_t Taille> struct CumulHist {
    std::mutex verrou;
    std::array<int64_t, Taille> total{};
    template <class H> void Ajouter(const H &h) {
        std::lock_guard<std::mutex> garde(verrou);
        for (std::size_t i = 0; i < Taille; ++i) total[i] += h[i];
    }
};

std::size_t Nombre(const TPtsImg &t) { return std::size_t(std::max<int32_t>(t.size(), 0)); }

} // namespace

// --- Histograms -----------------------------------------------------------

THistFin HistLuminance(const TPtImg *pixels, std::size_t n) {
    // Counting by B + G + R (0..765) spares a division per pixel; the sums are
    // folded into luminance counters afterwards. Four interleaved copies keep
    // runs of equal pixels from waiting on the same counter.
    CumulHist<766> cumul;
    PourTranches(n, [&](std::size_t debut, std::size_t fin) {
        std::vector<uint32_t> h(4 * 768, 0);
        uint32_t *h0 = h.data(), *h1 = h0 + 768, *h2 = h1 + 768, *h3 = h2 + 768;
        const uint8_t *o = reinterpret_cast<const uint8_t *>(pixels + debut);
        std::size_t i = debut;
        for (; i + 4 <= fin; i += 4, o += 12) {
            ++h0[o[0] + o[1] + o[2]];
            ++h1[o[3] + o[4] + o[5]];
            ++h2[o[6] + o[7] + o[8]];
            ++h3[o[9] + o[10] + o[11]];
        }
        for (; i < fin; ++i, o += 3) ++h0[o[0] + o[1] + o[2]];
        std::array<uint32_t, 766> somme{};
        for (std::size_t s = 0; s < 766; ++s) somme[s] = h0[s] + h1[s] + h2[s] + h3[s];
        cumul.Ajouter(somme);
    });
    THistFin h{};
    std::array<int64_t, 256> l{};
    for (std::size_t s = 0; s < 766; ++s) l[s / 3] += cumul.total[s];
    for (std::size_t v = 0; v < 256; ++v) h[v] = int32_t(l[v]);
    return h;
}

THistCanaux HistCanaux(const TPtImg *pixels, std::size_t n) {
    // Two pixels are six bytes B G R B G R: counted as three 16-bit pairs
    // (B0 G0), (R0 B1), (G1 R1), one counter update per pair instead of one
    // per byte. Each pair table is 256 KB and stays in the second-level cache;
    // the channel counts are read back from the tables' rows and columns.
    CumulHist<768> cumul; // Rouge, Vert, Bleu
    PourTranches(n, [&](std::size_t debut, std::size_t fin) {
        // Below a few thousand pixels, filling and reading back the pair
        // tables (786 KB) costs more than counting byte by byte.
        if (fin - debut < 16384) {
            std::array<uint32_t, 768> somme{};
            const uint8_t *o = reinterpret_cast<const uint8_t *>(pixels + debut);
            for (std::size_t i = debut; i < fin; ++i, o += 3) {
                ++somme[512 + o[0]];
                ++somme[256 + o[1]];
                ++somme[o[2]];
            }
            cumul.Ajouter(somme);
            return;
        }
        constexpr std::size_t Paire = 65536 + 64; // the gap keeps the tables off each other's cache sets
        std::vector<uint32_t> tables(3 * Paire, 0);
        uint32_t *bv = tables.data(), *rb = bv + Paire, *vr = rb + Paire;
        std::array<uint32_t, 768> somme{};
        uint32_t *rouge = somme.data(), *vert = rouge + 256, *bleu = vert + 256;
        const uint8_t *o = reinterpret_cast<const uint8_t *>(pixels + debut);
        std::size_t i = debut;
        for (; i + 2 <= fin; i += 2, o += 6) {
            ++bv[o[0] | (o[1] << 8)];
            ++rb[o[2] | (o[3] << 8)];
            ++vr[o[4] | (o[5] << 8)];
        }
        if (i < fin) {
            ++bleu[o[0]];
            ++vert[o[1]];
            ++rouge[o[2]];
        }
        for (std::size_t haut = 0; haut < 256; ++haut)
            for (std::size_t bas = 0; bas < 256; ++bas) {
                const std::size_t k = haut * 256 + bas;
                bleu[bas] += bv[k];
                vert[haut] += bv[k];
                rouge[bas] += rb[k];
                bleu[haut] += rb[k];
                vert[bas] += vr[k];
                rouge[haut] += vr[k];
            }
        cumul.Ajouter(somme);
    });
    THistCanaux res;
    for (std::size_t v = 0; v < 256; ++v) {
        res.Rouge[v] = int32_t(cumul.total[v]);
        res.Vert[v] = int32_t(cumul.total[256 + v]);
        res.Bleu[v] = int32_t(cumul.total[512 + v]);
    }
    return res;
}

void LissageHist(const THistFin &src, THistFin &dst) {
    THistFin res{};
    for (int j = 5; j <= 250; ++j) {
        const int64_t somme = int64_t(src[j - 2]) + src[j - 1] + src[j] + src[j + 1] + src[j + 2];
        res[j] = int32_t(Round(Reel(somme) / 5));
    }
    dst = res; // src and dst may be the same histogram
}

TProfilS ProfilDe(const THistFin &h) {
    TProfilS S;
    for (std::size_t i = 0; i < 256; ++i) S[i] = h[i];
    return S;
}

Reel Seuil(const TProfilS &S) {
    Reel somme = 0;
    for (double s : S) somme += s;
    return somme / 256 / 10;
}

// --- Levels ---------------------------------------------------------------

TNiveaux CorrectionNiveaux(const TProfilS &S, Reel T) {
    TNiveaux niv{};
    niv.Bas = 250;
    for (int j = 5; j <= 250; ++j)
        if (S[j] > T) {
            niv.Bas = j - 1;
            break;
        }
    niv.Haut = 5;
    for (int j = 250; j >= 5; --j)
        if (S[j] > T) {
            niv.Haut = j + 1;
            break;
        }
    niv.Decalage = 128 - Div(niv.Bas + niv.Haut, 2);
    // hi - lo is never 0: with a bin above T, hi - lo >= 2; without, it is -245.
    niv.Facteur = Reel(255) / Reel(niv.Haut - niv.Bas);
    niv.Etirer = niv.Facteur > 1.05L;
    return niv;
}

TTableNiv TableIdentite() {
    TTableNiv t;
    for (int v = 0; v < 256; ++v) t[v] = uint8_t(v);
    return t;
}

TTableNiv DecalageNiv(int32_t decalage) {
    TTableNiv t;
    for (int v = 0; v < 256; ++v) t[v] = Limiter(int64_t(v) + decalage);
    return t;
}

TTableNiv EtirementNiv(Reel f) {
    TTableNiv t;
    for (int v = 0; v < 256; ++v) t[v] = Octet(f * Reel(v - 128) + 128);
    return t;
}

TTableNiv Composer(const TTableNiv &avant, const TTableNiv &apres) {
    TTableNiv t;
    for (int v = 0; v < 256; ++v) t[v] = apres[avant[v]];
    return t;
}

TTableNiv TableNiveaux(const TNiveaux &niv) {
    const TTableNiv decale = DecalageNiv(niv.Decalage);
    return niv.Etirer ? Composer(decale, EtirementNiv(niv.Facteur)) : decale;
}

namespace {
TTableNiv *TableDuCanal(int canal, TTablesCanaux &tables) {
    switch (canal) {
    case 1: return &tables.Rouge;
    case 2: return &tables.Vert;
    case 3: return &tables.Bleu;
    default: return nullptr;
    }
}
} // namespace

void DecalageCanal(int canal, int32_t decalage, TTablesCanaux &tables) {
    if (TTableNiv *t = TableDuCanal(canal, tables)) *t = Composer(*t, DecalageNiv(decalage));
}

void EtirementCanal(int canal, Reel f, TTablesCanaux &tables) {
    if (TTableNiv *t = TableDuCanal(canal, tables)) *t = Composer(*t, EtirementNiv(f));
}

void AppliquerTable(TPtImg *pixels, std::size_t n, const TTableNiv &table) {
    if (table == TableIdentite()) return;
    AppliquerTableOctets(reinterpret_cast<uint8_t *>(pixels), n * 3, table.data());
}

void AppliquerTables(TPtImg *pixels, std::size_t n, const TTablesCanaux &tables) {
    const TTableNiv id = TableIdentite();
    if (tables.Rouge == id && tables.Vert == id && tables.Bleu == id) return;
    AppliquerTablesPixels(pixels, n, tables.Bleu.data(), tables.Vert.data(), tables.Rouge.data());
}

// --- Two-peak analysis ----------------------------------------------------

THist ProfilGrossier(const TProfilS &S) {
    constexpr int n = 256 / 5; // 51
    THist H(n + 1, 0);
    for (int j = 1; j < n; ++j) {
        int64_t somme = 0;
        for (int k = -4; k <= 4; ++k) somme += Round(S[5 * j + k]);
        H[j] = int32_t(Div<int64_t>(somme, 9));
    }
    return H;
}

TTMinMax ChercherExtremums(const THist &H, Reel T) {
    TTMinMax L;
    bool chercheMax = true;
    int dernier = -5;
    auto noter = [&](bool estMax, int i) {
        L.push_back({estMax, double(i) / 51, double(H[i])});
        dernier = i;
        chercheMax = !estMax;
    };
    for (int i = 1; i <= 50; ++i) {
        if (chercheMax) {
            if (H[i] > H[i + 1] && H[i] > T && i > dernier + 5) noter(true, i);
        } else {
            if (H[i + 1] > H[i] && i > dernier + 5) noter(false, i);
        }
    }
    return L;
}

void ReduireExtremums(TTMinMax &L) {
    if (L.empty()) return;
    double M = L[0].Valeur;
    for (const TMinMax &e : L) M = std::max(M, e.Valeur);
    TTMinMax gardes;
    for (const TMinMax &e : L)
        if (Reel(e.Valeur) > Reel(M) / 10) gardes.push_back(e);
    L = std::move(gardes);
    if (L.size() < 2) return;

    // Largest value, the earliest on ties; then the largest of the others.
    std::size_t premier = 0;
    for (std::size_t i = 1; i < L.size(); ++i)
        if (L[i].Valeur > L[premier].Valeur) premier = i;
    std::size_t second = premier == 0 ? 1 : 0;
    for (std::size_t i = 0; i < L.size(); ++i)
        if (i != premier && L[i].Valeur > L[second].Valeur) second = i;
    const TMinMax A = L[std::min(premier, second)], B = L[std::max(premier, second)];
    // Written in place and shortened by erase (L holds two or more): GCC 14
    // takes an assignment from a braced list here for a read past the list, and
    // GCC 12 a resize's growing path for a write past it (-Warray-bounds).
    if (A.PosRel < 0.25 && B.PosRel > 0.75) {
        L[0] = A;
        L[1] = B;
        L.erase(L.begin() + 2, L.end());
    } else {
        L[0] = L[premier];
        L.erase(L.begin() + 1, L.end());
    }
}

TTMinMax AnalyseBimodale(const TProfilS &S, Reel T) {
    TTMinMax L = ChercherExtremums(ProfilGrossier(S), T);
    ReduireExtremums(L);
    return L;
}

void DemiCourbe(bool basse, double p, TTableNiv &table) {
    const Reel s = basse ? 2 * Reel(p) : 2 * (1 - Reel(p));
    const Reel B = 127 / (1 - std::exp(-0.5L / s));
    const Reel K = (1.0L / 254) / s;
    for (int i = 0; i <= 127; ++i) {
        const Reel y = B * (1 - std::exp(-K * Reel(i)));
        if (basse)
            table[i] = Octet(y);
        else
            table[255 - i] = Octet(255 - y);
    }
}

TTableNiv CourbeDeuxPics(double pBas, double pHaut) {
    TTableNiv t{};
    DemiCourbe(true, pBas, t);
    DemiCourbe(false, pHaut, t);
    return t;
}

// --- The operations -------------------------------------------------------

void AjustAutoLum(TPtImg *pixels) {
    const TPtsImg ref = TPtsImg::Referencer(pixels);
    AjustAutoLumPixels(ref.data(), Nombre(ref));
}

void AjustAutoLumPixels(TPtImg *pixels, std::size_t n) {
    THistFin lisse;
    LissageHist(HistLuminance(pixels, n), lisse);
    const TProfilS S = ProfilDe(lisse);
    const Reel T = Seuil(S);
    const TTMinMax L = AnalyseBimodale(S, T);
    if (L.size() == 2)
        AppliquerTable(pixels, n, CourbeDeuxPics(L[0].PosRel, L[1].PosRel));
    else if (L.size() == 1)
        AppliquerTable(pixels, n, TableNiveaux(CorrectionNiveaux(S, T)));
}

void AjustAutoCoul(TPtImg *pixels) {
    const TPtsImg ref = TPtsImg::Referencer(pixels);
    AjustAutoCoulPixels(ref.data(), Nombre(ref));
}

void AjustAutoCoulPixels(TPtImg *pixels, std::size_t n) {
    // Every histogram is taken before any pixel changes, so the three
    // corrections are independent and go through the pixels in one pass.
    const THistCanaux h = HistCanaux(pixels, n);
    TTablesCanaux tables;
    const THistFin *parCanal[3] = {&h.Rouge, &h.Vert, &h.Bleu};
    for (int canal = 1; canal <= 3; ++canal) {
        THistFin lisse;
        LissageHist(*parCanal[canal - 1], lisse);
        const TProfilS S = ProfilDe(lisse);
        const TNiveaux niv = CorrectionNiveaux(S, Seuil(S));
        DecalageCanal(canal, niv.Decalage, tables);
        if (niv.Etirer) EtirementCanal(canal, niv.Facteur, tables);
    }
    AppliquerTables(pixels, n, tables);
}

} // namespace velmora
