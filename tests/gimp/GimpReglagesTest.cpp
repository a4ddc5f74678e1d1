// The dialog operations' settings as procedure arguments: a script's run with
// no dialog (which Filters › Repeat does not take as the user's last
// settings), refusals that leave the layer as it was. Compared with the reference host given the same settings.
#include "OutilsGimp.h"

#include <QRegularExpression>

using namespace essai;

namespace {

// The selection's rectangle in the layer, and each run's settings as the
// script passes them and as the host takes them (zones in the selection's
// coordinates there).
const QRect Selection(30, 20, 50, 40);
#if VELMORA_GIMP == 3
const char *const ArgsLgcs = "#:gamma 20 #:contraste 62 #:luminosite 55 #:saturation -30";
const char *const ArgsBalance =
    "#:temperature 5000 #:zone-claire-x 40 #:zone-claire-y 30 #:zone-claire-largeur 12"
    " #:zone-claire-hauteur 9";
const char *const ArgsHors = "#:zone-claire-x 100 #:zone-claire-y 30 #:zone-claire-largeur 12"
                             " #:zone-claire-hauteur 9";
#else
const char *const ArgsLgcs = "20 62 55 -30";
const char *const ArgsBalance = "5000 \"moyenne\" \"non-autorisee\" 40 30 12 9 0 0 0 0 0";
const char *const ArgsHors = "6700 \"moyenne\" \"non-autorisee\" 100 30 12 9 0 0 0 0 0";
#endif

QString Appel(const char *nom, const char *mode, const char *args) {
    QString a = ScriptAppel(nom, mode);
    a.chop(1);
    return a + QLatin1Char(' ') + QLatin1String(args) + QLatin1Char(')');
}

class GimpReglages : public ::testing::Test {
protected:
    void SetUp() override {
        photo_ = QImage(Env("VELMORA_SAMPLES") + QStringLiteral("/coffee.png"))
                     .copy(230, 120, 120, 90)
                     .convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(photo_.isNull());
        photo_.save(profil_.Chemin(QStringLiteral("photo.png")));
    }
    // One gimp-console run of the commands, each on the photo freshly loaded
    // with the selection made; its output.
    QString Executer(const QStringList &commandes) {
        QString sortie;
        QList<QStringList> lancements;
#if VELMORA_GIMP == 3
        for (const QString &c : commandes) lancements.append({c});  // GIMP 3 stops at a failure
#else
        lancements.append(commandes + QStringList{QStringLiteral("(gimp-quit 0)")});
#endif
        for (const QStringList &lot : lancements) {
            QStringList arguments = Gimp::Console;
            arguments << QStringLiteral("-i") << QStringLiteral("-d") << QStringLiteral("-f")
                      << Gimp::ArgumentsLot;
            for (const QString &c : lot) arguments << QStringLiteral("-b") << c;
            sortie += Lancer(QLatin1String(Gimp::ProgrammeConsole), arguments,
                             profil_.Environnement(), 240000);
        }
        return sortie;
    }
    QString Script(const QString &appels, const QString &sortie) const {
        return QStringLiteral("(begin %1 (gimp-image-select-rectangle img CHANNEL-OP-REPLACE %2 %3 "
                              "%4 %5) %6 %7)")
            .arg(ScriptCharger(profil_.Chemin(QStringLiteral("photo.png"))))
            .arg(Selection.x())
            .arg(Selection.y())
            .arg(Selection.width())
            .arg(Selection.height())
            .arg(appels, sortie.isEmpty() ? QString() : ScriptExporter(profil_.Chemin(sortie)));
    }
    // The photo with the host's result for the selection's pixels.
    QImage Attendu(int n, const QStringList &reglages) {
        QImage r = photo_;
        const QImage region = Reference(n, photo_.copy(Selection), profil_.Chemin(QString()), reglages);
        for (int y = 0; y < Selection.height(); ++y)
            for (int x = 0; x < Selection.width(); ++x)
                r.setPixel(Selection.x() + x, Selection.y() + y,
                           (region.pixel(x, y) & 0xFFFFFF) |
                               (photo_.pixel(Selection.x() + x, Selection.y() + y) & 0xFF000000));
        return r;
    }

    Profil profil_;
    QImage photo_;
};

// Pixels that differ, to say how far a result is.
int Ecarts(const QImage &a, const QImage &b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

TEST_F(GimpReglages, ArgumentsPuisDernieresValeurs) {
    const QString sortie = Executer({
        Script(Appel("lgcs", "RUN-NONINTERACTIVE", ArgsLgcs), QStringLiteral("lgcs.png")),
        // Repeat: the settings of the last dialog's "Appliquer" (none here: the
        // defaults), not a script's.
        Script(ScriptAppel("lgcs", "RUN-WITH-LAST-VALS"), QStringLiteral("repete.png")),
        Script(Appel("equilibrage", "RUN-NONINTERACTIVE", ArgsBalance), QStringLiteral("balance.png")),
        // A zone outside the layer: refused, the layer left as it was.
        Script(Appel("equilibrage", "RUN-NONINTERACTIVE", ArgsHors) +
                   Gimp::Ecrire(QStringLiteral("(string-append \"SALE \" (number->string (car "
                                               "(gimp-image-is-dirty img))))")),
               QString()),
    });
    const QImage lgcs = Attendu(2, {"-r", "gamma=20;contraste=62;luminosite=55;saturation=-30"});
    EXPECT_EQ(Ecarts(Lire(profil_.Chemin(QStringLiteral("lgcs.png"))), lgcs), 0)
        << sortie.toStdString();
    EXPECT_EQ(Ecarts(Lire(profil_.Chemin(QStringLiteral("repete.png"))), photo_), 0)
        << sortie.toStdString();
    EXPECT_GT(Ecarts(lgcs, photo_), 1000);
    // The zone (40, 30) of the layer is (10, 10) of the selection.
    const QImage balance = Attendu(7, {"-r", "temperature=5000;zone-claire=10,10,12,9"});
    EXPECT_EQ(Ecarts(Lire(profil_.Chemin(QStringLiteral("balance.png"))), balance), 0);
    EXPECT_GT(Ecarts(balance, photo_), 1000);
    EXPECT_TRUE(sortie.contains(QStringLiteral("zone hors de l'image"))) << sortie.toStdString();
    EXPECT_FALSE(sortie.contains(QStringLiteral("SALE 1"))) << sortie.toStdString();
}
