// Settings as data for the two curve operations (3: gamma profiles, .pfl; 4:
// luminosity curve, .plu) through the built library's entry: a profile file or
// the curves inline, the same bytes as the dialog that loaded the file through
// its controls, the dialog opened on settings and giving back what it applied,
// and the files that cannot be read.
#include "HotePlugin.h"

#include <velmora/reglages.h>

#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace banc;

namespace {

// A curve as its file holds it: entries -3..258, graph rows (output = 255 - row).
using Courbe = std::array<int32_t, 262>;

Courbe Identite() {
    Courbe c;
    for (int i = 0; i < 262; ++i) c[std::size_t(i)] = 255 - (i - 3);
    return c;
}
int32_t &Entree(Courbe &c, int x) { return c[std::size_t(x + 3)]; }

void Ecrire(const std::filesystem::path &chemin, const std::vector<Courbe> &courbes) {
    std::ofstream f(chemin, std::ios::binary);
    for (const Courbe &c : courbes)
        for (int32_t v : c) {
            const uint32_t u = uint32_t(v);
            const char octets[4] = {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
            f.write(octets, 4);
        }
}

std::vector<TPtImg> Pixels(const Image &img) { return {img.pixels, img.pixels + img.size()}; }

bool Egaux(const std::vector<TPtImg> &a, const TPtImg *b) {
    return std::memcmp(a.data(), b, a.size() * 3) == 0;
}

QImage ImageDe(QDialog *d, const char *nom) {
    return Controle<QWidget>(d, nom)->property("Image").value<QImage>().convertToFormat(
        QImage::Format_RGB32);
}

// Answers the next file dialog with chemin.
void PendantFichier(const std::string &chemin) {
    PendantDialogue("DialogueFichier", [=](QDialog *fd) {
        auto *nom = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nom, nullptr);
        nom->setText(QString::fromStdString(chemin));
        fd->accept();
    });
}

// "Charger" through the file dialog.
void Charger(QDialog *d, const std::string &chemin) {
    PendantFichier(chemin);
    Controle<QPushButton>(d, "ChargProf")->click();
}

// The next message box's text (empty when none comes within about 5 s), then OK.
std::shared_ptr<std::string> PendantMessage() {
    auto texte = std::make_shared<std::string>();
    auto *minuteur = new QTimer;
    auto essais = std::make_shared<int>(0);
    minuteur->setInterval(10);
    QObject::connect(minuteur, &QTimer::timeout, [=] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *m = qobject_cast<QMessageBox *>(w); m && m->isVisible()) {
                *texte = m->text().toStdString();
                minuteur->stop();
                minuteur->deleteLater();
                m->accept();
                return;
            }
        if (++*essais > 500) {
            minuteur->stop();
            minuteur->deleteLater();
        }
    });
    minuteur->start();
    return texte;
}

// One left press and release on the graph: an edit of the active curve.
void Dessiner(QDialog *d, const char *graphe, QPoint p) {
    QWidget *g = Controle<QWidget>(d, graphe);
    Souris(g, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    Souris(g, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

struct Operation {
    uint32_t numero;
    const char *forme, *graphe;
};
constexpr Operation Gamma{3, "ProfGamma", "ProfilG"}, Lum{4, "AjustLumManu", "ProfilL"};

class ReglagesProfils : public testing::Test {
protected:
    void SetUp() override {
        AssurerQApplication();
        P().Brancher();
        ASSERT_NE(P().Entree(), nullptr);
        dossier = std::filesystem::temp_directory_path() /
                  ("velmora-reglages-profils-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dossier);

        // Gamma: all channels inverted, then green 150 -> 40 and blue halved.
        Courbe toutes = Identite(), vert = Identite(), bleu = Identite();
        for (int x = 0; x < 256; ++x) {
            Entree(toutes, x) = x;
            Entree(bleu, x) = 255 - x / 2;
        }
        Entree(vert, 150) = 215;
        pfl = (dossier / "g.pfl").string();
        Ecrire(pfl, {toutes, Identite(), vert, bleu});

        // Luminosity: 200 -> 100 and 128 -> 255, and a bend elsewhere.
        Courbe lum = Identite();
        for (int x = 20; x < 90; ++x) Entree(lum, x) = 255 - (x + (x - 20) / 3);
        Entree(lum, 200) = 155;
        Entree(lum, 128) = 0;
        plu = (dossier / "l.plu").string();
        Ecrire(plu, {lum});
    }
    void TearDown() override { std::filesystem::remove_all(dossier); }

    Plugin &P() { return Plugin::Instance(); }
    const VelmoraEntree &E() { return *P().Entree(); }

    int32_t Appliquer(uint32_t op, const std::string &texte, std::vector<TPtImg> &pixels, int32_t l,
                      int32_t h, std::string *message = nullptr) {
        char m[1024] = "?";
        const int32_t code =
            E().Appliquer(op, texte.c_str(), pixels.data(), l, h, m, int32_t(sizeof m));
        if (message) *message = m;
        return code;
    }
    std::string Appliques(uint32_t op) {
        const int32_t n = E().Appliques(op, nullptr, 0);
        std::string t(std::size_t(std::max(n, 0)) + 1, '\0');
        E().Appliques(op, t.data(), int32_t(t.size()));
        t.resize(std::size_t(std::max(n, 0)));
        return t;
    }

    std::filesystem::path dossier;
    std::string pfl, plu;
};

} // namespace

TEST_F(ReglagesProfils, Champs) {
    const struct {
        uint32_t op;
        const char *extension;
        int32_t nombre;
    } cas[] = {{3, "pfl", 4 * 262}, {4, "plu", 262}};
    for (const auto &k : cas) {
        SCOPED_TRACE(k.op);
        ASSERT_EQ(E().NbChamps(k.op), 2);
        const VelmoraChamp *profil = E().Champ(k.op, 0), *courbes = E().Champ(k.op, 1);
        ASSERT_TRUE(profil && courbes);
        EXPECT_STREQ(profil->nom, "profil");
        EXPECT_EQ(profil->genre, VELMORA_FICHIER);
        EXPECT_STREQ(profil->extension, k.extension);
        EXPECT_STREQ(profil->defaut, "");
        EXPECT_STREQ(courbes->nom, "courbes");
        EXPECT_EQ(courbes->genre, VELMORA_ENTIERS);
        EXPECT_EQ(courbes->nombre, k.nombre);
        EXPECT_EQ(courbes->mini, double(INT32_MIN));
        EXPECT_EQ(courbes->maxi, double(INT32_MAX));
        EXPECT_STREQ(courbes->defaut, "");
    }
}

// The files' curves as their rows state them, worked out by hand.
TEST_F(ReglagesProfils, ValeursDesFichiers) {
    std::vector<TPtImg> px = {{10, 105, 100}, {0, 0, 0}, {50, 160, 90}};
    ASSERT_EQ(Appliquer(3, "profil=" + pfl, px, 3, 1), VELMORA_OK);
    // Red 255 - v; green 255 - v but 105 -> 150 -> 40; blue (255 - v) div 2.
    EXPECT_EQ(px[0].Rouge, 155);
    EXPECT_EQ(px[0].Vert, 40);
    EXPECT_EQ(px[0].Bleu, 122);
    EXPECT_EQ(px[1].Rouge, 255);
    EXPECT_EQ(px[1].Vert, 255);
    EXPECT_EQ(px[1].Bleu, 127);
    EXPECT_EQ(px[2].Rouge, 165);
    EXPECT_EQ(px[2].Vert, 95);
    EXPECT_EQ(px[2].Bleu, 102);

    // Luminosity: V = 200 -> 100 scales by 0.5, halves to even; V = 128 -> 255.
    px = {{51, 101, 200}, {0, 64, 128}, {0, 0, 0}, {7, 7, 7}};
    ASSERT_EQ(Appliquer(4, "profil=" + plu, px, 4, 1), VELMORA_OK);
    EXPECT_EQ(px[0].Rouge, 100);
    EXPECT_EQ(px[0].Vert, 50);
    EXPECT_EQ(px[0].Bleu, 26);
    EXPECT_EQ(px[1].Rouge, 255);
    EXPECT_EQ(px[1].Vert, 128);
    EXPECT_EQ(px[1].Bleu, 0);
    EXPECT_EQ(px[2].Rouge, 0);
    EXPECT_EQ(px[3].Rouge, 7);  // below the bend: unchanged

    // No file: the dialog's starting curves, the identity.
    Image img(33, 21);
    img.Remplir(2);
    for (uint32_t op : {3u, 4u}) {
        std::vector<TPtImg> copie = Pixels(img);
        ASSERT_EQ(Appliquer(op, "", copie, 33, 21), VELMORA_OK);
        EXPECT_TRUE(Egaux(copie, img.pixels)) << op;
    }
}

// A file given as settings gives exactly the bytes of the dialog that loaded it
// through "Charger" and applied, and the dialog gives the file back. Each
// operation also reads the other's files as its "Charger" does: the first
// block, as the all-channel curve or the luminosity curve.
TEST_F(ReglagesProfils, MemesOctetsQueLeDialogueChargeantLeFichier) {
    const struct {
        Operation op;
        const std::string &fichier;
    } cas[] = {{Gamma, pfl}, {Gamma, plu}, {Lum, plu}, {Lum, pfl}};
    uint32_t graine = 40;
    for (const auto &k : cas) {
        SCOPED_TRACE(k.fichier);
        Image img(131, 77);  // above the vector paths' block sizes, with a tail
        img.Remplir(++graine);
        const std::vector<TPtImg> avant = Pixels(img);
        std::vector<TPtImg> avecReglages = avant;
        std::string message;
        ASSERT_EQ(Appliquer(k.op.numero, "profil=" + k.fichier, avecReglages, 131, 77, &message),
                  VELMORA_OK)
            << message;
        EXPECT_FALSE(Egaux(avecReglages, avant.data()));

        PendantDialogue(k.op.forme, [&](QDialog *d) {
            Charger(d, k.fichier);
            Controle<QPushButton>(d, "Appliquer")->click();
        });
        P().Executer(k.op.numero, img.pixels, 131, 77);
        EXPECT_TRUE(Egaux(avecReglages, img.pixels));
        EXPECT_EQ(Appliques(k.op.numero), "profil=" + k.fichier + "\n");
    }
}

// Opened on a file, the dialog starts as if the user had loaded it: the same
// graph and thumbnail, and "Appliquer" untouched gives the settings' bytes.
TEST_F(ReglagesProfils, OuvertSurUnFichier) {
    const struct {
        Operation op;
        const std::string &fichier;
    } cas[] = {{Gamma, pfl}, {Lum, plu}};
    for (const auto &k : cas) {
        SCOPED_TRACE(k.fichier);
        Image img(40, 30);
        img.Remplir(7);
        std::vector<TPtImg> attendu = Pixels(img);
        ASSERT_EQ(Appliquer(k.op.numero, "profil=" + k.fichier, attendu, 40, 30), VELMORA_OK);

        QImage grapheCharge, vignetteChargee;
        PendantDialogue(k.op.forme, [&](QDialog *d) {
            Charger(d, k.fichier);
            grapheCharge = ImageDe(d, k.op.graphe);
            vignetteChargee = ImageDe(d, "PreVisu");
            Controle<QPushButton>(d, "Annuler")->click();
        });
        P().Executer(k.op.numero, img.pixels, 40, 30);

        QImage graphe, vignette;
        PendantDialogue(k.op.forme, [&](QDialog *d) {
            graphe = ImageDe(d, k.op.graphe);
            vignette = ImageDe(d, "PreVisu");
            Controle<QPushButton>(d, "Appliquer")->click();
        });
        char m[512] = "";
        P().appels.clear();
        const std::string texte = "profil=" + k.fichier;
        ASSERT_EQ(E().Ouvrir(k.op.numero, texte.c_str(), img.pixels, 40, 30, m, 512), VELMORA_OK) << m;
        EXPECT_EQ(graphe, grapheCharge);
        EXPECT_EQ(vignette, vignetteChargee);
        EXPECT_TRUE(Egaux(attendu, img.pixels));
        EXPECT_EQ(Appliques(k.op.numero), texte + "\n");
        ASSERT_FALSE(P().appels.empty());
        AppelAttendu(P().appels.back(), 40, 30, 0, 1, 1);
    }
}

// Curves drawn by hand, never saved: the settings given back hold them inline,
// so applying those settings again, or opening the dialog on them and applying,
// gives the same bytes. The gamma case edits red and then loads a one-block
// file, which leaves red as drawn: not what the file alone gives.
TEST_F(ReglagesProfils, CourbesDessineesRendues) {
    struct Cas {
        Operation op;
        const char *radio;  // the curve to draw on, or none
        bool chargerAvant;  // the file before the drawing, or after it
        const std::string &fichier;
    };
    const std::string aucun;
    const Cas cas[] = {
        {Gamma, nullptr, true, pfl},
        {Gamma, "CoulProfs_1", false, plu},
        {Lum, nullptr, true, plu},
        {Lum, nullptr, false, aucun},
    };
    uint32_t graine = 60;
    for (const auto &k : cas) {
        SCOPED_TRACE(std::to_string(k.op.numero) + " " + k.fichier);
        Image img(90, 64);
        img.Remplir(++graine);
        const std::vector<TPtImg> avant = Pixels(img);
        PendantDialogue(k.op.forme, [&](QDialog *d) {
            if (k.chargerAvant) Charger(d, k.fichier);
            if (k.radio) Controle<QRadioButton>(d, k.radio)->click();
            Dessiner(d, k.op.graphe, {128, 27});
            Dessiner(d, k.op.graphe, {40, 200});
            if (!k.chargerAvant && !k.fichier.empty()) Charger(d, k.fichier);
            Controle<QPushButton>(d, "Appliquer")->click();
        });
        P().Executer(k.op.numero, img.pixels, 90, 64);
        const std::vector<TPtImg> dialogue = Pixels(img);
        EXPECT_FALSE(Egaux(dialogue, avant.data()));

        const std::string rendu = Appliques(k.op.numero);
        EXPECT_EQ(rendu.rfind("courbes=", 0), 0u) << rendu.substr(0, 80);
        EXPECT_EQ(rendu.find("profil="), std::string::npos);
        std::vector<TPtImg> copie = avant;
        std::string message;
        ASSERT_EQ(Appliquer(k.op.numero, rendu, copie, 90, 64, &message), VELMORA_OK) << message;
        EXPECT_TRUE(Egaux(copie, dialogue.data()));

        // Opened on them: the same result, and the same settings back.
        std::memcpy(img.pixels, avant.data(), avant.size() * 3);
        PendantDialogue(k.op.forme, [&](QDialog *d) {
            Controle<QPushButton>(d, "Appliquer")->click();
        });
        char m[512] = "";
        ASSERT_EQ(E().Ouvrir(k.op.numero, rendu.c_str(), img.pixels, 90, 64, m, 512), VELMORA_OK) << m;
        EXPECT_TRUE(Egaux(dialogue, img.pixels));
        EXPECT_EQ(Appliques(k.op.numero), rendu);
    }
}

// A file that cannot be read, or settings that do not fit: a French message
// naming the file or the setting, and no pixel written. Like the dialog's
// "Charger", any name is read, and a file shorter than its blocks is cut short.
TEST_F(ReglagesProfils, FichiersIllisiblesRefuses) {
    const auto vide = dossier / "vide.pfl", court = dossier / "court.plu",
               texte = dossier / "sepia.uni", deuxBlocs = dossier / "deux.pfl";
    std::ofstream(vide, std::ios::binary).flush();
    std::ofstream(court, std::ios::binary) << std::string(1047, '\x10');
    std::ofstream(texte, std::ios::binary) << "Sépia : $704214\r\n";
    std::ofstream(deuxBlocs, std::ios::binary) << std::string(2096, '\0');
    const std::string absent = (dossier / "absent.pfl").string(),
                      sousAbsent = (dossier / "absent" / "g.plu").string();
    const std::string fin = "Lecture au-delà de la fin de fichier";
    const std::string liste3 = std::string(1047 * 2, ',').replace(0, 1, "1");  // "1,,,"
    std::string moitie;  // 262 integers: one curve where four are needed
    for (int i = 0; i < 262; ++i) moitie += (i ? "," : "") + std::to_string(255 - (i - 3));

    const struct {
        uint32_t op;
        std::string reglages, dansLeMessage, nomme;
        bool verifiable;  // refused without reading a file
    } cas[] = {
        {3, "profil=" + absent, "Fichier introuvable", absent, false},
        {4, "profil=" + absent, "Fichier introuvable", absent, false},
        {4, "profil=" + sousAbsent, "Nom de fichier incorrect", sousAbsent, false},
        {3, "profil=" + vide.string(), fin, vide.string(), false},
        {4, "profil=" + vide.string(), fin, vide.string(), false},
        {3, "profil=" + court.string(), fin, court.string(), false},
        {4, "profil=" + court.string(), fin, court.string(), false},
        {3, "profil=" + texte.string(), fin, texte.string(), false},
        {4, "profil=" + texte.string(), fin, texte.string(), false},
        {3, "profil=" + deuxBlocs.string(), fin, deuxBlocs.string(), false},
        {3, "profil=" + dossier.string(), "Accès au fichier refusé", dossier.string(), false},
        {4, "profil=" + dossier.string(), "Accès au fichier refusé", dossier.string(), false},
        {4, "profil=" + plu + ";courbes=" + moitie, "ensemble", "« courbes »", false},
        {3, "courbes=" + moitie, "1048 entiers", "« courbes »", true},
        {4, "courbes=" + moitie + ",5", "262 entiers", "« courbes »", true},
        {4, "courbes=" + liste3, "262 entiers", "« courbes »", true},
        {4, "courbes=" + moitie.substr(0, moitie.size() - 2) + "x", "262 entiers", "« courbes »", true},
        {3, "courbe=1", "réglage inconnu", "« courbe »", true},
    };
    for (const auto &c : cas) {
        SCOPED_TRACE(c.reglages.substr(0, 120));
        Image img(70, 9);
        img.Remplir(11);
        std::vector<TPtImg> copie = Pixels(img);
        std::string message;
        EXPECT_EQ(Appliquer(c.op, c.reglages, copie, 70, 9, &message), VELMORA_ERREUR_REGLAGES);
        EXPECT_NE(message.find(c.dansLeMessage), std::string::npos) << message;
        EXPECT_NE(message.find(c.nomme), std::string::npos) << message;
        EXPECT_TRUE(Egaux(copie, img.pixels));
        char m[1024];
        EXPECT_EQ(E().Verifier(c.op, c.reglages.c_str(), m, int32_t(sizeof m)),
                  c.verifiable ? VELMORA_ERREUR_REGLAGES : VELMORA_OK)
            << m;
    }
}

// The dialog opened on a file it cannot read says so as a failed "Charger"
// does, naming the file, and stays open at its starting curves.
TEST_F(ReglagesProfils, OuvertSurUnFichierAbsent) {
    const std::string absent = (dossier / "absent.plu").string();
    Image img(20, 10);
    img.Remplir(13);
    const std::vector<TPtImg> avant = Pixels(img);
    const auto message = PendantMessage();
    PendantDialogue("AjustLumManu", [&](QDialog *d) {
        EXPECT_EQ(*message, "profil « " + absent + " » : Fichier introuvable.");
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    const std::string texte = "profil=" + absent;
    char m[512] = "";
    ASSERT_EQ(E().Ouvrir(4, texte.c_str(), img.pixels, 20, 10, m, 512), VELMORA_OK) << m;
    EXPECT_TRUE(Egaux(avant, img.pixels));
    EXPECT_EQ(Appliques(4), "");
}
