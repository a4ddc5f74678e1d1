// Operation 9, "MonoChrome", driven through the built library.
#include "HotePlugin.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace hote;

namespace {

// ---- An independent statement of the rule, to check bytes against. ----

struct Poids {
    long double kR, kV, kB;
};

// Weights of a point of the 208 x 208 picker (corners (104,4), (17,154), (191,154)).
Poids PoidsEn(int x, int y) {
    auto d = [&](int cx, int cy) {
        return std::sqrt((long double)((x - cx) * (x - cx) + (y - cy) * (y - cy)));
    };
    const long double dR = d(104, 4), dV = d(17, 154), dB = d(191, 154);
    if (dR == 0) return {1, 0, 0};
    if (dV == 0) return {0, 1, 0};
    if (dB == 0) return {0, 0, 1};
    const long double s = 1 / dR + 1 / dV + 1 / dB;
    return {1 / (s * dR), 1 / (s * dV), 1 / (s * dB)};
}

struct Teinte {
    int R[256], V[256], B[256];
};

Teinte Identite() {
    Teinte t;
    for (int i = 0; i < 256; ++i) t.R[i] = t.V[i] = t.B[i] = i;
    return t;
}

Teinte TablesDe(int rgb) {
    const int c[3] = {(rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255};
    const int m = std::max({c[0], c[1], c[2]});
    Teinte t;
    int *tab[3] = {t.R, t.V, t.B};
    for (int k = 0; k < 3; ++k) {
        int *T = tab[k];
        if (m < 128) {
            for (int i = 0; i < 128; ++i) T[i] = int(std::llrint((long double)(c[k] * i) / m));
            for (int i = 128; i < 256; ++i)
                T[i] = int(std::llrint(255 - (long double)((255 - T[127]) * (255 - i)) / 128));
        } else {
            for (int i = 128; i < 256; ++i)
                T[i] = int(std::llrint(255 - (long double)((255 - c[k]) * (255 - i)) / m));
            for (int i = 0; i < 128; ++i) T[i] = int(std::llrint((long double)(T[128] * i) / 127));
        }
    }
    return t;
}

TPtImg Regle(TPtImg p, const Poids &k, const Teinte &t) {
    const int g = int(std::llrint(p.Rouge * k.kR + p.Vert * k.kV + p.Bleu * k.kB));
    return {uint8_t(t.B[g]), uint8_t(t.V[g]), uint8_t(t.R[g])};
}

std::vector<TPtImg> Attendu(const std::vector<TPtImg> &src, const Poids &k, const Teinte &t) {
    std::vector<TPtImg> r(src.size());
    for (std::size_t i = 0; i < src.size(); ++i) r[i] = Regle(src[i], k, t);
    return r;
}

// ---- Driving the dialog. ----

constexpr int L = 40, H = 30; // small enough for a one-to-one thumbnail

Plugin &Hote() {
    AssurerQApplication();
    return Plugin::Instance();
}

std::vector<TPtImg> Pixels(const Image &img) { return {img.pixels, img.pixels + img.size()}; }

bool MemesOctets(const std::vector<TPtImg> &a, const Image &img) {
    return int32_t(a.size()) == img.size() && std::memcmp(a.data(), img.pixels, a.size() * 3) == 0;
}

template <class T> T *Controle(QDialog *d, const char *nom) {
    T *w = d->findChild<T *>(QString::fromUtf8(nom));
    EXPECT_NE(w, nullptr) << nom;
    return w;
}

void Souris(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton bouton,
            Qt::MouseButtons boutons, Qt::KeyboardModifiers touches = Qt::NoModifier) {
    QMouseEvent ev(type, QPointF(p), QPointF(w->mapToGlobal(p)), bouton, boutons, touches);
    QApplication::sendEvent(w, &ev);
}

void Glisser(QWidget *choix, QPoint de, QPoint a) {
    Souris(choix, QEvent::MouseButtonPress, de, Qt::LeftButton, Qt::LeftButton);
    Souris(choix, QEvent::MouseMove, a, Qt::NoButton, Qt::LeftButton);
    Souris(choix, QEvent::MouseButtonRelease, a, Qt::LeftButton, Qt::NoButton);
}

// Waits (running events) until fait is set or about 5 s have passed.
void Attendre(const bool &fait) {
    for (int i = 0; i < 500 && !fait; ++i) QTest::qWait(10);
    EXPECT_TRUE(fait);
}

// The user picks list entry i (the list's own change notice).
void Choisir(QComboBox *c, int i) {
    c->setCurrentIndex(i);
    emit c->activated(i);
}

// The next message box: its text (empty if none shows within about 5 s), then OK.
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

// Runs the file dialog of the next load or save on chemin.
void PendantFichier(const std::string &chemin, bool *premierPlanCoupe) {
    PendantDialogue("DialogueFichier", [=](QDialog *fd) {
        if (premierPlanCoupe)
            *premierPlanCoupe = !FenetreVisible("MonoCouleur")->windowFlags().testFlag(
                Qt::WindowStaysOnTopHint);
        // Typed in, as a user would (selectFile waits for the folder to be read).
        auto *nom = fd->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nom, nullptr);
        nom->setText(QString::fromStdString(chemin));
        fd->accept();
    });
}

std::string LireTout(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Dossier {
    std::filesystem::path chemin = std::filesystem::temp_directory_path() /
                                   ("velmora-mono-dlg-" + std::to_string(::getpid()));
    Dossier() { std::filesystem::create_directories(chemin); }
    ~Dossier() { std::filesystem::remove_all(chemin); }
};

class MonoChromeDialogue : public ::testing::Test {
protected:
    void SetUp() override {
        Hote().Brancher();
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        image.Remplir(9);
        avant = Pixels(image);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // Opens the dialog on the fixture and runs action on it.
    void Ouvrir(std::function<void(QDialog *)> action) {
        PendantDialogue("MonoCouleur", std::move(action));
        Hote().Executer(9, image.pixels, L, H);
    }

    // The dialog's only notice: the one at its closing.
    void AppelDeFermeture(int32_t modifiee) {
        ASSERT_EQ(Hote().appels.size(), 1u);
        AppelAttendu(Hote().appels.back(), L, H, 0, modifiee, 1);
    }

    // The thumbnail as shown (one-to-one with the fixture).
    static std::vector<TPtImg> Vignette(QDialog *d) {
        const QImage img = Controle<QWidget>(d, "PreVisu")->property("Image").value<QImage>();
        const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
        std::vector<TPtImg> v;
        for (int y = 0; y < rgb.height(); ++y) {
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb c = rgb.pixel(x, y);
                v.push_back({uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))});
            }
        }
        return v;
    }

    Image image{L, H};
    std::vector<TPtImg> avant;
};

bool Egaux(const std::vector<TPtImg> &a, const std::vector<TPtImg> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 3) == 0;
}

} // namespace

TEST_F(MonoChromeDialogue, FormeEtEtatAuDepart) {
    Ouvrir([&](QDialog *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Réalisation de Monochrome"));
        EXPECT_EQ(d->size(), QSize(606, 380));
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const struct { const char *nom; QRect place; } places[] = {
            {"CadreAff", {10, 10, 322, 322}},   {"FiltreImage", {340, 5, 256, 261}},
            {"ChoixCoul", {24, 32, 208, 208}},  {"MonoChr", {340, 275, 256, 91}},
            {"ChargTeinte", {147, 20, 92, 25}}, {"EnrgTeinte", {147, 55, 92, 25}},
            {"ReInit", {20, 343, 81, 25}},      {"Annuler", {127, 343, 81, 25}},
            {"Appliquer", {235, 343, 81, 25}},
        };
        for (const auto &p : places)
            EXPECT_EQ(Controle<QWidget>(d, p.nom)->geometry(), p.place) << p.nom;
        EXPECT_EQ(Controle<QLabel>(d, "CoeffR")->text(), QStringLiteral("kR = 0,33"));
        EXPECT_EQ(Controle<QLabel>(d, "CoeffV")->text(), QStringLiteral("kV = 0,33"));
        EXPECT_EQ(Controle<QLabel>(d, "CoeffB")->text(), QStringLiteral("kB = 0,33"));
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        EXPECT_FALSE(liste->isEditable());
        EXPECT_EQ(liste->currentIndex(), 0);
        EXPECT_EQ(liste->itemText(0), QStringLiteral("Neutre : $808080"));
        EXPECT_EQ(liste->itemText(liste->count() - 1), QStringLiteral("Autre teinte ..."));
        // The reset shows the unfiltered image; the picker has its marker at the centre.
        EXPECT_TRUE(Egaux(Vignette(d), avant));
        const QImage selecteur = Controle<QWidget>(d, "ChoixCoul")->property("Image").value<QImage>();
        EXPECT_EQ(selecteur.pixel(104, 104), qRgb(85, 85, 85));

        // Weights and preview follow a drag; Annuler then leaves the host's pixels.
        Glisser(Controle<QWidget>(d, "ChoixCoul"), {104, 104}, {104, 4});
        EXPECT_EQ(Controle<QLabel>(d, "CoeffR")->text(), QStringLiteral("kR = 1,00"));
        EXPECT_TRUE(Egaux(Vignette(d), Attendu(avant, {1, 0, 0}, Identite())));
        Controle<QPushButton>(d, "Annuler")->click();
    });
    EXPECT_TRUE(MemesOctets(avant, image));
    AppelDeFermeture(0);
}

TEST_F(MonoChromeDialogue, GlisserHorsDuDisque) {
    Ouvrir([&](QDialog *d) {
        auto *choix = Controle<QWidget>(d, "ChoixCoul");
        const QImage propre = choix->property("Image").value<QImage>();
        Souris(choix, QEvent::MouseButtonPress, {104, 104}, Qt::LeftButton, Qt::LeftButton);
        Souris(choix, QEvent::MouseMove, {120, 100}, Qt::NoButton, Qt::LeftButton);
        EXPECT_NE(choix->property("Image").value<QImage>(), propre); // the marker moved
        EXPECT_FALSE(choix->property("PointCurseur").isValid()); // inside: cursor left alone
        Souris(choix, QEvent::MouseMove, {0, 0}, Qt::NoButton, Qt::LeftButton);
        // The cursor is sent back onto the circle at once.
        const QPoint q = choix->property("PointCurseur").toPoint();
        EXPECT_EQ(q, QPoint(33, 33));
        // The weights of the outside point still sum to 1.
        double somme = 0;
        for (const char *nom : {"CoeffR", "CoeffV", "CoeffB"}) {
            QString t = Controle<QLabel>(d, nom)->text().mid(5);
            somme += t.replace(',', '.').toDouble();
        }
        EXPECT_NEAR(somme, 1.0, 0.011);
        Souris(choix, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, Qt::NoButton);
        const Poids k = PoidsEn(0, 0);
        EXPECT_NEAR(double(k.kR + k.kV + k.kB), 1.0, 1e-15);
        EXPECT_TRUE(Egaux(Vignette(d), Attendu(avant, k, Identite())));
        // One marker only: back at the centre, the picture is as it started.
        Glisser(choix, {104, 104}, {104, 104});
        EXPECT_EQ(choix->property("Image").value<QImage>(), propre);
        Glisser(choix, {104, 104}, {0, 0});
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(0, 0), Identite()), image));
    AppelDeFermeture(1);
}

TEST_F(MonoChromeDialogue, TeinteChoisiePuisAppliquer) {
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        Choisir(liste, liste->findText(QStringLiteral("Sanguine : $850606")));
        EXPECT_TRUE(Egaux(Vignette(d), Attendu(avant, PoidsEn(104, 104), TablesDe(0x850606))));
        // A drag keeps the tint.
        Glisser(Controle<QWidget>(d, "ChoixCoul"), {104, 104}, {60, 120});
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(60, 120), TablesDe(0x850606)), image));
    AppelDeFermeture(1);
}

TEST_F(MonoChromeDialogue, EnregistrerPuisCharger) {
    Dossier dossier;
    const auto fichier = (dossier.chemin / "neutre.uni").string();
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        bool coupe = false;
        PendantFichier(fichier, &coupe);
        Controle<QPushButton>(d, "EnrgTeinte")->click();
        EXPECT_TRUE(coupe); // not on top while the file dialog is open
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(LireTout(fichier), "Neutre : $808080");

        const int n = liste->count();
        PendantFichier(fichier, nullptr);
        Controle<QPushButton>(d, "ChargTeinte")->click();
        ASSERT_EQ(liste->count(), n + 1);
        EXPECT_EQ(liste->itemText(n - 1), QStringLiteral("Neutre : $808080"));
        EXPECT_EQ(liste->itemText(n), QStringLiteral("Autre teinte ..."));
        EXPECT_EQ(liste->currentIndex(), n - 1);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(104, 104), TablesDe(0x808080)), image));
}

TEST_F(MonoChromeDialogue, NomEnWindows1252EtFichierAbsent) {
    Dossier dossier;
    const auto sepia = dossier.chemin / "sepia.uni";
    std::ofstream(sepia, std::ios::binary) << "S\xE9pia : $A98C78\r\nOr : $D2CB0F";
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        PendantFichier(sepia.string(), nullptr);
        Controle<QPushButton>(d, "ChargTeinte")->click();
        EXPECT_EQ(liste->currentText(), QStringLiteral("Sépia : $A98C78"));

        // A name that does not exist: the message, the list unchanged, back on top.
        const int n = liste->count();
        const auto message = PendantMessage();
        PendantFichier((dossier.chemin / "absent.uni").string(), nullptr);
        Controle<QPushButton>(d, "ChargTeinte")->click();
        EXPECT_EQ(*message, "Fichier introuvable.");
        EXPECT_EQ(liste->count(), n);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(104, 104), TablesDe(0xA98C78)), image));
}

TEST_F(MonoChromeDialogue, CouleurAnnulee) {
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        const int sanguine = liste->findText(QStringLiteral("Sanguine : $850606"));
        Choisir(liste, sanguine);
        const int n = liste->count();
        bool vu = false;
        PendantDialogue("DialogueCouleur", [&](QDialog *c) {
            EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_EQ(qobject_cast<QColorDialog *>(c)->currentColor(), QColor(Qt::black));
            vu = true;
            c->reject();
        });
        Choisir(liste, n - 1);
        Attendre(vu);
        QTest::qWait(20);
        EXPECT_EQ(liste->currentIndex(), sanguine);
        EXPECT_EQ(liste->count(), n);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(104, 104), TablesDe(0x850606)), image));
}

TEST_F(MonoChromeDialogue, NomAnnuleDonneTeinte) {
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        const int n = liste->count();
        bool nomVu = false;
        PendantDialogue("DialogueCouleur", [&](QDialog *c) {
            qobject_cast<QColorDialog *>(c)->setCurrentColor(QColor(0x12, 0x34, 0x56));
            c->accept();
        });
        PendantDialogue("Saisie", [&](QDialog *b) {
            auto *boite = qobject_cast<QInputDialog *>(b);
            EXPECT_EQ(boite->windowTitle(), QStringLiteral("Nouvelle teinte"));
            EXPECT_EQ(boite->labelText(), QStringLiteral("Nom de la nouvelle teinte :"));
            EXPECT_EQ(boite->textValue(), QStringLiteral("Teinte"));
            boite->setTextValue(QStringLiteral("Autre nom"));
            nomVu = true;
            b->reject();
        });
        Choisir(liste, n - 1);
        Attendre(nomVu);
        QTest::qWait(20);
        ASSERT_EQ(liste->count(), n + 1);
        EXPECT_EQ(liste->itemText(n - 1), QStringLiteral("Teinte : $123456"));
        EXPECT_EQ(liste->currentIndex(), n - 1);
        EXPECT_EQ(liste->itemText(n), QStringLiteral("Autre teinte ..."));
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(104, 104), TablesDe(0x123456)), image));
}

TEST_F(MonoChromeDialogue, LigneChargeeIllisible) {
    Dossier dossier;
    const auto fichier = dossier.chemin / "illisible.uni";
    std::ofstream(fichier, std::ios::binary) << "Rouge : $80G080";
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        Choisir(liste, liste->findText(QStringLiteral("Sanguine : $850606")));
        Glisser(Controle<QWidget>(d, "ChoixCoul"), {104, 104}, {80, 90});
        const auto apercu = Vignette(d);
        const QString kR = Controle<QLabel>(d, "CoeffR")->text();
        const int n = liste->count();
        const auto message = PendantMessage();
        PendantFichier(fichier.string(), nullptr);
        Controle<QPushButton>(d, "ChargTeinte")->click();
        EXPECT_EQ(*message, "'$80G080' n'est pas une valeur entière correcte.");
        ASSERT_EQ(liste->count(), n + 1);
        EXPECT_EQ(liste->currentText(), QStringLiteral("Rouge : $80G080"));
        EXPECT_TRUE(Egaux(Vignette(d), apercu));
        EXPECT_EQ(Controle<QLabel>(d, "CoeffR")->text(), kR);
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        Controle<QPushButton>(d, "Appliquer")->click();
    });
    EXPECT_TRUE(MemesOctets(Attendu(avant, PoidsEn(80, 90), TablesDe(0x850606)), image));
}
