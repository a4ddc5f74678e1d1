// Operations 3 ("Ajustement des profils Gamma") and 4 ("Ajustement manuel
// Luminosité") driven through the built library and their Qt widgets.
#include "HotePlugin.h"

#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

using namespace banc;

namespace {

constexpr int L = 40, H = 30;  // a one-to-one thumbnail

Plugin &Hote() {
    AssurerQApplication();
    return Plugin::Instance();
}

QImage ImageDe(QDialog *d, const char *nom) {
    return Controle<QWidget>(d, nom)->property("Image").value<QImage>().convertToFormat(
        QImage::Format_RGB32);
}

QStringList Textes(QDialog *d) { return d->property("Textes").toStringList(); }

// The readout as the dialog draws it: centred on 470, at the top of ZoneCoord.
QString Lecture(QDialog *d, const QString &texte) {
    const QFontMetrics fm(d->font());
    const int haut = 275 - fm.height() / 2;
    return QStringLiteral("%1,%2 %3").arg(470 - fm.horizontalAdvance(texte) / 2).arg(haut).arg(texte);
}

std::vector<TPtImg> Pixels(const Image &img) { return {img.pixels, img.pixels + img.size()}; }

std::vector<TPtImg> Vignette(QDialog *d) {
    const QImage img = ImageDe(d, "PreVisu");
    std::vector<TPtImg> v;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            v.push_back({uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))});
        }
    return v;
}

bool Egaux(const std::vector<TPtImg> &a, const std::vector<TPtImg> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 3) == 0;
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

// Answers the next file dialog with chemin, noting whether the curve dialog was
// still on top meanwhile.
void PendantFichier(const std::string &chemin, const char *forme, bool *auPremierPlan) {
    PendantDialogue("DialogueFichier", [=](QDialog *fd) {
        if (auPremierPlan)
            *auPremierPlan =
                FenetreVisible(forme)->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        auto *nom = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nom, nullptr);
        nom->setText(QString::fromStdString(chemin));
        fd->accept();
    });
}

// Rows of the curves after one press at (128, 27) on the identity, as worked out
// for each kernel (the entries not listed stay on the identity for the gamma kernel).
const std::map<int, int> Gamma128 = {{124, 129}, {125, 122}, {126, 106}, {127, 86},
                                     {128, 69},  {129, 94},  {130, 108}, {131, 116},
                                     {132, 120}, {133, 121}, {134, 120}};
const std::map<int, int> Lum128 = {{123, 131}, {124, 126}, {125, 115}, {126, 104},
                                   {127, 92},  {128, 79},  {129, 100}, {130, 109},
                                   {131, 114}, {132, 118}, {133, 119}, {134, 119}};

class CourbesDialogue : public ::testing::Test {
protected:
    void SetUp() override {
        Hote().Brancher();
        image.Remplir(5);
        avant = Pixels(image);
    }
    void Ouvrir(uint32_t op, const char *forme, std::function<void(QDialog *)> action) {
        PendantDialogue(forme, std::move(action));
        Hote().Executer(op, image.pixels, L, H);
    }
    void AppelDeFermeture(int32_t modifiee) {
        ASSERT_EQ(Hote().appels.size(), 1u);
        AppelAttendu(Hote().appels.back(), L, H, 0, modifiee, 1);
    }
    Image image{L, H};
    std::vector<TPtImg> avant;
};

} // namespace

TEST_F(CourbesDialogue, GammaFormeGlisserEtAppliquer) {
    Ouvrir(3, "ProfGamma", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Ajustement du profil du Gamma"));
        EXPECT_EQ(d->size(), QSize(606, 380));
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const struct { const char *nom; QRect place; } places[] = {
            {"ProfilG", {340, 10, 256, 256}},  {"CoulProfs", {340, 280, 256, 41}},
            {"ProfsG", {340, 325, 256, 46}},   {"ChargProf", {22, 15, 92, 25}},
            {"EnrgProf", {142, 15, 92, 25}},   {"ReInit", {20, 343, 81, 25}},
            {"Annuler", {127, 343, 81, 25}},   {"Appliquer", {235, 343, 81, 25}},
            {"CadreAff", {10, 10, 322, 322}},
        };
        for (const auto &p : places)
            EXPECT_EQ(Controle<QWidget>(d, p.nom)->geometry(), p.place) << p.nom;
        EXPECT_TRUE(Controle<QRadioButton>(d, "CoulProfs_0")->isChecked());
        QWidget *graphe = Controle<QWidget>(d, "ProfilG");
        const QImage identite = ImageDe(d, "ProfilG");
        EXPECT_EQ(identite.pixel(10, 245), qRgb(0, 0, 0));
        EXPECT_EQ(identite.pixel(127, 10), qRgb(166, 202, 240));  // the axes

        // Ctrl or the right button: the readout only.
        Souris(graphe, QEvent::MouseButtonPress, {60, 60}, Qt::LeftButton, Qt::LeftButton,
               Qt::ControlModifier);
        Souris(graphe, QEvent::MouseMove, {61, 62}, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
        EXPECT_EQ(Textes(d), QStringList{Lecture(d, QStringLiteral("X = 61  Y = 193"))});
        Souris(graphe, QEvent::MouseButtonRelease, {61, 62}, Qt::LeftButton, Qt::NoButton,
               Qt::ControlModifier);
        Souris(graphe, QEvent::MouseButtonPress, {70, 70}, Qt::RightButton, Qt::RightButton);
        Souris(graphe, QEvent::MouseMove, {71, 72}, Qt::NoButton, Qt::RightButton);
        Souris(graphe, QEvent::MouseButtonRelease, {71, 72}, Qt::RightButton, Qt::NoButton);
        EXPECT_EQ(ImageDe(d, "ProfilG"), identite);
        EXPECT_TRUE(Egaux(Vignette(d), avant));

        // A plain left press edits the graph at once; the thumbnail waits for the release.
        Souris(graphe, QEvent::MouseButtonPress, {128, 27}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_NE(ImageDe(d, "ProfilG"), identite);
        EXPECT_EQ(ImageDe(d, "ProfilG").pixel(128, 69), qRgb(0, 0, 0));
        EXPECT_TRUE(Egaux(Vignette(d), avant));
        Souris(graphe, QEvent::MouseButtonRelease, {128, 27}, Qt::LeftButton, Qt::NoButton);
        EXPECT_FALSE(Egaux(Vignette(d), avant));
        // Leaving the graph: the readout over the dialog goes.
        QWidget *groupe = Controle<QWidget>(d, "ProfsG");
        Souris(groupe, QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
        EXPECT_TRUE(Textes(d).isEmpty());
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    // Each channel through the all-channel curve: 255 - row.
    auto niveau = [](uint8_t v) {
        const auto it = Gamma128.find(v);
        return uint8_t(it == Gamma128.end() ? v : 255 - it->second);
    };
    std::vector<TPtImg> attendu = avant;
    for (TPtImg &p : attendu) p = {niveau(p.Bleu), niveau(p.Vert), niveau(p.Rouge)};
    EXPECT_TRUE(Egaux(Pixels(image), attendu));
    AppelDeFermeture(1);
}

// The second press of a double click only moves the readout: a click at (0, 0)
// and a double click there edit the curve once. One edit at (0, 0) leaves
// entries 0..6 of the gamma kernel's curve at rows 113, 177, 210, 232, 243,
// 246, 247, so a grey ramp 0..6 comes out as 255 minus those.
TEST_F(CourbesDialogue, GammaDoubleClicUneSeuleModification) {
    const uint8_t attendu[] = {142, 78, 45, 23, 12, 9, 8};
    for (const bool doubleClic : {false, true}) {
        Image rampe(7, 1);
        for (int i = 0; i < 7; ++i) rampe[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
        PendantDialogue("ProfGamma", [&](QDialog *d) {
            QWidget *graphe = Controle<QWidget>(d, "ProfilG");
            Souris(graphe, QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, Qt::LeftButton);
            Souris(graphe, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, Qt::NoButton);
            if (doubleClic) {
                const QImage avant = ImageDe(d, "ProfilG");
                Souris(graphe, QEvent::MouseButtonDblClick, {0, 0}, Qt::LeftButton, Qt::LeftButton);
                EXPECT_EQ(ImageDe(d, "ProfilG"), avant);
                EXPECT_EQ(Textes(d), QStringList{Lecture(d, QStringLiteral("X = 0  Y = 255"))});
                Souris(graphe, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, Qt::NoButton);
            }
            Controle<QPushButton>(d, "Appliquer")->click();
        });
        Hote().Executer(3, rampe.pixels, 7, 1);
        for (int i = 0; i < 7; ++i)
            EXPECT_TRUE(rampe[i].Bleu == attendu[i] && rampe[i].Vert == attendu[i] &&
                        rampe[i].Rouge == attendu[i])
                << "entrée " << i << (doubleClic ? ", double clic" : ", clic");
    }
}

TEST_F(CourbesDialogue, GammaHorsDuGrapheEtBoutonsRadio) {
    Ouvrir(3, "ProfGamma", [&](QDialog *d) {
        QWidget *graphe = Controle<QWidget>(d, "ProfilG");
        Controle<QRadioButton>(d, "CoulProfs_2")->click();  // green
        Souris(graphe, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
        Souris(graphe, QEvent::MouseMove, {-20, -15}, Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(Textes(d), QStringList{Lecture(d, QStringLiteral("X = -20  Y = 270"))});
        Souris(graphe, QEvent::MouseButtonRelease, {-20, -15}, Qt::LeftButton, Qt::NoButton);
        // Over the radio group and the buttons the readout stays.
        for (const char *nom : {"CoulProfs", "CoulProfs_1", "ChargProf", "Appliquer"})
            Souris(Controle<QWidget>(d, nom), QEvent::MouseMove, {3, 3}, Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(Textes(d).size(), 1);
        // Only green moved in the thumbnail.
        const auto v = Vignette(d);
        int verts = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            EXPECT_EQ(v[i].Bleu, avant[i].Bleu);
            EXPECT_EQ(v[i].Rouge, avant[i].Rouge);
            verts += v[i].Vert != avant[i].Vert;
        }
        EXPECT_GT(verts, 0);
        Controle<QPushButton>(d, "Annuler")->click();
    });
    EXPECT_TRUE(Egaux(Pixels(image), avant));
    AppelDeFermeture(0);
}

TEST_F(CourbesDialogue, GammaFichiers) {
    const auto dossier = std::filesystem::temp_directory_path() /
                         ("velmora-courbes-dlg-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dossier);
    const auto pfl = (dossier / "g.pfl").string(), court = (dossier / "court.pfl").string();
    std::ofstream(court, std::ios::binary) << std::string(2096, '\0');
    Ouvrir(3, "ProfGamma", [&](QDialog *d) {
        bool auPremierPlan = true;
        PendantFichier(pfl, "ProfGamma", &auPremierPlan);
        Controle<QPushButton>(d, "EnrgProf")->click();
        EXPECT_FALSE(auPremierPlan);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(std::filesystem::file_size(pfl), 4192u);

        // Two whole blocks of zeros (every output 255), then the end of the file.
        const auto message = PendantMessage();
        PendantFichier(court, "ProfGamma", nullptr);
        Controle<QPushButton>(d, "ChargProf")->click();
        EXPECT_EQ(*message, "Lecture au-delà de la fin de fichier.");
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(Egaux(Vignette(d), avant));  // not refreshed after a failed load
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    // All channels to 255, then red through a zero curve: 255; green and blue identity.
    for (int i = 0; i < image.size(); ++i) EXPECT_EQ(image.pixels[i].Rouge, 255);
    EXPECT_EQ(image.pixels[0].Vert, 255);
    std::filesystem::remove_all(dossier);
}

// The graph's background follows the system's tooltip colour.
TEST_F(CourbesDialogue, LuminositeFondDesInfoBulles) {
    const QPalette avant = QToolTip::palette();
    QPalette infoBulle = avant;
    infoBulle.setColor(QPalette::ToolTipBase, QColor(12, 34, 56));
    QToolTip::setPalette(infoBulle);
    Ouvrir(4, "AjustLumManu", [&](QDialog *d) {
        EXPECT_EQ(ImageDe(d, "ProfilL").pixel(200, 255), qRgb(12, 34, 56));
        Controle<QPushButton>(d, "Annuler")->click();
    });
    QToolTip::setPalette(avant);
}

TEST_F(CourbesDialogue, LuminositeGlisserEtAppliquer) {
    // Every largest channel among the rows the press gives.
    for (int i = 0; i < image.size(); ++i) {
        const int V = 123 + i % 12;
        image.pixels[i] = {uint8_t((i * 37) % (V + 1)), uint8_t((i * 91) % (V + 1)), uint8_t(V)};
        if (i % 3 == 1) std::swap(image.pixels[i].Rouge, image.pixels[i].Vert);
    }
    avant = Pixels(image);
    Ouvrir(4, "AjustLumManu", [&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Ajustement du profil du Gamma"));
        EXPECT_EQ(Controle<QWidget>(d, "ProfilL")->geometry(), QRect(340, 10, 256, 256));
        EXPECT_EQ(Controle<QWidget>(d, "ProfsL")->geometry(), QRect(340, 320, 256, 51));
        EXPECT_EQ(Controle<QWidget>(d, "ChargProf")->geometry(), QRect(22, 17, 92, 25));
        QWidget *graphe = Controle<QWidget>(d, "ProfilL");
        Souris(graphe, QEvent::MouseButtonPress, {128, 27}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_TRUE(Egaux(Vignette(d), avant));
        Souris(graphe, QEvent::MouseButtonRelease, {128, 27}, Qt::LeftButton, Qt::NoButton);
        Souris(Controle<QWidget>(d, "PreVisu"), QEvent::MouseMove, {3, 3}, Qt::NoButton,
               Qt::NoButton);
        EXPECT_TRUE(Textes(d).isEmpty());
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    // Each channel times (255 - row) / V, halves to even.
    for (int i = 0; i < image.size(); ++i) {
        const TPtImg s = avant[std::size_t(i)];
        const int V = std::max({s.Bleu, s.Vert, s.Rouge});
        const long double f = (long double)(255 - Lum128.at(V)) / V;
        auto c = [&](uint8_t x) { return uint8_t(std::min<long long>(255, std::llrint(x * f))); };
        const TPtImg a{c(s.Bleu), c(s.Vert), c(s.Rouge)};
        ASSERT_EQ(std::memcmp(&a, &image.pixels[i], 3), 0) << i;
    }
    AppelDeFermeture(1);
}
