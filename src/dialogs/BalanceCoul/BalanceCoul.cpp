#include "BalanceCoul.h"

#include "imaging/ParamCoul.h"
#include "imaging/TablesOctets.h"

#include <algorithm>

namespace velmora::balancecoul {

namespace {

int32_t Borner(int32_t position) { return std::clamp(position, 0, NbTempCoul - 1); }

// Channel sums: 64 bits, so that no zone, however large, wraps them.
struct Sommes {
    int64_t R = 0, V = 0, B = 0, L = 0;
};

} // namespace

TRVB TeinteDe(int32_t position) {
    const TCanaux c = CanauxDeTColor(TTempCoul[Borner(position)].Couleur);
    return {Reel(c.Rouge) / 255, Reel(c.Vert) / 255, Reel(c.Bleu) / 255};
}

std::string TexteTeinteEquil(int32_t position) {
    return " Teinte d'\xC3\xA9quilibrage  T = " +
           std::to_string(TTempCoul[Borner(position)].Temperature) + " \xC2\xB0K ";
}

std::optional<TRVB> FacteursZone(const TPtImg *zone, std::size_t n, LumRef lumRef,
                                 bool saturationAutorisee, const TRVB &teinte) {
    if (n == 0) return std::nullopt;
    Sommes s;
    for (std::size_t i = 0; i < n; ++i) {
        TCanauxLum c;
        if (lumRef == LumRef::Maxi)
            CanauxMaxi(ValeurDe(zone[i]), c);
        else
            c = CanauxMoyenne(ValeurDe(zone[i]));
        s.R += c.Rouge;
        s.V += c.Vert;
        s.B += c.Bleu;
        s.L += c.Lum;
    }
    const int64_t nn = int64_t(n);
    int64_t mR = s.R / nn, mV = s.V / nn, mB = s.B / nn;
    const int64_t mL = s.L / nn;
    if (mL == 0) return std::nullopt;  // a black zone
    if (mR == 0) mR = 1;
    if (mV == 0) mV = 1;
    if (mB == 0) mB = 1;
    TRVB k{Reel(mR) / Reel(mL), Reel(mV) / Reel(mL), Reel(mB) / Reel(mL)};
    k.Rouge = k.Rouge / teinte.Rouge;
    k.Vert = k.Vert / teinte.Vert;
    k.Bleu = k.Bleu / teinte.Bleu;
    if (!saturationAutorisee) {
        // The smallest, compared (and taken) as doubles; the extended factors divided by it.
        const double m = std::min({double(k.Rouge), double(k.Vert), double(k.Bleu)});
        k.Rouge = k.Rouge / m;
        k.Vert = k.Vert / m;
        k.Bleu = k.Bleu / m;
    }
    return k;
}

std::optional<TRVB> MoyenneZone(const TPtImg *zone, std::size_t n, const TRVB &teinte) {
    if (n == 0) return std::nullopt;
    Sommes s;
    for (std::size_t i = 0; i < n; ++i) {
        const TCanaux c = CanauxDePixel(ValeurDe(zone[i]));
        s.R += c.Rouge;
        s.V += c.Vert;
        s.B += c.Bleu;
    }
    const int64_t nn = int64_t(n);
    return TRVB{Reel(s.R / nn) * teinte.Rouge, Reel(s.V / nn) * teinte.Vert,
                Reel(s.B / nn) * teinte.Bleu};
}

Tables TablesZone(const TRVB &k) {
    Tables t;
    for (int c = 0; c < 256; ++c) {
        // Never negative: the factors are positive.
        t.Rouge[c] = Octet(Reel(c + 1) / k.Rouge);
        t.Vert[c] = Octet(Reel(c + 1) / k.Vert);
        t.Bleu[c] = Octet(Reel(c + 1) / k.Bleu);
    }
    return t;
}

std::optional<Tables> TablesDeuxZones(const TRVB &claire, const TRVB &sombre) {
    if (claire.Rouge == sombre.Rouge || claire.Vert == sombre.Vert || claire.Bleu == sombre.Bleu)
        return std::nullopt;
    Tables t;
    for (int c = 0; c < 256; ++c) {
        t.Rouge[c] = Octet((Reel(c) - sombre.Rouge) * 255 / (claire.Rouge - sombre.Rouge));
        t.Vert[c] = Octet((Reel(c) - sombre.Vert) * 255 / (claire.Vert - sombre.Vert));
        t.Bleu[c] = Octet((Reel(c) - sombre.Bleu) * 255 / (claire.Bleu - sombre.Bleu));
    }
    return t;
}

void AppliqueZone(const TPtImg *copie, TPtImg *dest, std::size_t n, const TRVB &k) {
    const Tables t = TablesZone(k);
    AppliquerTablesPixels(copie, dest, n, t.Bleu.data(), t.Vert.data(), t.Rouge.data());
}

bool AppliqueDeuxZones(const TPtImg *copie, TPtImg *dest, std::size_t n, const TRVB &claire,
                       const TRVB &sombre) {
    const auto t = TablesDeuxZones(claire, sombre);
    if (!t) return false;
    AppliquerTablesPixels(copie, dest, n, t->Bleu.data(), t->Vert.data(), t->Rouge.data());
    return true;
}

TImage BandeCouleurs() {
    TImage bande(LargeurBande, HauteurBande);
    for (int32_t i = 0; i < NbTempCoul; ++i) {
        const TCanaux c = CanauxDeTColor(TTempCoul[i].Couleur);
        bande.RectanglePlein({4 * i, 0, 4, HauteurBande},
                             TPtImg{uint8_t(c.Bleu), uint8_t(c.Vert), uint8_t(c.Rouge)});
    }
    return bande;
}

} // namespace velmora::balancecoul
