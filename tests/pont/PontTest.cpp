// The bridge's run of an operation without GIMP: the plug-in loaded as the
// bridge loads it, its dialogs answered in this process (Qt offscreen), and a
// recording drawable in GIMP's place.
#include "Pont.h"
#include "FenetreZones.h"
#include "VueImage.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using velmora::gimp::Argument;
using velmora::gimp::ICalque;
using velmora::gimp::Issue;
using velmora::gimp::Pont;
using velmora::gimp::Region;

namespace {

struct CalqueEnregistreur : ICalque {
    std::vector<std::vector<uint8_t>> montres, valides;
    int remis = 0;
    void Montrer(const std::vector<uint8_t> &o) override { montres.push_back(o); }
    void Valider(const std::vector<uint8_t> &o) override { valides.push_back(o); }
    void Remettre() override { ++remis; }
};

// 6 x 4 pixels, R G B A, every alpha different.
Region RegionRVBA() {
    Region r;
    r.largeur = 6;
    r.hauteur = 4;
    r.canaux = 4;
    for (int i = 0; i < 24; ++i)
        r.octets.insert(r.octets.end(), {uint8_t(10 * i), uint8_t(200 - 7 * i), uint8_t(3 * i + 40),
                                         uint8_t(i + 100)});
    return r;
}

QWidget *Visible(const char *nom) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QLatin1String(nom)) return w;
    return nullptr;
}

// Once the window `nom` is shown, runs `action` on it (from the event loop
// that the run is inside).
void Quand(const char *nom, std::function<void(QWidget *)> action) {
    auto *t = new QTimer;
    QObject::connect(t, &QTimer::timeout, [=] {
        if (QWidget *w = Visible(nom)) {
            t->stop();
            t->deleteLater();
            action(w);
        }
    });
    t->start(10);
}

void Cliquer(QWidget *w, const char *nom) {
    auto *b = w->findChild<QAbstractButton *>(QLatin1String(nom));
    ASSERT_NE(b, nullptr) << nom;
    b->click();
}

class PontSansGimp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char nom[] = "velmora_pont_tests";
        static char *argv[] = {nom, nullptr};
        if (!QCoreApplication::instance()) new QApplication(argc, argv);
        pont_ = new Pont;
        ASSERT_TRUE(pont_->Charger(std::getenv("VELMORA_PLUGIN"))) << pont_->Erreur();
    }
    static void TearDownTestSuite() {
        delete pont_;
        pont_ = nullptr;
    }
    static Pont *pont_;
};
Pont *PontSansGimp::pont_ = nullptr;

} // namespace

TEST_F(PontSansGimp, MenuDuModule) {
    const auto menu = pont_->Menu();
    ASSERT_EQ(menu.size(), 9u);
    EXPECT_EQ(menu[0], "Inversion");
    EXPECT_EQ(menu[3], "Ajustement manuel Luminosité"); // decoded from Windows-1252
    EXPECT_EQ(menu[8], "MonoChrome");
}

// A direct operation in a script: one result, transparency as it was.
TEST_F(PontSansGimp, InversionHorsInteractifGardeLaTransparence) {
    const Region r = RegionRVBA();
    CalqueEnregistreur c;
    const Issue issue = pont_->Executer(1, r, c, false);
    EXPECT_EQ(issue.statut, Issue::Reussi);
    EXPECT_TRUE(issue.modifie);
    ASSERT_EQ(c.valides.size(), 1u);
    EXPECT_TRUE(c.montres.empty() && c.remis == 0);
    const auto &o = c.valides[0];
    for (std::size_t i = 0; i < o.size(); ++i)
        EXPECT_EQ(o[i], i % 4 == 3 ? r.octets[i] : uint8_t(255 - r.octets[i])) << i;
}

// A dialog operation in a script: its settings, no dialog, one result with
// transparency kept; bad settings are a calling error that touches nothing.
TEST_F(PontSansGimp, DialogueHorsInteractifSurSesReglages) {
    const Region r = RegionRVBA();
    CalqueEnregistreur c;
    const std::string sepia = "teinte=sepia\n";
    std::string appliques;
    Issue issue = pont_->Executer(9, r, c, false, &sepia, &appliques);
    EXPECT_EQ(issue.statut, Issue::Reussi) << issue.message;
    ASSERT_EQ(c.valides.size(), 1u);
    EXPECT_TRUE(c.montres.empty() && c.remis == 0);
    EXPECT_EQ(appliques, sepia);
    bool change = false;
    for (std::size_t i = 0; i < r.octets.size(); ++i) {
        if (i % 4 == 3)
            EXPECT_EQ(c.valides[0][i], r.octets[i]) << i;
        else
            change |= c.valides[0][i] != r.octets[i];
    }
    EXPECT_TRUE(change);

    CalqueEnregistreur refus;
    const std::string faux = "teinte=$12\n";
    issue = pont_->Executer(9, r, refus, false, &faux);
    EXPECT_EQ(issue.statut, Issue::ErreurAppel);
    EXPECT_NE(issue.message.find("« teinte »"), std::string::npos) << issue.message;
    EXPECT_TRUE(refus.valides.empty() && refus.montres.empty() && refus.remis == 0);
}

// GIMP's arguments and the settings text: a rectangle as four integers in the
// layer, moved into the selection's coordinates and back.
TEST_F(PontSansGimp, ArgumentsDesReglages) {
    EXPECT_TRUE(pont_->Arguments(1).empty());
    const std::vector<Argument> a = pont_->Arguments(7);
    std::vector<std::string> noms;
    for (const Argument &x : a) noms.push_back(x.nom);
    const std::vector<std::string> attendus = {
        "temperature",      "lumref",           "saturation",          "zone-claire-x",
        "zone-claire-y",    "zone-claire-largeur", "zone-claire-hauteur", "zone-sombre-x",
        "zone-sombre-y",    "zone-sombre-largeur", "zone-sombre-hauteur", "temperature-sombre"};
    EXPECT_EQ(noms, attendus);
    const std::vector<std::string> valeurs = {"5000", "maxi", "", "40", "30", "12", "9",
                                              "0",    "0",    "0", "0",  "0"};
    const std::string texte = pont_->ReglagesDe(7, valeurs, 30, 20);
    EXPECT_EQ(texte, "temperature=5000\nlumref=maxi\nzone-claire=10,10,12,9\ntemperature-sombre=0\n");
    std::vector<std::string> retour = pont_->ValeursDe(7, texte, 30, 20);
    retour[2] = "";  // the default comes back as its text
    EXPECT_EQ(retour, valeurs);
}

// The grain shows its computations as they come; closed with Annuler, the
// pixels of the opening go back and no result is kept.
TEST_F(PontSansGimp, GrainMontreSesCalculsPuisRemetLOriginal) {
    const Region r = RegionRVBA();
    CalqueEnregistreur c;
    Quand("AjoutGrain", [](QWidget *d) {
        d->findChild<QSlider *>(QStringLiteral("NivBr"))->setValue(200); // a strong grain
        Cliquer(d, "PseudoAlea");                                        // computed now
        Cliquer(d, "Annuler");
    });
    const Issue issue = pont_->Executer(8, r, c, true);
    EXPECT_EQ(issue.statut, Issue::Reussi);
    EXPECT_FALSE(issue.modifie);
    ASSERT_FALSE(c.montres.empty());
    EXPECT_NE(c.montres.back(), r.octets);
    for (std::size_t i = 3; i < r.octets.size(); i += 4)
        EXPECT_EQ(c.montres.back()[i], r.octets[i]);
    EXPECT_TRUE(c.valides.empty());
    EXPECT_EQ(c.remis, 1);
}

// The colour balance: the bridge's zone window opens beside the dialog; a
// zone dragged there corrects the pixels (shown at once), Appliquer keeps the
// last correction and the run ends with the window closed. Each zone is cut
// from the pixels of the opening, not from the last correction: the same zone
// dragged twice gives what it gives once.
TEST_F(PontSansGimp, BalanceAvecUneZoneDeLaFenetreDuPont) {
    const Region r = RegionRVBA();
    for (int fois : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "zone dragged " << fois << " time(s)");
        CalqueEnregistreur c;
        int zonesEnvoyees = 0;
        Quand("FenetreZones", [&](QWidget *f) {
            auto *vue = static_cast<velmora::gimp::FenetreZones *>(f)->Vue();
            EXPECT_EQ(vue->Image().size(), QSize(6, 4));
            EXPECT_TRUE(vue->SelectionZone());
            for (int i = 0; i < fois; ++i, ++zonesEnvoyees)
                Q_EMIT vue->ZoneChoisie(QRect(1, 1, 3, 2), Qt::NoModifier);
            Cliquer(Visible("BalCoul"), "Appliquer");
        });
        std::string appliques;
        const std::string depart;  // the dialog's defaults
        const Issue issue = pont_->Executer(7, r, c, true, &depart, &appliques);
        EXPECT_EQ(zonesEnvoyees, fois);
        EXPECT_EQ(issue.statut, Issue::Reussi);
        EXPECT_TRUE(issue.modifie);
        ASSERT_EQ(c.montres.size(), std::size_t(fois));
        EXPECT_NE(c.montres[0], r.octets);
        EXPECT_EQ(c.montres.back(), c.montres[0]);
        ASSERT_EQ(c.valides.size(), 1u);
        EXPECT_EQ(c.valides[0], c.montres[0]);
        EXPECT_EQ(Visible("FenetreZones"), nullptr);

        // The zone comes back as a rectangle; Repeat with those settings gives
        // the same bytes with no dialog.
        EXPECT_NE(appliques.find("zone-claire=1,1,3,2\n"), std::string::npos) << appliques;
        CalqueEnregistreur repete;
        const Issue encore = pont_->Executer(7, r, repete, false, &appliques);
        EXPECT_EQ(encore.statut, Issue::Reussi) << encore.message;
        ASSERT_EQ(repete.valides.size(), 1u);
        EXPECT_EQ(repete.valides[0], c.valides[0]);
    }
}

// The dialog opens on the last settings applied, and gives back those of its
// "Appliquer".
TEST_F(PontSansGimp, DialogueOuvertSurLesDerniersReglages) {
    const Region r = RegionRVBA();
    CalqueEnregistreur c;
    int gamma = 0;
    Quand("AjustCoul", [&](QWidget *d) {
        auto *s = d->findChild<QSlider *>(QStringLiteral("PosGamma"));
        ASSERT_NE(s, nullptr);
        gamma = s->value();
        d->findChild<QSlider *>(QStringLiteral("PosSaturation"))->setValue(40);
        Cliquer(d, "Appliquer");
    });
    const std::string derniers = "gamma=-7\nluminosite=62\n";
    std::string appliques;
    const Issue issue = pont_->Executer(2, r, c, true, &derniers, &appliques);
    EXPECT_EQ(issue.statut, Issue::Reussi);
    EXPECT_TRUE(issue.modifie);
    EXPECT_EQ(gamma, -7);
    EXPECT_EQ(appliques, "gamma=-7\ncontraste=50\nluminosite=62\nsaturation=40\n");
}
