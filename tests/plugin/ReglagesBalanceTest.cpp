// The colour balance's settings as data: zones as rectangles of the image, the
// hue of each pick, the options; the rule with no dialog, the same bytes as
// the dialog given the same zones, and the settings its "Appliquer" gives back.
#include "HotePlugin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

using namespace banc;

namespace {

TPtImg Px(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }

class ReglagesBalance : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
        ASSERT_NE(P().Entree(), nullptr);
    }
    Plugin &P() { return Plugin::Instance(); }
    const VelmoraEntree &E() { return *P().Entree(); }

    int32_t Appliquer(const std::string &texte, std::vector<TPtImg> &px, int32_t l, int32_t h,
                      std::string *message = nullptr) {
        char m[512] = "";
        const int32_t code = E().Appliquer(7, texte.c_str(), px.data(), l, h, m, int32_t(sizeof m));
        if (message) *message = m;
        return code;
    }
    std::string Appliques() {
        char t[1024] = "";
        return E().Appliques(7, t, int32_t(sizeof t)) > 0 ? std::string(t) : std::string();
    }
};

bool Egal(TPtImg a, TPtImg b) { return a.Bleu == b.Bleu && a.Vert == b.Vert && a.Rouge == b.Rouge; }

void Cliquer(QWidget *d, const char *nom) {
    QTest::mouseClick(Controle<QAbstractButton>(d, nom), Qt::LeftButton);
}

// Answers the next information box (the prompt for the dark zone).
void RepondreInformation() {
    QTimer::singleShot(20, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible()) {
                b->button(QMessageBox::Ok)->click();
                return;
            }
    });
}

} // namespace

// The worked cases of the rule, each zone a rectangle of the image itself.
TEST_F(ReglagesBalance, ZonesEnRectangles) {
    const struct {
        const char *reglages;
        std::vector<TPtImg> image, attendu;  // one row
    } cas[] = {
        // 6200 K, one grey zone: k = (1, 255/245, 255/245).
        {"temperature=6200;zone-claire=0,0,1,1",
         {Px(100, 100, 100), Px(0, 0, 0)},
         {Px(101, 97, 97), Px(1, 1, 1)}},
        // A coloured zone, channels allowed to saturate, then not.
        {"temperature=6200;saturation=autorisee;zone-claire=0,0,2,1",
         {Px(100, 50, 50), Px(100, 50, 50)},
         {Px(67, 65, 65), Px(67, 65, 65)}},
        {"temperature=6200;zone-claire=0,0,1,1", {Px(100, 50, 50)}, {Px(53, 51, 51)}},
        // Two zones at 6200 K: 127.5 rounds to the even 128; blue clamped.
        {"temperature=6200;zone-claire=0,0,1,1;zone-sombre=1,0,1,1",
         {Px(200, 200, 200), Px(50, 50, 50), Px(125, 125, 125), Px(50, 125, 200)},
         {Px(255, 255, 255), Px(0, 3, 3), Px(128, 136, 136), Px(0, 136, 255)}},
        // The dark zone picked at 6700 K (its own hue), the light one at 6200 K:
        // dark means (50·252/255, 50·247/255, 50).
        {"temperature=6200;zone-claire=0,0,1,1;zone-sombre=1,0,1,1;temperature-sombre=6700",
         {Px(200, 200, 200), Px(50, 50, 50), Px(125, 125, 125)},
         {Px(255, 255, 255), Px(1, 3, 0), Px(128, 136, 135)}},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.reglages);
        std::vector<TPtImg> px = c.image;
        std::string m;
        ASSERT_EQ(Appliquer(c.reglages, px, int32_t(px.size()), 1, &m), VELMORA_OK) << m;
        for (std::size_t i = 0; i < px.size(); ++i)
            EXPECT_TRUE(Egal(px[i], c.attendu[i]))
                << i << ": " << int(px[i].Rouge) << "," << int(px[i].Vert) << "," << int(px[i].Bleu);
    }
}

// Refused before any pixel moves, with a message naming the setting.
TEST_F(ReglagesBalance, ReglagesRefuses) {
    const struct {
        const char *reglages, *dansLeMessage;
    } cas[] = {
        {"", "« zone-claire »"},
        {"zone-claire=0,0,9,1", "« zone-claire »"},
        {"zone-claire=0,0,1,1;zone-sombre=7,1,2,2", "« zone-sombre »"},
        {"zone-claire=0,0,1,1;temperature=6750", "« temperature »"},
        {"zone-claire=0,0,1,1;temperature=2900", "« temperature »"},
        {"zone-claire=0,0,1,1;temperature-sombre=5000", "« temperature-sombre »"},
        {"zone-claire=0,0,1,1;lumref=mediane", "« lumref »"},
        {"zone-claire=0,0,0,1", "« zone-claire »"},
        {"zone-claire=3,0,1,1", "« zone-claire »"},  // a black zone gives no correction
        {"zone-claire=0,0,1,1;zone-sombre=0,1,1,1", "zone-sombre"},  // equal means
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.reglages);
        std::vector<TPtImg> px = {Px(90, 120, 150), Px(10, 200, 30), Px(5, 5, 5), Px(0, 0, 0),
                                  Px(90, 120, 150), Px(1, 2, 3), Px(4, 5, 6), Px(7, 8, 9)};
        const std::vector<TPtImg> avant = px;
        std::string m;
        EXPECT_EQ(Appliquer(c.reglages, px, 4, 2, &m), VELMORA_ERREUR_REGLAGES);
        EXPECT_NE(m.find(c.dansLeMessage), std::string::npos) << m;
        EXPECT_EQ(std::memcmp(px.data(), avant.data(), px.size() * 3), 0);
    }
}

// The dialog given zones as rectangles: the same bytes as the settings it
// gives back, for one zone and for two with a hue changed between the picks.
TEST_F(ReglagesBalance, MemesOctetsQueLeDialogue) {
    for (const bool deux : {false, true}) {
        SCOPED_TRACE(deux);
        Image img(41, 23);
        img.Remplir(deux ? 11 : 12);
        const std::vector<TPtImg> avant(img.pixels, img.pixels + img.size());
        P().Executer(7, img.pixels, 41, 23, 0);
        QWidget *d = FenetreVisible("BalCoul");
        ASSERT_NE(d, nullptr);
        Controle<QSlider>(d, "TempCoul")->setValue(20);  // 5000 K
        char m[256] = "";
        if (!deux) {
            Cliquer(d, "LumRef_1");
            Cliquer(d, "SatCoul_1");
            ASSERT_EQ(E().Zone(3, 4, 10, 6, img.pixels, m, 256), VELMORA_OK) << m;
            // A second pick replaces the first, measured on the opening's pixels.
            ASSERT_EQ(E().Zone(30, 2, 7, 9, img.pixels, m, 256), VELMORA_OK) << m;
        } else {
            Cliquer(d, "ZoneRef_1");
            RepondreInformation();
            ASSERT_EQ(E().Zone(30, 2, 7, 9, img.pixels, m, 256), VELMORA_OK) << m;
            Controle<QSlider>(d, "TempCoul")->setValue(55);  // 8500 K for the dark zone
            ASSERT_EQ(E().Zone(0, 15, 12, 8, img.pixels, m, 256), VELMORA_OK) << m;
        }
        EXPECT_EQ(E().Zone(35, 2, 7, 9, img.pixels, m, 256), VELMORA_ERREUR_REGLAGES);
        EXPECT_NE(std::string(m).find("hors de l'image"), std::string::npos) << m;
        Cliquer(d, "Appliquer");
        const std::string rendu = Appliques();
        EXPECT_NE(rendu.find("zone-claire=30,2,7,9\n"), std::string::npos) << rendu;
        EXPECT_NE(rendu.find(deux ? "temperature-sombre=8500\n" : "lumref=maxi\n"),
                  std::string::npos)
            << rendu;

        std::vector<TPtImg> px = avant;
        std::string msg;
        ASSERT_EQ(Appliquer(rendu, px, 41, 23, &msg), VELMORA_OK) << msg;
        EXPECT_EQ(std::memcmp(px.data(), img.pixels, px.size() * 3), 0);
        EXPECT_NE(std::memcmp(px.data(), avant.data(), px.size() * 3), 0);
    }
}

// Zones that came as pixels alone (XchgData) give no settings to repeat; an
// opening on settings sets the options and the hue, the zones left to pick.
TEST_F(ReglagesBalance, ZonesSansRectangleEtOuvertureSurReglages) {
    Image img(6, 4);
    img.Remplir(5);
    P().Executer(7, img.pixels, 6, 4, 0);
    QWidget *d = FenetreVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    Image zone(3, 1);
    zone.Uniforme(Px(90, 120, 150));
    P().Executer(7, zone.pixels, 0, 0, 1, img.pixels);
    Cliquer(d, "Appliquer");
    EXPECT_EQ(Appliques(), "");

    char m[256] = "";
    ASSERT_EQ(E().Ouvrir(7, "temperature=4000;zone-claire=0,0,1,1;zone-sombre=1,1,1,1", img.pixels,
                         6, 4, m, 256),
              VELMORA_OK)
        << m;
    d = FenetreVisible("BalCoul");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Controle<QSlider>(d, "TempCoul")->value(), 10);
    EXPECT_TRUE(Controle<QAbstractButton>(d, "ZoneRef_1")->isChecked());
    EXPECT_FALSE(Controle<QWidget>(d, "LumRef")->isEnabled());
    Cliquer(d, "Annuler");
    EXPECT_EQ(E().Ouvrir(7, "temperature=4050", img.pixels, 6, 4, m, 256),
              VELMORA_ERREUR_REGLAGES);
}
