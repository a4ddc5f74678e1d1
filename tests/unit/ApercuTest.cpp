#include "imaging/dialogue/Apercu.h"
#include "imaging/dialogue/EtatDialogue.h"
#include "imaging/dialogue/Hote.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace velmora;

namespace {

// Pixel i carries its own index (low 24 bits), so a copied pixel names its source.
TPtsImg ImageIndexee(int32_t largeur, int32_t hauteur) {
    TPtsImg img = TPtsImg::Creer(largeur * hauteur);
    for (int32_t i = 0; i < img.size(); ++i)
        img[i] = TPtImg{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)};
    return img;
}

int32_t IndexDe(TPtImg p) { return p.Bleu | (p.Vert << 8) | (p.Rouge << 16); }

struct Inverse final : RegleBloc {
    void Traiter(const TPtImg *s, TPtImg *d, std::size_t n) const override {
        for (std::size_t i = 0; i < n; ++i)
            d[i] = {uint8_t(255 - s[i].Bleu), uint8_t(255 - s[i].Vert), uint8_t(255 - s[i].Rouge)};
    }
};

std::vector<int32_t> retours;
void Retour(int32_t l, int32_t h, bool zone, bool modifiee, bool fin) {
    retours = {l, h, zone, modifiee, fin};
}

} // namespace

TEST(Apercu, Geometrie) {
    const struct {
        int32_t l, h;
        Reel echelle;
        int32_t tw, th, gauche, haut;
    } cas[] = {
        {320, 320, 1, 320, 320, 1, 1},
        {640, 480, 2, 320, 240, 1, 41},
        {100, 50, 1, 100, 50, 111, 136},
        {1000, 700, 3.125L, 320, 224, 1, 49},
        {1000, 1, 3.125L, 320, 0, 1, 161},  // Round(0.32) = 0: no thumbnail
        {1, 1000, 3.125L, 0, 320, 161, 1},
        {321, 10, 321.0L / 320, 320, 10, 1, 156},
        {0, 0, 1, 0, 0, 161, 161},
        {-5, 7, 1, 0, 7, 161, 157},  // a negative size counts as empty
        {6000, 4000, 18.75L, 320, 213, 1, 54},
    };
    for (const auto &c : cas) {
        const GeometrieApercu g = CalculerGeometrie(c.l, c.h);
        SCOPED_TRACE(testing::Message() << c.l << " x " << c.h);
        EXPECT_EQ(g.Echelle, c.echelle);
        EXPECT_EQ(g.Largeur, c.tw);
        EXPECT_EQ(g.Hauteur, c.th);
        EXPECT_EQ(g.Gauche, c.gauche);
        EXPECT_EQ(g.Haut, c.haut);
    }
}

TEST(Apercu, PlusProcheVoisinTronque) {
    const struct {
        int32_t l, h, x, y, sx, sy;
    } cas[] = {
        {640, 480, 0, 0, 0, 0},     {640, 480, 7, 5, 14, 10},  {640, 480, 319, 239, 638, 478},
        {1000, 700, 1, 1, 3, 3},    {1000, 700, 2, 2, 6, 6},   {1000, 700, 319, 223, 996, 696},
        {100, 50, 99, 49, 99, 49},  {6000, 4000, 1, 1, 18, 18},
    };
    for (const auto &c : cas) {
        const TPtsImg copie = ImageIndexee(c.l, c.h);
        const GeometrieApercu g = CalculerGeometrie(c.l, c.h);
        const TPtsImg apercu = ConstruireApercu(copie, c.l, c.h, g);
        ASSERT_EQ(apercu.size(), g.Largeur * g.Hauteur);
        EXPECT_EQ(IndexDe(apercu[std::size_t(c.y) * g.Largeur + c.x]) & 0xFFFFFF,
                  (c.sy * c.l + c.sx) & 0xFFFFFF)
            << c.l << " x " << c.h << " at " << c.x << ", " << c.y;
    }
}

// The last thumbnail row and column come from inside the image, for every size:
// checked on the scale itself, without the guard that SourceApercu adds.
TEST(Apercu, DerniereLigneEtColonneDansLImage) {
    for (int32_t n = 1; n <= 5000; ++n) {
        for (int32_t autre : {1, 7, 320, 321, 4999}) {
            const GeometrieApercu g = CalculerGeometrie(n, autre);
            if (g.Largeur > 0) {
                ASSERT_LT(Trunc(g.Echelle * (g.Largeur - 1)), n) << n << " " << autre;
            }
            if (g.Hauteur > 0) {
                ASSERT_LT(Trunc(g.Echelle * (g.Hauteur - 1)), autre) << n << " " << autre;
            }
            ASSERT_LE(g.Largeur, CoteApercu);
            ASSERT_LE(g.Hauteur, CoteApercu);
        }
    }
}

TEST(Apercu, CopieQuiNeCorrespondPasALaTaille) {
    const TPtsImg copie = ImageIndexee(10, 10);
    EXPECT_TRUE(ConstruireApercu(copie, 20, 10, CalculerGeometrie(20, 10)).empty());
    EXPECT_TRUE(ConstruireApercu(TPtsImg(), 0, 0, CalculerGeometrie(0, 0)).empty());
}

// A photograph's size: the copy is split across the cores and asks for large
// pages; every pixel still comes over, in place, and the host's stay as they were.
TEST(EtatDialogue, CopieDUneGrandeImage) {
    const int32_t l = 1999, h = 1601;  // 3.2 million pixels, 9.6 MB, an odd count
    TPtsImg hote = ImageIndexee(l, h);
    EtatDialogue e;
    e.DefinirTaille({l, h});
    e.PrendreImage(hote.data());
    ASSERT_EQ(e.Copie.size(), l * h);
    int32_t ecarts = 0;
    for (int32_t i = 0; i < l * h; ++i) {
        if (IndexDe(e.Copie[i]) != (i & 0xFFFFFF)) ++ecarts;
        if (IndexDe(hote[i]) != (i & 0xFFFFFF)) ++ecarts;
    }
    EXPECT_EQ(ecarts, 0);
}

TEST(EtatDialogue, ReferencesCopieEtFermeture) {
    TPtsImg hote1 = ImageIndexee(4, 3), hote2 = ImageIndexee(2, 2);
    EtatDialogue e;
    e.DefinirTaille({4, 3});
    e.PrendreImage(hote1.data());
    EXPECT_EQ(tableau::References(hote1.data()), 2);
    ASSERT_EQ(e.Copie.size(), 12);
    EXPECT_NE(e.Copie.data(), hote1.data());
    EXPECT_EQ(std::memcmp(e.Copie.data(), hote1.data(), 36), 0);

    // The next opening releases the previous host array.
    e.DefinirTaille({2, 2});
    e.PrendreImage(hote2.data());
    EXPECT_EQ(tableau::References(hote1.data()), 1);
    EXPECT_EQ(tableau::References(hote2.data()), 2);
    e.ConstruireApercu();
    EXPECT_EQ(e.Apercu.size(), 4);

    InstallerNotification(&Retour);
    ImageModifiee = true;
    e.Fermer();
    EXPECT_EQ(retours, (std::vector<int32_t>{2, 2, 0, 1, 1}));
    EXPECT_TRUE(e.Copie.empty());
    EXPECT_TRUE(e.Apercu.empty());
    EXPECT_EQ(tableau::References(hote2.data()), 2);  // kept until the next opening
    InstallerNotification(nullptr);
    ImageModifiee = false;
}

// Preview and "Appliquer" run the same rule: one over the thumbnail into the
// bitmap rows, one over the full copy into the host's array (all pixels, also
// when the thumbnail is empty, and across threads for a large image).
TEST(EtatDialogue, ApercuEtApplicationParLaMemeRegle) {
    for (auto [l, h] : {std::pair{1000, 1}, {640, 480}, {1200, 900}, {5, 3}}) {
        TPtsImg hote = ImageIndexee(l, h);
        EtatDialogue e;
        e.DefinirTaille({l, h});
        e.PrendreImage(hote.data());
        e.ConstruireApercu();
        const GeometrieApercu &g = e.Geometrie;
        std::vector<TPtImg> bitmap(std::size_t(g.Largeur) * g.Hauteur + 1);
        auto ligne = [&](int32_t y) { return bitmap.data() + std::size_t(y) * g.Largeur; };
        e.CopierApercu(ligne);
        if (!e.Apercu.empty()) {
            EXPECT_EQ(std::memcmp(bitmap.data(), e.Apercu.data(), 3 * std::size_t(e.Apercu.size())), 0);
        }
        Inverse regle;
        e.RafraichirApercu(regle, ligne);
        e.Appliquer(regle);
        for (int32_t y = 0; y < g.Hauteur; ++y)
            for (int32_t x = 0; x < g.Largeur; ++x) {
                const TPtImg b = bitmap[std::size_t(y) * g.Largeur + x];
                const TPtImg s = hote[std::size_t(SourceApercu(g, l, h, x, y))];
                ASSERT_EQ(std::memcmp(&b, &s, 3), 0) << x << "," << y;
            }
        for (int32_t i = 0; i < hote.size(); ++i) {
            const TPtImg c = e.Copie[i];
            ASSERT_EQ(hote[i].Bleu, 255 - c.Bleu) << i;
            ASSERT_EQ(hote[i].Rouge, 255 - c.Rouge) << i;
        }
    }
}

TEST(EtatDialogue, TexteErreurPointFinal) {
    const struct {
        const char *message, *attendu;
    } cas[] = {
        {"Fichier introuvable", "Fichier introuvable."},
        {"Fin.", "Fin."},
        {"Valeur (3)", "Valeur (3)"},      // ')' sorts below '.'
        {"Attention !", "Attention !"},    // '!' too
        {"chemin/", "chemin/."},           // '/' sorts above
        {"accès refusé", "accès refusé."},
        {"", ""},
    };
    for (const auto &c : cas) EXPECT_EQ(TexteErreur(c.message), c.attendu);
}
