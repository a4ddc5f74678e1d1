// The bridge in GIMP without a display (gimp-console, Script-Fu batch): the
// direct operations on a selection, compared with the reference host.
#include "OutilsGimp.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <map>

using namespace essai;

namespace {

const char *const Operations[] = {"", "inversion", "", "", "", "auto-luminosite", "auto-couleurs"};
const int Directes[] = {1, 5, 6};

struct Selection {
    const char *nom;
    const char *script; // Script-Fu on img
};
const Selection Selections[] = {
    {"aucune", "(gimp-selection-none img)"},
    {"rectangle", "(gimp-image-select-rectangle img CHANNEL-OP-REPLACE 30 20 50 40)"},
    {"adoucie", "(gimp-context-set-feather TRUE) (gimp-context-set-feather-radius 12 12)"
                "(gimp-image-select-rectangle img CHANNEL-OP-REPLACE 30 20 50 40)"
                "(gimp-context-set-feather FALSE)"},
};
// The fully selected pixel every selection shares (centre of the rectangle).
const QPoint Centre(55, 40);

constexpr int Largeur = 120, Hauteur = 90, Colonnes = 6;
QPoint PlaceDansGrille(int i) {
    return {(i % Colonnes) * Largeur, (i / Colonnes) * Hauteur};
}
QSize Grille(int n) {
    return {Colonnes * Largeur, (n + Colonnes - 1) / Colonnes * Hauteur};
}

// What one run left: the selection's bounds as GIMP gave them, dirtiness.
struct Cas {
    QRect bornes;
    bool sale = false;
    bool vu = false;
};

class GimpConsole : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        profil_ = new Profil;
        // A piece of the sample photograph; the same with varied transparency;
        // a grey image.
        const QImage photo = QImage(Env("VELMORA_SAMPLES") + QStringLiteral("/coffee.png"))
                                 .copy(230, 120, Largeur, Hauteur);
        ASSERT_FALSE(photo.isNull());
        originaux_["rvb"] = photo.convertToFormat(QImage::Format_ARGB32);
        QImage transparente = originaux_["rvb"];
        for (int y = 0; y < transparente.height(); ++y)
            for (int x = 0; x < transparente.width(); ++x) {
                const QRgb p = transparente.pixel(x, y);
                transparente.setPixel(x, y,
                                      qRgba(qRed(p), qGreen(p), qBlue(p), 40 + (x * 3 + y) % 216));
            }
        originaux_["rvba"] = transparente;
        for (auto &[nom, image] : originaux_)
            image.save(profil_->Chemin(QString::fromStdString(nom) + ".png"));
        photo.convertToFormat(QImage::Format_Grayscale8)
            .save(profil_->Chemin(QStringLiteral("gris.png")));

        // Each image loaded once; each case works on a duplicate of it and
        // leaves its result as a layer of one grid image, exported once (each
        // export is a plug-in process of its own).
        QString cas;
        int numero = 0;
        for (const auto &[nom, image] : originaux_) {
            QString casImage;
            for (const Selection &s : Selections)
                for (int n : Directes) {
                    const QString nomCas =
                        QStringLiteral("%1-%2-%3")
                            .arg(QString::fromStdString(nom), QLatin1String(s.nom))
                            .arg(n);
                    const QPoint place = PlaceDansGrille(numero++);
                    places_[nomCas.toStdString()] = place;
                    // The selection's bounds as GIMP gave them, and dirtiness.
                    const QString ligneCas = Gimp::Ecrire(
                        QStringLiteral("(string-append \"CAS %1 \""
                                       " (number->string (list-ref b 1)) \" \""
                                       " (number->string (list-ref b 2)) \" \""
                                       " (number->string (list-ref b 3)) \" \""
                                       " (number->string (list-ref b 4)) \" \""
                                       " (number->string (car (gimp-image-is-dirty img))))")
                            .arg(nomCas));
                    casImage +=
                        QStringLiteral(
                            "(let* ((img (car (gimp-image-duplicate source)))"
                            "(d %6))"
                            "%1 (gimp-image-clean-all img)"
                            "(let ((b (gimp-drawable-mask-intersect d)))"
                            "%2"
                            "%3)"
                            "(let ((c (car (gimp-layer-new-from-drawable d grille))))"
                            "(gimp-image-insert-layer grille c %7 -1)"
                            "(gimp-layer-set-offsets c %4 %5))"
                            "(gimp-image-delete img))")
                            .arg(QLatin1String(s.script),
                                 ScriptAppel(Operations[n], "RUN-NONINTERACTIVE"), ligneCas)
                            .arg(place.x())
                            .arg(place.y())
                            .arg(Gimp::Calque(QStringLiteral("img")),
                                 QLatin1String(Gimp::SansParent));
                }
            cas += QStringLiteral("(let ((source %1)) %2 (gimp-image-delete source))")
                       .arg(Gimp::Charger(profil_->Chemin(QString::fromStdString(nom) + ".png")),
                            casImage);
        }
        const QSize grille = Grille(numero);
        QStringList lot;
        lot << QStringLiteral("(let* ((grille (car (gimp-image-new %1 %2 RGB)))"
                              "(fond %3))"
                              "(gimp-image-insert-layer grille fond %4 0)"
                              "(gimp-drawable-fill fond FILL-TRANSPARENT)"
                              "%5"
                              "(let ((img grille) (d (car (gimp-image-merge-visible-layers grille "
                              "CLIP-TO-IMAGE))))"
                              "%6))")
                   .arg(grille.width())
                   .arg(grille.height())
                   .arg(Gimp::NouveauCalque(QStringLiteral("grille"), grille.width(),
                                            grille.height(), "fond"),
                        QLatin1String(Gimp::SansParent), cas,
                        ScriptExporter(profil_->Chemin(QStringLiteral("grille.png"))));
        // Refusal: a grey image (the dialog operations' settings in scripts are
        // GimpReglages').
        lot << QStringLiteral("(begin %1 %2)")
                   .arg(ScriptCharger(profil_->Chemin(QStringLiteral("gris.png"))),
                        ScriptAppel("inversion", "RUN-NONINTERACTIVE"));
#if VELMORA_GIMP == 3
        // GIMP 3 hands a procedure every selected drawable: two are refused.
        lot << QStringLiteral("(begin %1 (define d2 (car (gimp-layer-copy d)))"
                              "(gimp-image-insert-layer img d2 -1 0)"
                              "(plug-in-velmora-inversion #:run-mode RUN-NONINTERACTIVE"
                              " #:image img #:drawables (vector d d2)))")
                   .arg(ScriptCharger(profil_->Chemin(QStringLiteral("rvb.png"))));
#endif
        // GIMP 2.10 runs every command; GIMP 3 stops at the first that fails,
        // so that each refusal there is a run of its own.
#if VELMORA_GIMP == 3
        QList<QStringList> lancements;
        for (const QString &commande : lot) lancements.append({commande});
#else
        const QList<QStringList> lancements{lot + QStringList{QStringLiteral("(gimp-quit 0)")}};
#endif
        sortie_.clear();
        for (const QStringList &commandes : lancements) {
            QStringList arguments = Gimp::Console;
            arguments << QStringLiteral("-i") << QStringLiteral("-d") << QStringLiteral("-f")
                      << Gimp::ArgumentsLot;
            for (const QString &commande : commandes) arguments << QStringLiteral("-b") << commande;
            sortie_ += Lancer(QLatin1String(Gimp::ProgrammeConsole), arguments,
                              profil_->Environnement(), 240000);
        }
        static const QRegularExpression ligne(
            QStringLiteral("CAS (\\S+) (\\d+) (\\d+) (\\d+) (\\d+) (\\d)"));
        for (auto m = ligne.globalMatch(sortie_); m.hasNext();) {
            const auto c = m.next();
            cas_[c.captured(1).toStdString()] = {QRect(c.captured(2).toInt(), c.captured(3).toInt(),
                                                       c.captured(4).toInt(),
                                                       c.captured(5).toInt()),
                                                 c.captured(6) == QLatin1String("1"), true};
        }
    }
    static void TearDownTestSuite() {
        delete profil_;
        profil_ = nullptr;
    }

    static Profil *profil_;
    static std::map<std::string, QImage> originaux_;
    static std::map<std::string, Cas> cas_;
    static std::map<std::string, QPoint> places_;
    static QString sortie_;
};
Profil *GimpConsole::profil_ = nullptr;
std::map<std::string, QImage> GimpConsole::originaux_;
std::map<std::string, Cas> GimpConsole::cas_;
std::map<std::string, QPoint> GimpConsole::places_;
QString GimpConsole::sortie_;

} // namespace

// Inside the selection the reference host's bytes for the same rectangle,
// outside it the original ones; softly selected pixels lie between the two;
// transparency untouched; the image dirtied (the one undo step is checked in
// the interactive test, where undo can be pressed).
TEST_F(GimpConsole, OperationsDirectesSurLaSelection) {
    std::map<std::array<int, 5>, QImage> references;
    const QImage grille = Lire(profil_->Chemin(QStringLiteral("grille.png")));
    for (const auto &[nom, original] : originaux_)
        for (const Selection &s : Selections)
            for (int n : Directes) {
                const std::string cle = nom + "-" + s.nom + "-" + std::to_string(n);
                SCOPED_TRACE(cle);
                const Cas &c = cas_[cle];
                ASSERT_TRUE(c.vu) << sortie_.toStdString();
                EXPECT_TRUE(c.sale);
                const QRect attendu = std::string(s.nom) == "aucune"      ? original.rect()
                                      : std::string(s.nom) == "rectangle" ? QRect(30, 20, 50, 40)
                                                                          : c.bornes;
                EXPECT_EQ(c.bornes, attendu);
                EXPECT_TRUE(original.rect().contains(c.bornes));
                const QImage resultat = grille.copy(QRect(places_[cle], original.size()));
                ASSERT_EQ(resultat.size(), original.size());
                // The same colours in both images: one reference per rectangle.
                QImage &ref = references[{n, c.bornes.x(), c.bornes.y(), c.bornes.width(),
                                          c.bornes.height()}];
                if (ref.isNull()) ref = Reference(n, original.copy(c.bornes), profil_->Chemin({}));
                ASSERT_EQ(ref.size(), c.bornes.size());

                int entre = 0, horsBornes = 0, alphaChange = 0, horsIntervalle = 0;
                for (int y = 0; y < original.height(); ++y)
                    for (int x = 0; x < original.width(); ++x) {
                        const QRgb o = original.pixel(x, y), r = resultat.pixel(x, y);
                        if (qAlpha(o) != qAlpha(r)) ++alphaChange;
                        if (!c.bornes.contains(x, y)) {
                            if (o != r) ++horsBornes;
                            continue;
                        }
                        const QRgb a = ref.pixel(x - c.bornes.x(), y - c.bornes.y());
                        bool strict = false;
                        for (int decalage : {16, 8, 0}) {
                            const int vo = (o >> decalage) & 0xFF, va = (a >> decalage) & 0xFF,
                                      vr = (r >> decalage) & 0xFF;
                            if (vr < std::min(vo, va) - 1 || vr > std::max(vo, va) + 1)
                                ++horsIntervalle;
                            if (vr != vo && vr != va) strict = true;
                        }
                        if (strict) ++entre;
                    }
                EXPECT_EQ(horsBornes, 0);
                EXPECT_EQ(alphaChange, 0);
                EXPECT_EQ(horsIntervalle, 0);
                if (std::string(s.nom) == "adoucie") {
                    EXPECT_GT(entre, 100); // GIMP blended the edge
                    EXPECT_EQ(Differences(resultat, ref, QRect(Centre, QSize(1, 1)),
                                          -c.bornes.topLeft(), false),
                              0);
                } else {
                    EXPECT_EQ(Differences(resultat, ref, c.bornes, -c.bornes.topLeft(), false), 0);
                }
            }
}

TEST_F(GimpConsole, ImageGriseRefusee) {
    EXPECT_TRUE(
        sortie_.contains(QStringLiteral("Velmora ne traite que les images RVB : convertissez "
                                        "d'abord l'image (Image › Mode › RVB)")))
        << sortie_.toStdString();
}

#if VELMORA_GIMP == 3
// GIMP 3 offers the entries for one selected drawable; a script that hands
// over two is told so, and nothing is changed.
TEST_F(GimpConsole, DeuxCalquesRefuses) {
    EXPECT_TRUE(sortie_.contains(
        QStringLiteral("Velmora ne traite qu'un calque à la fois : n'en sélectionnez qu'un")))
        << sortie_.toStdString();
}
#endif
