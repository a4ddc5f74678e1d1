// Settings as data through the built library's entry (velmora/reglages.h):
// the fields, the checks, the rules applied without a dialog, and the dialogs
// opened on settings and giving back those of their "Appliquer".
#include "HotePlugin.h"

#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <string>
#include <vector>

using namespace banc;

namespace {

class Reglages : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
        ASSERT_NE(P().Entree(), nullptr);
    }
    Plugin &P() { return Plugin::Instance(); }
    const VelmoraEntree &E() { return *P().Entree(); }

    // Applies with the entry to a copy of the image; the code, the message.
    int32_t Appliquer(uint32_t op, const char *texte, std::vector<TPtImg> &pixels, int32_t l,
                      int32_t h, std::string *message = nullptr) {
        char m[512] = "?";
        const int32_t code = E().Appliquer(op, texte, pixels.data(), l, h, m, int32_t(sizeof m));
        if (message) *message = m;
        return code;
    }
    std::string Appliques(uint32_t op) {
        char t[1024];
        const int32_t n = E().Appliques(op, t, int32_t(sizeof t));
        return n > 0 ? std::string(t) : std::string();
    }
};

std::vector<TPtImg> Pixels(const Image &img) { return {img.pixels, img.pixels + img.size()}; }

bool Egaux(const std::vector<TPtImg> &a, const TPtImg *b) {
    return std::memcmp(a.data(), b, a.size() * 3) == 0;
}

} // namespace

TEST_F(Reglages, VersionEtChamps) {
    const auto f = reinterpret_cast<VelmoraInterfaceFn>(
        dlsym(dlopen(Plugin::Chemin().c_str(), RTLD_NOW | RTLD_NOLOAD), "VelmoraInterface"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f(0), nullptr);
    EXPECT_EQ(f(VELMORA_ENTREE_VERSION + 1), nullptr);
    EXPECT_EQ(f(1), P().Entree());
    EXPECT_EQ(E().version, 1u);
    EXPECT_GE(E().taille, sizeof(VelmoraEntree));

    for (uint32_t op : {1u, 5u, 6u}) EXPECT_EQ(E().NbChamps(op), 0) << op;
    for (uint32_t op : {0u, 10u, 0xFFFFFFFFu}) {
        EXPECT_EQ(E().NbChamps(op), -1) << op;
        EXPECT_EQ(E().Champ(op, 0), nullptr);
    }
    // Operation 2: the four sliders with their ranges and starting positions.
    ASSERT_EQ(E().NbChamps(2), 4);
    const struct {
        const char *nom;
        double mini, maxi;
        const char *defaut;
    } attendus[] = {{"gamma", -50, 50, "0"},
                    {"contraste", 0, 100, "50"},
                    {"luminosite", 0, 100, "50"},
                    {"saturation", -100, 100, "0"}};
    for (int i = 0; i < 4; ++i) {
        const VelmoraChamp *c = E().Champ(2, i);
        ASSERT_NE(c, nullptr);
        EXPECT_STREQ(c->nom, attendus[i].nom);
        EXPECT_EQ(c->genre, VELMORA_ENTIER);
        EXPECT_EQ(c->mini, attendus[i].mini);
        EXPECT_EQ(c->maxi, attendus[i].maxi);
        EXPECT_STREQ(c->defaut, attendus[i].defaut);
    }
    EXPECT_EQ(E().Champ(2, 4), nullptr);
    EXPECT_EQ(E().Champ(2, -1), nullptr);
}

// The direct operations: the same bytes as through XchgData.
TEST_F(Reglages, OperationsDirectesCommeXchgData) {
    for (uint32_t op : {1u, 5u, 6u}) {
        SCOPED_TRACE(op);
        Image img(61, 37);
        img.Remplir(op);
        const std::vector<TPtImg> avant = Pixels(img);
        std::vector<TPtImg> copie = avant;
        ASSERT_EQ(Appliquer(op, "", copie, 61, 37), VELMORA_OK);
        P().Executer(op, img.pixels, 61, 37);
        EXPECT_TRUE(Egaux(copie, img.pixels));
        EXPECT_FALSE(Egaux(copie, avant.data()));
        if (op == 1) {
            for (std::size_t i = 0; i < avant.size(); ++i)
                ASSERT_EQ(copie[i].Rouge, 255 - avant[i].Rouge) << i;
        }
    }
}

// Every bad setting is refused with a message naming it, and no pixel moves.
TEST_F(Reglages, ReglagesInvalidesRefuses) {
    const struct {
        uint32_t op;
        const char *texte;
        int32_t code;
        const char *dansLeMessage;
    } cas[] = {
        {2, "gama=10", VELMORA_ERREUR_REGLAGES, "« gama »"},
        {2, "gamma=51", VELMORA_ERREUR_REGLAGES, "« gamma »"},
        {2, "contraste=-1", VELMORA_ERREUR_REGLAGES, "de 0 à 100"},
        {2, "luminosite=5x", VELMORA_ERREUR_REGLAGES, "« luminosite »"},
        {2, "luminosite=", VELMORA_ERREUR_REGLAGES, "« luminosite »"},
        {2, "saturation=1.5", VELMORA_ERREUR_REGLAGES, "« saturation »"},
        {2, "gamma=1;gamma=2", VELMORA_ERREUR_REGLAGES, "deux fois"},
        {2, "gamma", VELMORA_ERREUR_REGLAGES, "nom=valeur"},
        {1, "niveau=3", VELMORA_ERREUR_REGLAGES, "pas de réglage"},
        {0, "", VELMORA_ERREUR_OPERATION, "opération inconnue"},
        {10, "", VELMORA_ERREUR_OPERATION, "opération inconnue"},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.texte);
        Image img(8, 8);
        img.Remplir(3);
        std::vector<TPtImg> copie = Pixels(img);
        std::string message;
        EXPECT_EQ(Appliquer(c.op, c.texte, copie, 8, 8, &message), c.code);
        EXPECT_NE(message.find(c.dansLeMessage), std::string::npos) << message;
        EXPECT_TRUE(Egaux(copie, img.pixels));
        char m[256];
        EXPECT_EQ(E().Verifier(c.op, c.texte, m, int32_t(sizeof m)), c.code);
    }
    // A size the pixels cannot hold, and no pixels at all.
    std::vector<TPtImg> un(1);
    std::string message;
    EXPECT_EQ(Appliquer(2, "", un, -1, 5, &message), VELMORA_ERREUR_IMAGE);
    EXPECT_EQ(E().Appliquer(2, "", nullptr, 4, 4, nullptr, 0), VELMORA_ERREUR_IMAGE);
    EXPECT_EQ(E().Appliquer(2, "", nullptr, 0, 0, nullptr, 0), VELMORA_OK);  // nothing to do
    // A message buffer too small is cut, still terminated.
    char petit[6];
    EXPECT_EQ(E().Appliquer(2, "gamma=99", un.data(), 1, 1, petit, 6), VELMORA_ERREUR_REGLAGES);
    EXPECT_LT(std::strlen(petit), 6u);
}

// Spellings the text form accepts: blanks, line ends, any order.
TEST_F(Reglages, FormeTexte) {
    Image img(16, 16);
    img.Remplir(9);
    std::vector<TPtImg> a = Pixels(img), b = Pixels(img);
    ASSERT_EQ(Appliquer(2, "luminosite=70;gamma=-20", a, 16, 16), VELMORA_OK);
    ASSERT_EQ(Appliquer(2, "  gamma = -20 \n\n luminosite=70 ;", b, 16, 16), VELMORA_OK);
    EXPECT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * 3), 0);
    EXPECT_FALSE(Egaux(a, img.pixels));
}

// Operation 2: the settings give exactly the bytes of the dialog set to the
// same positions through its sliders and applied; the dialog gives them back,
// and opens on them through Ouvrir.
TEST_F(Reglages, AjustCoulMemesOctetsQueLeDialogue) {
    const struct {
        int g, c, l, s;
    } cas[] = {{13, 71, 44, -20}, {-50, 0, 100, 100}, {50, 100, 0, -100}, {0, 50, 50, 0}};
    for (const auto &k : cas) {
        Image img(97, 53);
        img.Remplir(uint32_t(k.g + 100));
        std::vector<TPtImg> avecReglages = Pixels(img);
        const std::string texte = "gamma=" + std::to_string(k.g) + ";contraste=" +
                                  std::to_string(k.c) + ";luminosite=" + std::to_string(k.l) +
                                  ";saturation=" + std::to_string(k.s);
        SCOPED_TRACE(texte);
        ASSERT_EQ(Appliquer(2, texte.c_str(), avecReglages, 97, 53), VELMORA_OK);

        PendantDialogue("AjustCoul", [&](QDialog *d) {
            Controle<QSlider>(d, "PosGamma")->setValue(k.g);
            Controle<QSlider>(d, "PosContraste")->setValue(k.c);
            Controle<QSlider>(d, "PosLuminosite")->setValue(k.l);
            Controle<QSlider>(d, "PosSaturation")->setValue(k.s);
            QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
        });
        P().Executer(2, img.pixels, 97, 53);
        EXPECT_TRUE(Egaux(avecReglages, img.pixels));
        const std::string rendu = Appliques(2);
        EXPECT_NE(rendu.find("gamma=" + std::to_string(k.g) + "\n"), std::string::npos) << rendu;
        EXPECT_NE(rendu.find("saturation=" + std::to_string(k.s) + "\n"), std::string::npos);
    }
}

TEST_F(Reglages, AjustCoulOuvertSurDesReglages) {
    Image img(40, 30);
    img.Remplir(4);
    std::vector<TPtImg> attendu = Pixels(img);
    ASSERT_EQ(Appliquer(2, "gamma=-7;luminosite=62", attendu, 40, 30), VELMORA_OK);
    int positions[4] = {};
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        int i = 0;
        for (const char *nom : {"PosGamma", "PosContraste", "PosLuminosite", "PosSaturation"})
            positions[i++] = Controle<QSlider>(d, nom)->value();
        QTest::keyClick(d, Qt::Key_Return);
    });
    char m[256] = "";
    ASSERT_EQ(E().Ouvrir(2, "gamma=-7;luminosite=62", img.pixels, 40, 30, m, 256), VELMORA_OK) << m;
    EXPECT_EQ(positions[0], -7);
    EXPECT_EQ(positions[1], 50);
    EXPECT_EQ(positions[2], 62);
    EXPECT_EQ(positions[3], 0);
    EXPECT_TRUE(Egaux(attendu, img.pixels));
    ASSERT_FALSE(P().appels.empty());
    AppelAttendu(P().appels.back(), 40, 30, 0, 1, 1);

    // "Réinitialiser" gives the form's defaults, and the next opening through
    // XchgData starts from them too.
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        QTest::mouseClick(Controle<QPushButton>(d, "ReInit"), Qt::LeftButton);
        positions[0] = Controle<QSlider>(d, "PosGamma")->value();
        QTest::mouseClick(Controle<QPushButton>(d, "Annuler"), Qt::LeftButton);
    });
    ASSERT_EQ(E().Ouvrir(2, "gamma=30", img.pixels, 40, 30, m, 256), VELMORA_OK) << m;
    EXPECT_EQ(positions[0], 0);
    PendantDialogue("AjustCoul", [&](QDialog *d) {
        positions[0] = Controle<QSlider>(d, "PosGamma")->value();
        QTest::mouseClick(Controle<QPushButton>(d, "Annuler"), Qt::LeftButton);
    });
    P().Executer(2, img.pixels, 40, 30);
    EXPECT_EQ(positions[0], 0);

    // Refused settings open nothing.
    P().appels.clear();
    EXPECT_EQ(E().Ouvrir(2, "gamma=300", img.pixels, 40, 30, m, 256), VELMORA_ERREUR_REGLAGES);
    EXPECT_NE(std::string(m).find("gamma"), std::string::npos);
    EXPECT_TRUE(P().appels.empty());
    EXPECT_EQ(E().Ouvrir(1, "", img.pixels, 40, 30, m, 256), VELMORA_ERREUR_OPERATION);
    // A counted array shorter than the size claimed.
    Image court(3, 1);
    EXPECT_EQ(E().Ouvrir(2, "", court.pixels, 2, 2, m, 256), VELMORA_ERREUR_IMAGE);
}
