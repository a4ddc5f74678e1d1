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
#include <QElapsedTimer>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace banc;

namespace {

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

void Glisser(QWidget *choix, QPoint de, QPoint a) {
    Souris(choix, QEvent::MouseButtonPress, de, Qt::LeftButton, Qt::LeftButton);
    Souris(choix, QEvent::MouseMove, a, Qt::NoButton, Qt::LeftButton);
    Souris(choix, QEvent::MouseButtonRelease, a, Qt::LeftButton, Qt::NoButton);
}

// Runs events until the condition holds (at most about 5 s): what the test
// waits for, not a length of time.
void Attendre(const std::function<bool()> &condition) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(condition());
}

// The user picks list entry i (the list's own change notice).
void Choisir(QComboBox *c, int i) {
    c->setCurrentIndex(i);
    emit c->activated(i);
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

// Grey levels 64, 128 and 192 in the fixture: with weights summing to 1 every
// pixel keeps its level, so the tint tables alone decide the bytes.
std::vector<TPtImg> Gris3() {
    std::vector<TPtImg> v(L * H);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const uint8_t g = uint8_t(64 * (1 + i % 3));
        v[i] = {g, g, g};
    }
    return v;
}

// "Sanguine : $850606": red 64 -> 70, 128 -> 139, 192 -> 197; green and blue
// 64 -> 9, 128 -> 17, 192 -> 137.
std::vector<TPtImg> Sanguine(const std::vector<TPtImg> &gris) {
    std::vector<TPtImg> v;
    for (const TPtImg &p : gris) {
        const int k = p.Rouge / 64 - 1;
        const uint8_t r[] = {70, 139, 197}, vb[] = {9, 17, 137};
        v.push_back({vb[k], vb[k], r[k]});
    }
    return v;
}

TEST_F(MonoChromeDialogue, GlisserDansLeSelecteurPuisAnnuler) {
    Ouvrir([&](QDialog *d) {
        EXPECT_EQ(Controle<QLabel>(d, "CoeffR")->text(), QStringLiteral("kR = 0,33"));
        EXPECT_TRUE(Egaux(Vignette(d), avant));  // the reset shows the unfiltered image
        auto *choix = Controle<QWidget>(d, "ChoixCoul");
        const QImage propre = choix->property("Image").value<QImage>();
        EXPECT_EQ(propre.pixel(104, 104), qRgb(85, 85, 85));
        // To the red corner: the grey level is the red channel.
        Glisser(choix, {104, 104}, {104, 4});
        EXPECT_EQ(Controle<QLabel>(d, "CoeffR")->text(), QStringLiteral("kR = 1,00"));
        std::vector<TPtImg> rouge = avant;
        for (TPtImg &p : rouge) p = {p.Rouge, p.Rouge, p.Rouge};
        EXPECT_TRUE(Egaux(Vignette(d), rouge));
        // Out of the disc: the system cursor goes back onto the circle at once.
        Souris(choix, QEvent::MouseButtonPress, {104, 104}, Qt::LeftButton, Qt::LeftButton);
        Souris(choix, QEvent::MouseMove, {0, 0}, Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(choix->property("PointCurseur").toPoint(), QPoint(33, 33));
        Souris(choix, QEvent::MouseButtonRelease, {0, 0}, Qt::LeftButton, Qt::NoButton);
        // One marker only: back at the centre, the picture is as it started.
        Glisser(choix, {104, 104}, {104, 104});
        EXPECT_EQ(choix->property("Image").value<QImage>(), propre);
        // The second press of a double click is a press too: the marker follows it.
        Souris(choix, QEvent::MouseButtonDblClick, {60, 120}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_NE(choix->property("Image").value<QImage>(), propre);
        Souris(choix, QEvent::MouseButtonRelease, {60, 120}, Qt::LeftButton, Qt::NoButton);
        Controle<QPushButton>(d, "Annuler")->click();
    });
    EXPECT_TRUE(MemesOctets(avant, image));
    AppelDeFermeture(0);
}

TEST_F(MonoChromeDialogue, TeinteChoisiePuisAppliquer) {
    image.Remplir(0);
    const auto gris = Gris3();
    std::memcpy(image.pixels, gris.data(), gris.size() * 3);
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        Choisir(liste, liste->findText(QStringLiteral("Sanguine : $850606")));
        EXPECT_TRUE(Egaux(Vignette(d), Sanguine(gris)));
        QTest::keyClick(liste, Qt::Key_Return);  // Enter on the list presses "Appliquer"
    });
    EXPECT_TRUE(MemesOctets(Sanguine(gris), image));
    AppelDeFermeture(1);
}

// Enter presses the button that has the focus: "Charger" opens its box and
// the dialog stays, "Annuler" leaves the image.
TEST_F(MonoChromeDialogue, EntreeSurLeBoutonQuiALeFocus) {
    bool boite = false;
    Ouvrir([&](QDialog *d) {
        PendantDialogue("DialogueFichier", [&](QDialog *fd) {
            boite = true;
            fd->reject();
        });
        for (const char *nom : {"ChargTeinte", "Annuler"}) {
            d->activateWindow();  // again after the file box
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            auto *b = Controle<QPushButton>(d, nom);
            b->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), b);
            QTest::keyClick(b, Qt::Key_Return);
            if (d->isVisible()) {
                EXPECT_TRUE(boite);
            }
        }
    });
    EXPECT_TRUE(boite);
    EXPECT_TRUE(MemesOctets(avant, image));
    AppelDeFermeture(0);
}

TEST_F(MonoChromeDialogue, EnregistrerPuisChargerParLesDialoguesDeFichier) {
    Dossier dossier;
    const auto fichier = (dossier.chemin / "neutre.uni").string();
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        bool coupe = false;
        PendantFichier(fichier, &coupe);
        Controle<QPushButton>(d, "EnrgTeinte")->click();
        EXPECT_TRUE(coupe);  // not on top while the file dialog is open
        EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(LireTout(fichier), "Neutre : $808080");

        const int n = liste->count();
        PendantDialogue("DialogueFichier", [](QDialog *fd) { fd->reject(); });
        Controle<QPushButton>(d, "ChargTeinte")->click();  // cancelled: nothing
        EXPECT_EQ(liste->count(), n);
        PendantFichier(fichier, nullptr);
        Controle<QPushButton>(d, "ChargTeinte")->click();
        ASSERT_EQ(liste->count(), n + 1);
        EXPECT_EQ(liste->itemText(n - 1), QStringLiteral("Neutre : $808080"));
        EXPECT_EQ(liste->currentIndex(), n - 1);
        Controle<QPushButton>(d, "Annuler")->click();
    });
}

TEST_F(MonoChromeDialogue, AutreTeinteParLesBoitesCouleurEtNom) {
    Ouvrir([&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        const int n = liste->count();
        PendantDialogue("DialogueCouleur", [&](QDialog *c) {
            EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            EXPECT_EQ(qobject_cast<QColorDialog *>(c)->currentColor(), QColor(Qt::black));
            qobject_cast<QColorDialog *>(c)->setCurrentColor(QColor(0x12, 0x34, 0x56));
            c->accept();
        });
        PendantDialogue("Saisie", [&](QDialog *b) {
            auto *boite = qobject_cast<QInputDialog *>(b);
            EXPECT_EQ(boite->windowTitle(), QStringLiteral("Nouvelle teinte"));
            EXPECT_EQ(boite->labelText(), QStringLiteral("Nom de la nouvelle teinte :"));
            EXPECT_EQ(boite->textValue(), QStringLiteral("Teinte"));
            boite->setTextValue(QStringLiteral("Bleu nuit"));
            b->accept();
        });
        Choisir(liste, n - 1);
        Attendre([&] { return liste->count() == n + 1; });
        EXPECT_EQ(liste->itemText(n - 1), QStringLiteral("Bleu nuit : $123456"));
        EXPECT_EQ(liste->currentIndex(), n - 1);
        Attendre([&] { return d->windowFlags().testFlag(Qt::WindowStaysOnTopHint); });
        Controle<QPushButton>(d, "Annuler")->click();
    });
}

// A host that replaces its QApplication: the forms are made anew under the new
// one, and the tints added under the first are listed again.
TEST(MonoChromeNouvelleApplication, LesTeintesAjouteesRestent) {
    if (QCoreApplication::instance()) GTEST_SKIP() << "needs a process without an application";
    static int argc = 1;
    static char nom[] = "test";
    static char *argv[] = {nom, nullptr};
    Plugin &h = Plugin::Instance();
    Image t(L, H);
    t.Remplir(2);
    auto *premiere = new QApplication(argc, argv);
    h.Brancher();
    PendantDialogue("MonoCouleur", [&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        const int n = liste->count();
        PendantDialogue("DialogueCouleur", [&](QDialog *c) {
            qobject_cast<QColorDialog *>(c)->setCurrentColor(QColor(0x12, 0x34, 0x56));
            c->accept();
        });
        PendantDialogue("Saisie", [&](QDialog *b) {
            qobject_cast<QInputDialog *>(b)->setTextValue(QStringLiteral("Bleu nuit"));
            b->accept();
        });
        Choisir(liste, n - 1);
        Attendre([&] { return liste->count() == n + 1; });
        Controle<QPushButton>(d, "Annuler")->click();
    });
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable();  // the forms of the first application are abandoned with it, on purpose
#endif
    h.Executer(9, t.pixels, L, H);
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
    // The watcher's deleteLater was posted from the dialog's own loop, which has
    // ended: carry it out before its application goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete premiere;
    new QApplication(argc, argv);  // lives until exit
    QStringList vues;
    PendantDialogue("MonoCouleur", [&](QDialog *d) {
        auto *liste = Controle<QComboBox>(d, "ChoixTeinte");
        for (int i = 0; i < liste->count(); ++i) vues << liste->itemText(i);
        Controle<QPushButton>(d, "Annuler")->click();
    });
    h.Executer(9, t.pixels, L, H);
    ASSERT_EQ(vues.size(), 16);
    EXPECT_EQ(vues[14], QStringLiteral("Bleu nuit : $123456"));
    EXPECT_EQ(vues[15], QStringLiteral("Autre teinte ..."));
    EXPECT_EQ(h.appels.size(), 2u);
}
