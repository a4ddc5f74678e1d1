// Settings as data for "Grain ou Bruit" (operation 8) and "MonoChrome"
// (operation 9), through the built library's entry: the same bytes as the
// dialog set through its controls, the grain's seed, the dialogs opened on
// settings and giving back those of their "Appliquer", and bad settings.
#include "HotePlugin.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace banc;

namespace {

class ReglagesGrainMono : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
        ASSERT_NE(P().Entree(), nullptr);
    }
    Plugin &P() { return Plugin::Instance(); }
    const VelmoraEntree &E() { return *P().Entree(); }

    int32_t Appliquer(uint32_t op, const std::string &texte, std::vector<TPtImg> &pixels,
                      int32_t l, int32_t h, std::string *message = nullptr) {
        char m[512] = "?";
        const int32_t code =
            E().Appliquer(op, texte.c_str(), pixels.data(), l, h, m, int32_t(sizeof m));
        if (message) *message = m;
        return code;
    }
    // The pixels with the settings applied, which must be accepted.
    std::vector<TPtImg> Applique(uint32_t op, const std::string &texte,
                                 std::vector<TPtImg> pixels, int32_t l, int32_t h) {
        std::string message;
        EXPECT_EQ(Appliquer(op, texte, pixels, l, h, &message), VELMORA_OK) << texte << ": " << message;
        return pixels;
    }
    std::string Appliques(uint32_t op) {
        char t[1024];
        const int32_t n = E().Appliques(op, t, int32_t(sizeof t));
        return n > 0 ? std::string(t) : std::string();
    }
    int32_t Ouvrir(uint32_t op, const std::string &texte, Image &img, std::string *message = nullptr) {
        char m[512] = "";
        const int32_t code = E().Ouvrir(op, texte.c_str(), img.pixels, img.largeur, img.hauteur, m,
                                        int32_t(sizeof m));
        if (message) *message = m;
        return code;
    }
};

std::vector<TPtImg> Pixels(const Image &img) { return {img.pixels, img.pixels + img.size()}; }

bool Egaux(const std::vector<TPtImg> &a, const TPtImg *b) {
    return std::memcmp(a.data(), b, a.size() * 3) == 0;
}
bool Egaux(const std::vector<TPtImg> &a, const std::vector<TPtImg> &b) {
    return a.size() == b.size() && Egaux(a, b.data());
}

TPtImg Px(int r, int v, int b) { return {uint8_t(b), uint8_t(v), uint8_t(r)}; }

// ---- Grain ----

// The grain's five sliders and their settings.
struct Positions {
    int niveau, teinte, densite, ordre1, ordre2;
};
std::string Texte(bool taches, const Positions &p, int64_t graine) {
    return std::string("methode=") + (taches ? "taches" : "pseudo-aleatoire") +
           ";niveau=" + std::to_string(p.niveau) + ";teinte=" + std::to_string(p.teinte) +
           ";densite=" + std::to_string(p.densite) + ";ordre1=" + std::to_string(p.ordre1) +
           ";ordre2=" + std::to_string(p.ordre2) + ";graine=" + std::to_string(graine);
}

// The sliders moved by the program: their labels follow, nothing is computed.
void Positionner(QDialog *d, const Positions &p) {
    Controle<QSlider>(d, "NivBr")->setValue(p.niveau);
    Controle<QSlider>(d, "TxCl")->setValue(p.teinte);
    Controle<QSlider>(d, "DstPt")->setValue(p.densite);
    Controle<QSlider>(d, "Ord1")->setValue(p.ordre1);
    Controle<QSlider>(d, "Ord2")->setValue(p.ordre2);
}

// The generator as the grain states it: x 134775813 + 1 modulo 2^32, then the
// high word of state x n.
uint32_t Suivant(uint32_t g) { return g * 134775813u + 1u; }
uint32_t Tirage(uint32_t etat, uint32_t n) { return uint32_t((uint64_t(etat) * n) >> 32); }

// The dialog opened on nothing but a seed starts its generator there: one
// computation through the controls gives the bytes of the same settings
// applied with that seed, and "Appliquer" gives them back.
TEST_F(ReglagesGrainMono, GrainMemesOctetsQueLeDialogue) {
    const struct {
        bool taches;
        Positions p;
        int64_t graine;
    } cas[] = {
        {true, {200, 5, 7, 2, 2}, 12345},
        {true, {255, 0, 9, 0, 10}, 0},
        {false, {90, 3, 2, 5, 1}, 4294967295},
        {false, {255, 10, 0, 0, 0}, 777},
        {false, {140, 7, 4, 3, 8}, 98765},  // weights the integer filter does not take
    };
    for (const auto &k : cas) {
        const std::string texte = Texte(k.taches, k.p, k.graine);
        SCOPED_TRACE(texte);
        Image img(57, 41);
        img.Remplir(uint32_t(k.graine % 1000) + 3);
        const std::vector<TPtImg> avant = Pixels(img);
        const std::vector<TPtImg> attendu = Applique(8, texte, avant, 57, 41);
        EXPECT_FALSE(Egaux(attendu, avant));

        PendantDialogue("AjoutGrain", [&](QDialog *d) {
            Positionner(d, k.p);
            EXPECT_TRUE(Egaux(avant, img.pixels));  // no release yet
            if (k.taches)
                QTest::mouseRelease(Controle<QSlider>(d, "NivBr"), Qt::LeftButton);
            else
                QTest::mouseClick(Controle<QRadioButton>(d, "PseudoAlea"), Qt::LeftButton);
            QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
        });
        ASSERT_EQ(Ouvrir(8, "graine=" + std::to_string(k.graine), img), VELMORA_OK);
        EXPECT_TRUE(Egaux(attendu, img.pixels));
        AppelAttendu(P().appels.back(), 57, 41, 0, 1, 1);

        const std::string rendu = Appliques(8);
        EXPECT_NE(rendu.find("graine=" + std::to_string(k.graine) + "\n"), std::string::npos) << rendu;
        EXPECT_NE(rendu.find("niveau=" + std::to_string(k.p.niveau) + "\n"), std::string::npos);
        EXPECT_TRUE(Egaux(Applique(8, rendu, avant, 57, 41), attendu));
    }
}

// The seed is the generator's state before the draws: with no filter and no
// colour share, a pixel's three channels move by its first draw,
// (A div 2) - Alea(A), A = 255 for mid-grey at full level. Same seed, same
// grain, whatever ran in between; another seed, another grain; no seed, the
// library's generator running on.
TEST_F(ReglagesGrainMono, GrainGraine) {
    Image img(23, 9);
    img.Uniforme(Px(127, 127, 127));
    const std::vector<TPtImg> gris = Pixels(img);
    const Positions p{255, 0, 7, 0, 0};
    for (uint32_t graine : {0u, 1u, 123456789u, 4294967295u}) {
        SCOPED_TRACE(graine);
        const std::vector<TPtImg> g = Applique(8, Texte(false, p, graine), gris, 23, 9);
        const int attendu = 127 + 127 - int(Tirage(Suivant(graine), 255));
        EXPECT_EQ(g[0].Rouge, attendu);
        EXPECT_EQ(g[0].Vert, attendu);
        EXPECT_EQ(g[0].Bleu, attendu);
    }

    Image photo(64, 48);
    photo.Remplir(21);
    const std::vector<TPtImg> avant = Pixels(photo);
    for (bool taches : {true, false}) {
        SCOPED_TRACE(taches);
        const Positions q{180, 6, 8, 3, 2};
        const auto a = Applique(8, Texte(taches, q, 31337), avant, 64, 48);
        Applique(8, Texte(taches, q, -1), avant, 64, 48);  // the library's generator moves on
        EXPECT_TRUE(Egaux(Applique(8, Texte(taches, q, 31337), avant, 64, 48), a));
        EXPECT_FALSE(Egaux(Applique(8, Texte(taches, q, 31338), avant, 64, 48), a));
        const auto libre1 = Applique(8, Texte(taches, q, -1), avant, 64, 48);
        const auto libre2 = Applique(8, Texte(taches, q, -1), avant, 64, 48);
        EXPECT_FALSE(Egaux(libre1, libre2));
        EXPECT_FALSE(Egaux(libre1, avant));
    }
}

// Ouvrir puts the controls at the settings and shows their grain at once;
// later computations draw on from there, and what "Appliquer" keeps is given
// back with the state its own draws started from.
TEST_F(ReglagesGrainMono, GrainOuvertSurDesReglages) {
    const Positions p{90, 3, 2, 5, 1};
    const std::string texte = Texte(false, p, 4242);
    Image img(50, 30);
    img.Remplir(5);
    const std::vector<TPtImg> avant = Pixels(img);
    const std::vector<TPtImg> ouverture = Applique(8, texte, avant, 50, 30);

    int positions[5] = {};
    bool taches = true;
    std::vector<TPtImg> montre;
    PendantDialogue("AjoutGrain", [&](QDialog *d) {
        int i = 0;
        for (const char *nom : {"NivBr", "TxCl", "DstPt", "Ord1", "Ord2"})
            positions[i++] = Controle<QSlider>(d, nom)->value();
        taches = Controle<QRadioButton>(d, "TacheAlea")->isChecked();
        EXPECT_FALSE(Controle<QRadioButton>(d, "TacheAlea")->isChecked() ==
                     Controle<QRadioButton>(d, "PseudoAlea")->isChecked());
        EXPECT_EQ(Controle<QLabel>(d, "DPt")->text(), QStringLiteral("N/8"));
        montre = Pixels(img);
        QTest::mouseRelease(Controle<QSlider>(d, "Ord1"), Qt::LeftButton);  // computes again
        QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
    });
    std::string message;
    ASSERT_EQ(Ouvrir(8, texte, img, &message), VELMORA_OK) << message;
    EXPECT_EQ(positions[0], 90);
    EXPECT_EQ(positions[1], 3);
    EXPECT_EQ(positions[2], 2);
    EXPECT_EQ(positions[3], 5);
    EXPECT_EQ(positions[4], 1);
    EXPECT_FALSE(taches);
    EXPECT_TRUE(Egaux(ouverture, montre));
    EXPECT_FALSE(Egaux(ouverture, img.pixels));  // the second computation's grain

    const std::string rendu = Appliques(8);
    EXPECT_NE(rendu.find("methode=pseudo-aleatoire\n"), std::string::npos) << rendu;
    EXPECT_EQ(rendu.find("graine=4242\n"), std::string::npos) << rendu;
    EXPECT_TRUE(Egaux(Applique(8, rendu, avant, 50, 30), img.pixels));

    // Opened on nothing: the form's own positions, as through XchgData.
    int defauts[5] = {}, xchg[5] = {};
    auto lire = [](QDialog *d, int *v) {
        int i = 0;
        for (const char *nom : {"NivBr", "TxCl", "DstPt", "Ord1", "Ord2"})
            v[i++] = Controle<QSlider>(d, nom)->value();
        EXPECT_TRUE(Controle<QRadioButton>(d, "TacheAlea")->isChecked());
    };
    PendantDialogue("AjoutGrain", [&](QDialog *d) {
        lire(d, defauts);
        Controle<QSlider>(d, "NivBr")->setValue(200);  // moved, never released
        QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
    });
    ASSERT_EQ(Ouvrir(8, "", img), VELMORA_OK);
    PendantDialogue("AjoutGrain", [&](QDialog *d) {
        lire(d, xchg);
        QTest::mouseClick(Controle<QPushButton>(d, "Annuler"), Qt::LeftButton);
    });
    P().Executer(8, img.pixels, 50, 30);
    EXPECT_TRUE(std::equal(std::begin(defauts), std::end(defauts), std::begin(xchg)));
    // Nothing computed: what stood was the image as it came, which the
    // settings given back reproduce.
    const std::vector<TPtImg> tel = Pixels(img);
    EXPECT_TRUE(Egaux(Applique(8, Appliques(8), tel, 50, 30), tel));
}

// ---- MonoChrome ----

struct Fichiers {
    std::filesystem::path dossier = std::filesystem::temp_directory_path() /
                                    ("velmora-reglages-mono-" + std::to_string(::getpid()));
    Fichiers() { std::filesystem::create_directories(dossier); }
    ~Fichiers() { std::filesystem::remove_all(dossier); }
    std::string Ecrire(const std::string &nom, const std::string &octets) const {
        const auto chemin = dossier / nom;
        std::ofstream(chemin, std::ios::binary) << octets;
        return chemin.string();
    }
};

// Grey levels the tint tables are known at, each in red with other channels
// around it: with the filter at the red corner the level is the red byte.
std::vector<TPtImg> Niveaux() {
    std::vector<TPtImg> v;
    for (int r : {0, 32, 64, 127, 128, 192, 255}) v.push_back(Px(r, (r * 7 + 11) % 256, 255 - r));
    return v;
}

// The tint's tables at known grey levels, with the filter at the red corner
// (weights 1, 0, 0): the default is the plain grey of a dialog just opened.
TEST_F(ReglagesGrainMono, MonoChromeTablesConnues) {
    const struct {
        const char *teinte;
        int r[7], v[7], b[7];
    } cas[] = {
        {"", {0, 32, 64, 127, 128, 192, 255}, {0, 32, 64, 127, 128, 192, 255}, {0, 32, 64, 127, 128, 192, 255}},
        {"teinte=neutre", {0, 33, 65, 129, 129, 192, 255}, {0, 33, 65, 129, 129, 192, 255}, {0, 33, 65, 129, 129, 192, 255}},
        {"teinte=$808080", {0, 33, 65, 129, 129, 192, 255}, {0, 33, 65, 129, 129, 192, 255}, {0, 33, 65, 129, 129, 192, 255}},
        {"teinte=Sanguine", {-1, -1, 70, -1, 139, 197, 255}, {-1, -1, 9, -1, 17, 137, 255}, {-1, -1, 9, -1, 17, 137, 255}},
        {"teinte=#402010", {-1, -1, 64, -1, 128, 192, -1}, {-1, -1, 32, -1, 65, 161, -1}, {-1, -1, 16, -1, 34, 145, -1}},
    };
    for (const auto &k : cas) {
        SCOPED_TRACE(k.teinte);
        const std::vector<TPtImg> avant = Niveaux();
        const auto apres = Applique(9, std::string("filtre=104,4;") + k.teinte, avant, 7, 1);
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(int(avant[std::size_t(i)].Rouge));
            if (k.r[i] >= 0) {
                EXPECT_EQ(apres[std::size_t(i)].Rouge, k.r[i]);
            }
            if (k.v[i] >= 0) {
                EXPECT_EQ(apres[std::size_t(i)].Vert, k.v[i]);
            }
            if (k.b[i] >= 0) {
                EXPECT_EQ(apres[std::size_t(i)].Bleu, k.b[i]);
            }
        }
    }
    // Names with or without their accent, in any case; a tint file read as the dialog loads it.
    Fichiers f;
    const std::string sepia = f.Ecrire("sepia.uni", "S\xE9pia : $A98C78\r\nignor\xE9");
    Image img(33, 21);
    img.Remplir(2);
    const std::vector<TPtImg> avant = Pixels(img);
    const auto attendu = Applique(9, "filtre=60,120;teinte=$A98C78", avant, 33, 21);
    for (const std::string &texte : std::vector<std::string>{
             "filtre=60,120;teinte=sepia", "filtre=60,120;teinte=Sépia", "filtre=60,120;teinte=SEPIA",
             "filtre=60,120;fichier=" + sepia, "filtre=60,120;teinte=$102030;fichier=" + sepia}) {
        SCOPED_TRACE(texte);
        EXPECT_TRUE(Egaux(Applique(9, texte, avant, 33, 21), attendu));
    }
}

// The dialog set through its picker and its list, then applied, gives the
// bytes of the same settings, and gives them back.
TEST_F(ReglagesGrainMono, MonoChromeMemesOctetsQueLeDialogue) {
    const struct {
        QPoint clic;  // none: the marker left at the centre
        const char *entree;  // none: the tint list left alone
        const char *texte;
    } cas[] = {
        {{60, 120}, "Sanguine : $850606", "filtre=60,120;teinte=sanguine"},
        {{104, 4}, "Or : $D2CB0F", "filtre=104,4;teinte=or"},
        {{2, 3}, "Neutre : $808080", "filtre=2,3;teinte=neutre"},  // outside the disc
        {{191, 154}, nullptr, "filtre=191,154"},
        {{-1, -1}, "Acier : $3A8EBA", "teinte=acier"},
        {{-1, -1}, nullptr, ""},
    };
    for (const auto &k : cas) {
        SCOPED_TRACE(k.texte);
        Image img(45, 32);
        img.Remplir(7);
        const std::vector<TPtImg> avant = Pixels(img);
        const auto attendu = Applique(9, k.texte, avant, 45, 32);
        PendantDialogue("MonoCouleur", [&](QDialog *d) {
            if (k.entree) {
                auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
                const int i = liste->findText(QString::fromUtf8(k.entree));
                ASSERT_GE(i, 0);
                liste->setCurrentIndex(i);
                emit liste->activated(i);
            }
            if (k.clic.x() >= 0) {
                auto *choix = Controle<QWidget>(d, "ChoixCoul");
                Souris(choix, QEvent::MouseButtonPress, k.clic, Qt::LeftButton, Qt::LeftButton);
                Souris(choix, QEvent::MouseButtonRelease, k.clic, Qt::LeftButton, Qt::NoButton);
            }
            QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
        });
        P().Executer(9, img.pixels, 45, 32);
        EXPECT_TRUE(Egaux(attendu, img.pixels));
        const std::string rendu = Appliques(9);
        EXPECT_TRUE(Egaux(Applique(9, rendu, avant, 45, 32), attendu)) << rendu;
    }
}

// Ouvrir puts the marker and the tint at the settings: a tint of the list
// shown by its entry, another one added to the list, a file's read as the
// dialog loads it; "Réinitialiser" still gives the defaults.
TEST_F(ReglagesGrainMono, MonoChromeOuvertSurDesReglages) {
    struct Francais {
        Francais() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
        ~Francais() { QLocale::setDefault(QLocale::c()); }
    } francais;
    Fichiers f;
    const std::string kaki = f.Ecrire("kaki.uni", "Kaki : $798933");
    const struct {
        std::string texte;
        const char *entree, *coeffV;
    } cas[] = {
        {"filtre=17,154;teinte=sepia", "Sépia : $A98C78", "kV = 1,00"},
        {"filtre=104,104;teinte=$123456", "Teinte : $123456", "kV = 0,33"},
        {"filtre=104,4;fichier=" + kaki, "Kaki : $798933", "kV = 0,00"},
    };
    for (const auto &k : cas) {
        SCOPED_TRACE(k.texte);
        Image img(40, 30);
        img.Remplir(11);
        const auto attendu = Applique(9, k.texte, Pixels(img), 40, 30);
        QString entree, coeffV;
        PendantDialogue("MonoCouleur", [&](QDialog *d) {
            entree = Controle<QComboBox>(d, "ChoixTeinte")->currentText();
            coeffV = Controle<QLabel>(d, "CoeffV")->text();
            QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
        });
        std::string message;
        ASSERT_EQ(Ouvrir(9, k.texte, img, &message), VELMORA_OK) << message;
        EXPECT_EQ(entree, QString::fromUtf8(k.entree));
        EXPECT_EQ(coeffV, QString::fromUtf8(k.coeffV));
        EXPECT_TRUE(Egaux(attendu, img.pixels));
        AppelAttendu(P().appels.back(), 40, 30, 0, 1, 1);
    }

    Image img(40, 30);
    img.Remplir(12);
    const auto defauts = Applique(9, "", Pixels(img), 40, 30);
    PendantDialogue("MonoCouleur", [&](QDialog *d) {
        QTest::mouseClick(Controle<QPushButton>(d, "ReInit"), Qt::LeftButton);
        QTest::mouseClick(Controle<QPushButton>(d, "Appliquer"), Qt::LeftButton);
    });
    ASSERT_EQ(Ouvrir(9, "filtre=30,60;teinte=or", img), VELMORA_OK);
    EXPECT_TRUE(Egaux(defauts, img.pixels));
}

// ---- Bad settings ----

// Refused with a message naming the setting or the file, and no pixel moves;
// a dialog is not opened on them either.
TEST_F(ReglagesGrainMono, ReglagesInvalidesRefuses) {
    Fichiers f;
    const std::string absent = (f.dossier / "absente.uni").string();
    const std::string vide = f.Ecrire("vide.uni", "");
    const std::string saut = f.Ecrire("saut.uni", "\nNeutre : $808080");
    const std::string abime = f.Ecrire("abime.uni", "Neutre : $80ZZ80");
    const std::string sansDollar = f.Ecrire("sans.uni", "Neutre 808080");
    const struct {
        uint32_t op;
        std::string texte;
        std::vector<std::string> dansLeMessage;
        bool fichier;  // read only when applied
    } cas[] = {
        {8, "niveau=256", {"« niveau »", "de 0 à 255"}, false},
        {8, "teinte=11", {"« teinte »"}, false},
        {8, "densite=-1", {"« densite »", "de 0 à 9"}, false},
        {8, "ordre1=11", {"« ordre1 »"}, false},
        {8, "ordre2=1.5", {"« ordre2 »"}, false},
        {8, "graine=4294967296", {"« graine »"}, false},
        {8, "graine=-2", {"« graine »"}, false},
        {8, "methode=aleatoire", {"« methode »", "taches ou pseudo-aleatoire"}, false},
        {8, "methode=", {"« methode »"}, false},
        {8, "grain=3", {"« grain »", "graine"}, false},
        {9, "filtre=5", {"« filtre »"}, false},
        {9, "filtre=40000,3", {"« filtre »"}, false},
        {9, "teinte=$12345", {"« teinte »"}, false},
        {9, "teinte=rose", {"« teinte »", "sanguine"}, false},
        {9, "teinte=#GG0000", {"« teinte »"}, false},
        {9, "fichier=" + absent, {absent, "Fichier introuvable"}, true},
        {9, "teinte=or;fichier=" + vide, {vide, "n'est pas une valeur entière correcte"}, true},
        {9, "fichier=" + saut, {saut, "n'est pas une valeur entière correcte"}, true},
        {9, "fichier=" + abime, {abime, "'$80ZZ80' n'est pas une valeur entière correcte"}, true},
        {9, "fichier=" + sansDollar, {sansDollar, "'Neutre ' n'est pas"}, true},
    };
    Image img(12, 10);
    img.Remplir(4);
    const std::vector<TPtImg> avant = Pixels(img);
    for (const auto &c : cas) {
        SCOPED_TRACE(c.texte);
        std::vector<TPtImg> copie = avant;
        std::string message;
        EXPECT_EQ(Appliquer(c.op, c.texte, copie, 12, 10, &message), VELMORA_ERREUR_REGLAGES);
        for (const std::string &s : c.dansLeMessage)
            EXPECT_NE(message.find(s), std::string::npos) << message;
        EXPECT_TRUE(Egaux(copie, avant));
        char m[512];
        EXPECT_EQ(E().Verifier(c.op, c.texte.c_str(), m, int32_t(sizeof m)),
                  c.fichier ? VELMORA_OK : VELMORA_ERREUR_REGLAGES);

        P().appels.clear();
        EXPECT_EQ(Ouvrir(c.op, c.texte, img, &message), VELMORA_ERREUR_REGLAGES);
        for (const std::string &s : c.dansLeMessage)
            EXPECT_NE(message.find(s), std::string::npos) << message;
        EXPECT_TRUE(P().appels.empty());
        EXPECT_TRUE(Egaux(avant, img.pixels));
    }
}

} // namespace
