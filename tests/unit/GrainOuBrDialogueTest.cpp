// TAjoutGrain's handler flows against a recording fake of its form.
#include "FormeFactice.h"
#include "dialogs/GrainOuBr/GrainOuBrDialogue.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora {
namespace {

using essai::Banc;
using essai::Notice;
using essai::Notices;

std::vector<TPtImg> Photo(std::size_t n) {
    std::mt19937 g(21);
    std::uniform_int_distribution<int> d(40, 215);
    std::vector<TPtImg> v(n);
    for (auto &p : v) p = {uint8_t(d(g)), uint8_t(d(g)), uint8_t(d(g))};
    return v;
}

std::vector<TPtImg> Pixels(const TPtsImg &t) { return {t.begin(), t.end()}; }

struct GrainFlux : ::testing::Test {
    Banc<TAjoutGrain> banc;
    essai::FormeFactice &f = *banc.forme;
    Notices notices;
    const std::vector<TPtImg> original = Photo(20 * 12);
    TPtsImg img = banc.Tableau(original);
    void SetUp() override { grainoubr::GraineAlea = 0; }
    void Lancer() { banc.dialogue.Lancer(img.data(), {20, 12}); }
};

TEST_F(GrainFlux, OpeningShowsTheDefaultsAndComputesNothing) {
    f.separateur = ",";
    f.utilisateur = [&] {
        EXPECT_EQ(f.TexteDe("NBr"), "0 %");
        EXPECT_EQ(f.TexteDe("BC"), "50 %");
        EXPECT_EQ(f.TexteDe("DPt"), "N/3");
        EXPECT_EQ(f.TexteDe("Km1"), "1,0");
        EXPECT_EQ(f.TexteDe("Km2"), "1,0");
        EXPECT_TRUE(f.Coche("TacheAlea"));
        EXPECT_FALSE(f.Coche("PseudoAlea"));
        EXPECT_TRUE(notices->empty());
        f.Clic("Annuler");
    };
    Lancer();
    EXPECT_EQ(grainoubr::GraineAlea, 0u);  // no draw
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(*notices, (std::vector<Notice>{{20, 12, false, false, true}}));
}

TEST_F(GrainFlux, ReleaseComputesAndTellsTheHostChangeAloneDoesNot) {
    f.utilisateur = [&] {
        // The keyboard: the label follows, nothing is computed.
        f.controles.at("NivBr").position = 200;
        f.Evenement("NivBr", TTypeEvenement::Change);
        EXPECT_EQ(f.TexteDe("NBr"), "78 %");
        EXPECT_TRUE(notices->empty());
        EXPECT_EQ(Pixels(img), original);
        // The mouse let go: one computation over the whole image, then the notice.
        f.Evenement("NivBr", TTypeEvenement::Relache);
        EXPECT_NE(Pixels(img), original);
        EXPECT_EQ(*notices, (std::vector<Notice>{{20, 12, false, true, false}}));
        // Rows 0 and 11 keep their pixels (spots).
        for (int x = 0; x < 20; ++x) {
            EXPECT_EQ(img[x], original[x]);
            EXPECT_EQ(img[11 * 20 + x], original[11 * 20 + x]);
        }
        f.Clic("Appliquer");
    };
    Lancer();
    EXPECT_EQ(notices->back(), (Notice{20, 12, false, true, true}));
    EXPECT_EQ(notices->size(), 2u);
}

TEST_F(GrainFlux, EachComputationStartsFromTheUnprocessedImage) {
    f.utilisateur = [&] {
        f.Glisser("NivBr", 255);
        const auto premier = Pixels(img);
        f.Glisser("DstPt", 9);  // same level, another draw
        EXPECT_NE(Pixels(img), premier);
        f.Glisser("NivBr", 0);  // level 0: the image as it was, not the last noise
        EXPECT_EQ(Pixels(img), original);
        f.Clic("PseudoAlea");
        f.Glisser("NivBr", 255);
        const auto pseudo = Pixels(img);
        f.Glisser("NivBr", 0);
        EXPECT_EQ(Pixels(img), original);
        EXPECT_NE(pseudo, original);
        f.Clic("Annuler");
    };
    Lancer();
    EXPECT_EQ(notices->size(), 6u);
    EXPECT_EQ(notices->back(), (Notice{20, 12, false, false, true}));
}

TEST_F(GrainFlux, MethodClicksComputeOnlyOnAChange) {
    f.utilisateur = [&] {
        f.Glisser("NivBr", 100);
        const auto n = notices->size();
        f.Clic("TacheAlea");  // already selected
        EXPECT_EQ(notices->size(), n);
        f.controles.at("TacheAlea").coche = false;
        f.controles.at("PseudoAlea").coche = true;
        const auto avant = grainoubr::GraineAlea;
        f.Clic("PseudoAlea");
        EXPECT_EQ(notices->size(), n + 1);
        // The pseudo-random method: 4 draws a pixel.
        uint64_t g = avant;
        for (int i = 0; i < 4 * 240; ++i) g = (g * 134775813u + 1u) % 4294967296u;
        EXPECT_EQ(grainoubr::GraineAlea, uint32_t(g));
        f.Clic("PseudoAlea");
        EXPECT_EQ(notices->size(), n + 1);
        f.Clic("Annuler");
    };
    Lancer();
    // Reopened with the pseudo-random method left selected: selecting the spots
    // computes once, at level 0 (the image stays as it is), and tells the host.
    // (This host kept the cancelled result in its array.)
    const auto auRouvrir = Pixels(img);
    ASSERT_NE(auRouvrir, original);
    Notices n;
    f.utilisateur = [&] {
        EXPECT_TRUE(f.Coche("TacheAlea"));
        EXPECT_EQ(*n, (std::vector<Notice>{{20, 12, false, true, false}}));
        EXPECT_EQ(Pixels(img), auRouvrir);
        f.Clic("Annuler");
    };
    Lancer();
    EXPECT_EQ(n->size(), 2u);
}

TEST_F(GrainFlux, ReinitialiserRestoresDefaultsAndImage) {
    f.separateur = ".";
    f.utilisateur = [&] {
        f.Glisser("Ord1", 7);
        EXPECT_EQ(f.TexteDe("Km1"), "3.5");
        f.Glisser("TxCl", 0);
        f.Glisser("NivBr", 180);
        f.Clic("PseudoAlea");
        f.controles.at("TacheAlea").coche = false;
        f.controles.at("PseudoAlea").coche = true;
        f.Clic("PseudoAlea");
        ASSERT_NE(Pixels(img), original);
        Notices n;
        f.Clic("BitBtn1");
        EXPECT_EQ(Pixels(img), original);
        EXPECT_EQ(*n, (std::vector<Notice>{{20, 12, false, false, false}}));
        EXPECT_EQ(f.Position("Ord1"), 2);
        EXPECT_EQ(f.TexteDe("Km1"), "1.0");
        EXPECT_EQ(f.Position("NivBr"), 0);
        EXPECT_EQ(f.TexteDe("BC"), "50 %");
        EXPECT_TRUE(f.Coche("TacheAlea"));
        EXPECT_FALSE(f.Coche("PseudoAlea"));
        f.Clic("Appliquer");
    };
    Lancer();
    EXPECT_EQ(notices->back(), (Notice{20, 12, false, true, true}));
}

// On a photograph's size, with the buffers the dialog keeps from one release to
// the next and the image put back in the spots' own pass: each release gives
// the bytes the computation gives with buffers of its own over the unprocessed
// image, from the same generator state.
TEST(GrainGrandeImage, ReleasesGiveTheComputationsBytes) {
    const int32_t l = 1700, h = 1400;  // 2.4 million pixels: states of 9.5 MB
    const std::vector<TPtImg> original = Photo(std::size_t(l) * h);
    Banc<TAjoutGrain> banc;
    essai::FormeFactice &f = *banc.forme;
    TPtsImg img = banc.Tableau(original);
    grainoubr::GraineAlea = 0;
    auto attendu = [&](int32_t niveau) {
        grainoubr::Reglages r;
        r.DefinirNiveau(niveau);
        r.DefinirTxCl(5);
        r.DefinirDstPt(7);
        r.DefinirOrd1(2);
        r.DefinirOrd2(2);
        std::vector<TPtImg> sortie = original;
        grainoubr::MethodeTaches(original.data(), sortie.data(), l, h, r);
        return sortie;
    };
    f.utilisateur = [&] {
        for (int32_t niveau : {60, 200}) {
            const uint32_t graine = grainoubr::GraineAlea;
            f.Glisser("NivBr", niveau);
            const uint32_t apres = grainoubr::GraineAlea;
            grainoubr::GraineAlea = graine;
            EXPECT_TRUE(Pixels(img) == attendu(niveau)) << "level " << niveau;
            EXPECT_EQ(grainoubr::GraineAlea, apres);
        }
        f.Clic("Annuler");
    };
    banc.dialogue.Lancer(img.data(), {l, h});
}

} // namespace
} // namespace velmora
