// TBalCoul's flows against a recording fake of its form: modeless opening, zones
// as the host delivers them, the prompt between two picks, reset, closing.
#include "FormeFactice.h"
#include "dialogs/BalanceCoul/BalanceCoulDialogue.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using essai::Banc;
using essai::Notice;
using essai::Notices;

TPtImg P(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }
std::vector<TPtImg> Pixels(const TPtsImg &t) { return {t.begin(), t.end()}; }

const char *const Invite = "Information S\xC3\xA9lectionnez la zone sombre : m\xC3\xAAme "
                           "m\xC3\xA9thode + touche \"CTRL\"";

struct BalanceFlux : ::testing::Test {
    Banc<TBalCoul> banc;
    TBalCoul &d = banc.dialogue;
    essai::FormeFactice &f = *banc.forme;
    Notices notices;
    // 3 x 2: the pixels of the examples.
    const std::vector<TPtImg> original = {P(100, 100, 100), P(100, 50, 50), P(125, 125, 125),
                                          P(50, 125, 200),  P(100, 100, 0), P(255, 254, 0)};
    TPtsImg img = banc.Tableau(original);

    // The changed flag cleared first, as every XchgData does (an earlier test may
    // have left it set).
    void Ouvrir() {
        ImageModifiee = false;
        d.Lancer(img.data(), {3, 2});
    }
    // A zone as the host cuts it out: a counted array of its pixels.
    void Zone(const std::vector<TPtImg> &pixels) {
        TPtsImg z = banc.Tableau(pixels);
        d.RecoitZone(z.data(), img.data());
    }
    void ZoneUniforme(TPtImg p, int n = 4) { Zone(std::vector<TPtImg>(std::size_t(n), p)); }
};

TEST_F(BalanceFlux, OpensModelessAndAsksForZones) {
    Ouvrir();
    EXPECT_EQ(f.journal, (std::vector<std::string>{"NonModal"}));
    EXPECT_TRUE(d.Ouvert());
    EXPECT_EQ(*notices, (std::vector<Notice>{{3, 2, true, false, false}}));
    EXPECT_EQ(f.TexteDe("TeinteEquil"), " Teinte d'\xC3\xA9quilibrage  T = 6700 \xC2\xB0K ");
    EXPECT_EQ(f.Position("TempCoul"), 37);
    EXPECT_EQ(f.images.at("Couleurs"), balancecoul::BandeCouleurs());  // FormCreate
    EXPECT_EQ(d.EtatZone(), 1);
    for (const char *g : {"LumRef", "SatCoul", "ZoneRef"}) {
        EXPECT_EQ(f.Index(g), 0) << g;
        EXPECT_TRUE(f.controles.at(g).actif) << g;
    }
}

// The single-zone examples, each through the slider and the radio groups.
TEST_F(BalanceFlux, SingleZoneExamples) {
    const struct {
        const char *cas;
        TPtImg zone;
        int lumRef, satCoul;
        std::size_t pixel;
        TPtImg attendu;
    } cas[] = {
        {"grey at 6200 K", P(100, 100, 100), 0, 0, 0, P(101, 97, 97)},
        {"coloured, saturation allowed", P(100, 50, 50), 0, 1, 1, P(67, 65, 65)},
        {"coloured, not allowed", P(100, 50, 50), 0, 0, 1, P(53, 51, 51)},
        {"blue mean 0 counts as 1", P(100, 100, 0), 0, 1, 4, P(67, 64, 63)},
        {"max reference", P(100, 50, 50), 1, 1, 1, P(101, 98, 98)},
    };
    Ouvrir();
    for (const auto &c : cas) {
        Notices n;
        f.Glisser("TempCoul", 32);
        f.Choisir("LumRef", c.lumRef);
        f.Choisir("SatCoul", c.satCoul);
        ZoneUniforme(c.zone);
        EXPECT_EQ(img[c.pixel], c.attendu) << c.cas;
        EXPECT_EQ(*n, (std::vector<Notice>{{3, 2, false, true, false}})) << c.cas;
    }
    // Every correction from the copy: the grey zone again gives its result again.
    f.Choisir("LumRef", 0);
    ZoneUniforme(P(100, 100, 100));
    EXPECT_EQ(img[0], P(101, 97, 97));
}

TEST_F(BalanceFlux, TheSliderChangesTheCaptionNotTheImage) {
    Ouvrir();
    f.Glisser("TempCoul", 0);
    EXPECT_EQ(f.TexteDe("TeinteEquil"), " Teinte d'\xC3\xA9quilibrage  T = 3000 \xC2\xB0K ");
    EXPECT_EQ(d.TeinteRVB().Vert, 180.0L / 255);
    f.Glisser("TempCoul", 37);
    EXPECT_EQ(f.TexteDe("TeinteEquil"), " Teinte d'\xC3\xA9quilibrage  T = 6700 \xC2\xB0K ");
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(notices->size(), 1u);
}

TEST_F(BalanceFlux, TwoZonesWithThePromptBetween) {
    Ouvrir();
    f.Glisser("TempCoul", 32);
    f.Choisir("ZoneRef", 1);
    EXPECT_FALSE(f.controles.at("LumRef").actif);
    EXPECT_FALSE(f.controles.at("SatCoul").actif);
    ZoneUniforme(P(200, 200, 200));
    // The prompt, answered; nothing written, nothing told, the method locked.
    EXPECT_EQ(f.journal.back(), Invite);
    EXPECT_EQ(d.EtatZone(), 2);
    EXPECT_FALSE(f.controles.at("ZoneRef").actif);
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(notices->size(), 1u);
    ZoneUniforme(P(50, 50, 50), 3);
    EXPECT_EQ(img[2], P(128, 136, 136));  // 127.5 -> 128
    EXPECT_EQ(img[3], P(0, 136, 255));    // blue 268.9 clamped
    EXPECT_EQ(d.EtatZone(), 1);
    EXPECT_TRUE(f.controles.at("ZoneRef").actif);
    EXPECT_EQ(notices->back(), (Notice{3, 2, false, true, false}));
    EXPECT_EQ(d.ZoneSombre().Rouge, 50.0L);
}

// Zones the formulas cannot divide by: ignored, everything left as it was.
TEST_F(BalanceFlux, DegenerateZonesAreIgnored) {
    Ouvrir();
    const std::size_t avant = notices->size();
    Zone({});                           // empty
    ZoneUniforme(P(0, 0, 0));           // black: mL = 0
    ZoneUniforme(P(1, 0, 1));           // mL = 2 div 3 = 0
    d.RecoitZone(nullptr, img.data());  // no array at all
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(notices->size(), avant);
    EXPECT_EQ(d.EtatZone(), 1);

    f.Choisir("ZoneRef", 1);
    Zone({});
    EXPECT_EQ(d.EtatZone(), 1);
    EXPECT_TRUE(f.controles.at("ZoneRef").actif);
    ZoneUniforme(P(200, 100, 150));
    ASSERT_EQ(d.EtatZone(), 2);
    ZoneUniforme(P(50, 100, 20));  // the same green mean: ignored, still waiting
    EXPECT_EQ(d.EtatZone(), 2);
    EXPECT_FALSE(f.controles.at("ZoneRef").actif);
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(notices->size(), avant);
    ZoneUniforme(P(50, 50, 20));  // a usable dark zone
    EXPECT_EQ(d.EtatZone(), 1);
    EXPECT_NE(Pixels(img), original);
}

TEST_F(BalanceFlux, CancelAfterTheLightZoneThenReopen) {
    Ouvrir();
    f.Choisir("ZoneRef", 1);
    ZoneUniforme(P(200, 200, 200));
    ASSERT_EQ(d.EtatZone(), 2);
    f.Clic("Annuler");
    EXPECT_FALSE(d.Ouvert());
    EXPECT_EQ(f.journal.back(), "Fermer");
    EXPECT_EQ(notices->back(), (Notice{3, 2, false, false, true}));
    Ouvrir();
    EXPECT_EQ(d.EtatZone(), 1);
    EXPECT_EQ(f.Index("ZoneRef"), 0);
    EXPECT_TRUE(f.controles.at("ZoneRef").actif);
    EXPECT_TRUE(f.controles.at("LumRef").actif);
}

// Every notice over one opening, in order.
TEST_F(BalanceFlux, NoticesOfOneOpening) {
    Ouvrir();
    ZoneUniforme(P(100, 100, 100));
    ASSERT_NE(Pixels(img), original);
    f.Clic("ReInit");
    EXPECT_EQ(Pixels(img), original);  // the host's pixels as they were at the opening
    EXPECT_EQ(f.Position("TempCoul"), 37);
    f.Glisser("TempCoul", 32);
    ZoneUniforme(P(100, 100, 100));
    f.Clic("Appliquer");
    EXPECT_EQ(img[0], P(101, 97, 97));  // the last correction stays
    EXPECT_EQ(*notices, (std::vector<Notice>{{3, 2, true, false, false},
                                             {3, 2, false, true, false},
                                             {3, 2, false, false, false},
                                             {3, 2, false, true, false},
                                             {3, 2, false, true, true}}));
    EXPECT_EQ(f.journal, (std::vector<std::string>{"NonModal", "Fermer"}));
}

TEST_F(BalanceFlux, ReInitKeepsTheRadioGroupsAndUnlocksTheMethod) {
    Ouvrir();
    f.Choisir("LumRef", 1);
    f.Choisir("ZoneRef", 1);
    ZoneUniforme(P(200, 200, 200));
    f.Clic("ReInit");
    EXPECT_EQ(d.EtatZone(), 1);
    EXPECT_TRUE(f.controles.at("ZoneRef").actif);
    EXPECT_EQ(f.Index("LumRef"), 1);
    EXPECT_EQ(f.Index("ZoneRef"), 1);
}

// The second array replaces ImgHote; one shorter than the copy (a host fault) is
// written only as far as it goes.
TEST_F(BalanceFlux, TheSecondArrayIsTheTarget) {
    Ouvrir();
    TPtsImg autre = banc.Tableau(std::vector<TPtImg>(6, P(1, 2, 3)));
    TPtsImg court = banc.Tableau(std::vector<TPtImg>(2, P(1, 2, 3)));
    TPtsImg zone = banc.Tableau({P(100, 100, 100)});
    f.Glisser("TempCoul", 32);
    d.RecoitZone(zone.data(), autre.data());
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(autre[0], P(101, 97, 97));  // from the copy, not from this array
    d.RecoitZone(zone.data(), court.data());
    EXPECT_EQ(Pixels(court), (std::vector<TPtImg>{P(101, 97, 97), P(101, 49, 49)}));
}

// Another opening while the dialog is shown (a host that leaves its menu on):
// the new image is taken and copied and the zone request sent again, the form
// staying as the user set it; the first image is let go.
TEST_F(BalanceFlux, AnOpeningWhileShownTakesTheNewImage) {
    Ouvrir();
    f.Glisser("TempCoul", 32);
    f.Choisir("LumRef", 1);
    TPtsImg seconde = banc.Tableau({P(30, 20, 10), P(30, 20, 10)});
    d.Lancer(seconde.data(), {2, 1});
    EXPECT_TRUE(d.Ouvert());
    EXPECT_EQ(f.journal, (std::vector<std::string>{"NonModal", "NonModal"}));
    EXPECT_EQ(f.Position("TempCoul"), 32);  // FormShow has not run again
    EXPECT_EQ(f.Index("LumRef"), 1);
    EXPECT_EQ(tableau::References(img.data()), 1);
    EXPECT_EQ(tableau::References(seconde.data()), 2);
    // 6200 K: kR = 1, kG = kB = 255/245, from the new copy.
    TPtsImg zone = banc.Tableau({P(100, 100, 100)});
    d.RecoitZone(zone.data(), seconde.data());
    EXPECT_EQ(Pixels(seconde), (std::vector<TPtImg>{P(31, 20, 11), P(31, 20, 11)}));
    EXPECT_EQ(Pixels(img), original);
    f.Clic("Annuler");
    EXPECT_EQ(*notices, (std::vector<Notice>{{3, 2, true, false, false},
                                             {2, 1, true, false, false},
                                             {2, 1, false, true, false},
                                             {2, 1, false, false, true}}));
}

// The default cursor is back before the host hears of a correction: the host's
// redraw, or anything it runs from its callback, goes on under its own cursor.
TEST_F(BalanceFlux, TheCursorIsBackBeforeTheHostIsCalled) {
    static std::vector<std::string> suite;
    suite.clear();
    Ouvrir();
    InstallerCurseur({[] { suite.push_back("sablier"); }, [] { suite.push_back("normal"); }});
    InstallerNotification([](int32_t, int32_t, bool, bool, bool) { suite.push_back("rappel"); });
    ZoneUniforme(P(100, 100, 100));
    f.Choisir("ZoneRef", 1);
    ZoneUniforme(P(200, 200, 200));  // the light zone: the prompt, no notice
    ZoneUniforme(P(50, 50, 50));
    InstallerCurseur({});
    EXPECT_EQ(suite, (std::vector<std::string>{"sablier", "normal", "rappel", "sablier", "normal",
                                               "sablier", "normal", "rappel"}));
}

// The modeless form is only hidden: an event that still reaches it after the
// closing runs no handler and sends nothing.
TEST_F(BalanceFlux, AnEventAfterClosingRunsNothing) {
    Ouvrir();
    ZoneUniforme(P(100, 100, 100));
    const std::vector<TPtImg> corrige = Pixels(img);
    f.Clic("Appliquer");
    const auto avant = notices->size();
    const auto journal = f.journal;
    const std::string teinte = f.TexteDe("TeinteEquil");
    f.Clic("ReInit");
    f.Glisser("TempCoul", 10);
    f.Choisir("ZoneRef", 1);
    f.Clic("Annuler");
    f.Clic("Appliquer");
    f.Evenement("BalCoul", TTypeEvenement::Fermeture);
    EXPECT_EQ(Pixels(img), corrige);  // no reset copied back
    EXPECT_EQ(notices->size(), avant);
    EXPECT_EQ(f.journal, journal);
    EXPECT_EQ(f.TexteDe("TeinteEquil"), teinte);
    EXPECT_TRUE(f.controles.at("LumRef").actif);
}

TEST_F(BalanceFlux, AZoneAfterClosingCorrectsNothing) {
    Ouvrir();
    f.Clic("Appliquer");
    Notices n;
    ZoneUniforme(P(100, 100, 100));
    EXPECT_EQ(Pixels(img), original);
    EXPECT_EQ(*n, (std::vector<Notice>{{3, 2, false, true, false}}));
    // No prompt from a closed dialog.
    f.Choisir("ZoneRef", 1);
    ZoneUniforme(P(200, 200, 200));
    EXPECT_NE(f.journal.back(), Invite);
}

} // namespace
} // namespace velmora
