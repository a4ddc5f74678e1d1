// What a photograph carries through velmora-host: size, alpha, orientation,
// metadata and colour profile, depth, and many files in one run. The fixture
// files are made here, their metadata written with Exiv2.
#include "ImageHote.h"
#include "Lancement.h"
#include "VersionExiv2.h"

#include <QColorSpace>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <map>
#include <string>

namespace velmora::hote::essai {
namespace {

using Champs = std::map<std::string, std::string>;

// What the fixtures carry. Orientation and pixel dimensions are added per case.
const Champs ExifPhoto = {
    {"Exif.Image.Make", "Fabricant"},
    {"Exif.Image.Model", "Boitier 1"},
    {"Exif.Image.Copyright", "Tous droits reserves"},
    {"Exif.Photo.DateTimeOriginal", "2024:05:17 10:42:00"},
    {"Exif.Photo.ExposureTime", "1/250"},
    {"Exif.GPSInfo.GPSLatitudeRef", "N"},
    {"Exif.GPSInfo.GPSLatitude", "48/1 51/1 2400/100"},
};
const Champs XmpPhoto = {
    {"Xmp.dc.creator", "Auteur"},
    {"Xmp.xmp.Rating", "4"},
    {"Xmp.photoshop.City", "Lyon"},
};
const Champs IptcPhoto = {
    {"Iptc.Application2.Caption", "Legende"},
    {"Iptc.Application2.Copyright", "Droits"},
};

QByteArray ProfilIcc() { return QColorSpace(QColorSpace::DisplayP3).iccProfile(); }

struct Etiquettes {
    Champs exif, xmp, iptc;
    QByteArray icc;
};

// The metadata a file carries, as text; the IFD pointer tags hold offsets
// that differ in every file and are left out.
Etiquettes Lire(const QString &chemin) {
    Etiquettes e;
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(chemin).toStdString());
    image->readMetadata();
    for (const auto &d : image->exifData()) {
        const std::string cle = d.key();
        if (cle == "Exif.Image.ExifTag" || cle == "Exif.Image.GPSTag") continue;
        e.exif[cle] = d.toString();
    }
    for (const auto &d : image->xmpData()) e.xmp[d.key()] = d.toString();
    for (const auto &d : image->iptcData()) e.iptc[d.key()] = d.toString();
    if (image->iccProfileDefined())
        e.icc = velmora::hote::exiv2::Profil(*image);
    return e;
}

// Writes the photo's metadata (all but the profile) into an existing file, with an orientation and
// the pixel dimensions of the stored image.
void Etiqueter(const QString &chemin, int orientation, int largeur, int hauteur) {
    auto image = Exiv2::ImageFactory::open(QFile::encodeName(chemin).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData(); // a TIFF's own structure stays
    for (const auto &[cle, valeur] : ExifPhoto) exif[cle] = valeur;
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(largeur);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(hauteur);
    Exiv2::XmpData xmp;
    for (const auto &[cle, valeur] : XmpPhoto) xmp[cle] = valeur;
    xmp["Xmp.tiff.Orientation"] = std::to_string(orientation);
    Exiv2::IptcData iptc;
    for (const auto &[cle, valeur] : IptcPhoto) iptc[cle] = valeur;
    image->setExifData(exif);
    image->setXmpData(xmp);
    if (image->checkMode(Exiv2::mdIptc) & Exiv2::amWrite) image->setIptcData(iptc); // not WebP
    image->writeMetadata();
}

// The colour profile goes in as a camera or an editor puts it: by the encoder.
bool Sauver(QImage image, const QString &chemin, const char *format = nullptr, int qualite = -1) {
    image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    return image.save(chemin, format, qualite);
}

// The metadata the output must carry: the input's, orientation 1, its own size.
::testing::AssertionResult EtiquettesRecopiees(const Etiquettes &entree, const Etiquettes &sortie,
                                               int largeur, int hauteur, bool avecIptc = true) {
    for (const auto &[cle, valeur] : ExifPhoto)
        if (sortie.exif.count(cle) == 0 || sortie.exif.at(cle) != valeur)
            return ::testing::AssertionFailure() << cle << " lost or changed";
    for (const auto &[cle, valeur] : XmpPhoto)
        if (sortie.xmp.count(cle) == 0 || sortie.xmp.at(cle) != valeur)
            return ::testing::AssertionFailure() << cle << " lost or changed";
    for (const auto &[cle, valeur] : IptcPhoto)
        if (avecIptc && (sortie.iptc.count(cle) == 0 || sortie.iptc.at(cle) != valeur))
            return ::testing::AssertionFailure() << cle << " lost or changed";
    const std::pair<const char *, std::string> decrit[] = {
        {"Exif.Image.Orientation", "1"},
        {"Exif.Photo.PixelXDimension", std::to_string(largeur)},
        {"Exif.Photo.PixelYDimension", std::to_string(hauteur)},
    };
    for (const auto &[cle, valeur] : decrit)
        if (sortie.exif.count(cle) == 0 || sortie.exif.at(cle) != valeur)
            return ::testing::AssertionFailure()
                   << cle << " is " << (sortie.exif.count(cle) ? sortie.exif.at(cle) : "absent")
                   << ", not " << valeur;
    if (sortie.xmp.count("Xmp.tiff.Orientation") == 0 || sortie.xmp.at("Xmp.tiff.Orientation") != "1")
        return ::testing::AssertionFailure() << "Xmp.tiff.Orientation not 1";
    if (sortie.icc != entree.icc || sortie.icc.isEmpty())
        return ::testing::AssertionFailure() << "ICC profile: " << entree.icc.size() << " bytes in, "
                                             << sortie.icc.size() << " out";
    return ::testing::AssertionSuccess();
}

// Nothing the input's EXIF and XMP did not hold.
::testing::AssertionResult RienInvente(const Etiquettes &entree, const Etiquettes &sortie) {
    for (const auto &[cle, valeur] : sortie.exif)
        if (entree.exif.count(cle) == 0) return ::testing::AssertionFailure() << "new " << cle;
    for (const auto &[cle, valeur] : entree.exif)
        if (sortie.exif.count(cle) == 0) return ::testing::AssertionFailure() << "lost " << cle;
    for (const auto &[cle, valeur] : sortie.xmp)
        if (entree.xmp.count(cle) == 0) return ::testing::AssertionFailure() << "new " << cle;
    return ::testing::AssertionSuccess();
}

QRgb Negatif(QRgb c) { return qRgba(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c), qAlpha(c)); }

bool Proche(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class Photo_ : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Programme().isEmpty()) << "VELMORA_HOST is not set";
        ASSERT_TRUE(dossier.isValid());
    }
    QString Chemin(const QString &nom) const { return dossier.filePath(nom); }
    QTemporaryDir dossier;
};

// A camera file on its side: flat halves that survive JPEG, the left one red.
// Orientation 6 turns it clockwise: the red half becomes the top.
TEST_F(Photo_, JpegTourneEtGardeSesMetadonnees) {
    QImage source(32, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) source.setPixel(x, y, x < 16 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    const QString entree = Chemin("photo.jpg"), sortie = Chemin("inv.jpg");
    ASSERT_TRUE(Sauver(source, entree, "jpeg", 95));
    Etiqueter(entree, 6, 32, 16);

    const Resultat r = Lancer({"--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    EXPECT_TRUE(r.erreurs.isEmpty()) << r.erreurs.toStdString();
    const QImage apres(sortie);
    ASSERT_EQ(apres.size(), QSize(16, 32));
    EXPECT_TRUE(Proche(apres.pixel(8, 6), qRgb(0, 255, 255), 12)) << std::hex << apres.pixel(8, 6);
    EXPECT_TRUE(Proche(apres.pixel(8, 26), qRgb(255, 255, 0), 12)) << std::hex << apres.pixel(8, 26);
    const Etiquettes avant = Lire(entree), ecrit = Lire(sortie);
    EXPECT_TRUE(EtiquettesRecopiees(avant, ecrit, 16, 32));
    EXPECT_EQ(QImage(sortie).colorSpace().iccProfile(), ProfilIcc()); // and other readers see it
    EXPECT_TRUE(RienInvente(avant, ecrit));
}

// Lossless formats: the exact negative, alpha as it was, every field kept.
TEST_F(Photo_, PngEtTiffGardentAlphaEtMetadonnees) {
    // Half the pixels opaque: Qt keeps a TIFF's alpha premultiplied, so only
    // there are its colours exact; the alpha itself is exact everywhere.
    std::mt19937 gen(11);
    QImage source(13, 7, QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, QRgb(gen()) | ((x + y) % 2 ? 0xff000000u : 0u));
    for (const char *format : {"png", "tif"}) {
        SCOPED_TRACE(format);
        const QString entree = Chemin(QStringLiteral("rgba.%1").arg(format));
        const QString sortie = Chemin(QStringLiteral("inv.%1").arg(format));
        ASSERT_TRUE(Sauver(source, entree));
        ASSERT_TRUE(QImage(entree).hasAlphaChannel());
        Etiqueter(entree, 1, 13, 7);

        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        const QImage apres = QImage(sortie).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(apres.size(), source.size());
        const bool premultiplie = QByteArray(format) == "tif";
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x) {
                const QRgb s = source.pixel(x, y), a = apres.pixel(x, y);
                ASSERT_EQ(qAlpha(a), qAlpha(s)) << x << "," << y;
                if (!premultiplie || qAlpha(s) == 255) {
                    ASSERT_EQ(a, Negatif(s)) << x << "," << y;
                }
            }
        const Etiquettes avant = Lire(entree), ecrit = Lire(sortie);
        EXPECT_TRUE(EtiquettesRecopiees(avant, ecrit, 13, 7));
        EXPECT_EQ(QImage(sortie).colorSpace().iccProfile(), ProfilIcc());
        if (QByteArray(format) == "png") {
            EXPECT_TRUE(RienInvente(avant, ecrit));
        }
    }
}

// Each EXIF orientation on a 3 × 2 image of six colours A..F, stored as
//   A B C
//   D E F
// and the picture the camera meant, worked out by hand, row by row.
TEST_F(Photo_, ChaqueOrientationRedresseeUneFois) {
    const QRgb couleur[6] = {qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(10, 10, 200),
                             qRgb(200, 200, 10), qRgb(10, 200, 200), qRgb(200, 10, 200)};
    QImage source(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i) source.setPixel(i % 3, i / 3, couleur[i]);
    struct Cas {
        int orientation;
        QStringList lignes;
    };
    const Cas cas[] = {
        {1, {"ABC", "DEF"}},       {2, {"CBA", "FED"}},       {3, {"FED", "CBA"}},
        {4, {"DEF", "ABC"}},       {5, {"AD", "BE", "CF"}},   {6, {"DA", "EB", "FC"}},
        {7, {"FC", "EB", "DA"}},   {8, {"CF", "BE", "AD"}},
    };
    for (const Cas &c : cas) {
        SCOPED_TRACE(c.orientation);
        const QString entree = Chemin(QStringLiteral("o%1.png").arg(c.orientation));
        const QString sortie = Chemin(QStringLiteral("o%1-inv.png").arg(c.orientation));
        ASSERT_TRUE(Sauver(source, entree));
        Etiqueter(entree, c.orientation, 3, 2);
        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        const QImage apres(sortie);
        ASSERT_EQ(apres.height(), c.lignes.size());
        ASSERT_EQ(apres.width(), c.lignes[0].size());
        for (int y = 0; y < apres.height(); ++y)
            for (int x = 0; x < apres.width(); ++x)
                EXPECT_EQ(apres.pixel(x, y) | 0xff000000u,
                          Negatif(couleur[c.lignes[y][x].toLatin1() - 'A']))
                    << x << "," << y;
        EXPECT_EQ(Lire(sortie).exif.at("Exif.Image.Orientation"), "1");
    }
}

// 16 bits a channel: values chosen as multiples of 257, so that the 8-bit
// value is exact (b × 257 is b); alpha goes along the same way.
TEST_F(Photo_, SeizeBitsTraitesEnHuitEtDitsUneFois) {
    struct Cas {
        const char *format;
        QImage::Format qt;
    };
    // (Qt keeps a TIFF's alpha premultiplied, which is not exact: the TIFF case is opaque.)
    for (const Cas c : {Cas{"png", QImage::Format_RGBA64}, Cas{"png", QImage::Format_RGBX64},
                        Cas{"tif", QImage::Format_RGBX64}}) {
        SCOPED_TRACE(std::string(c.format) + (c.qt == QImage::Format_RGBA64 ? " rgba" : " rgbx"));
        std::mt19937 gen(5);
        QImage source(9, 5, c.qt);
        QImage attendu(9, 5, QImage::Format_ARGB32);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                const int r = int(gen() % 256), v = int(gen() % 256), b = int(gen() % 256);
                const int a = c.qt == QImage::Format_RGBA64 ? int(gen() % 256) : 255;
                source.setPixelColor(x, y, QColor::fromRgba64(QRgba64::fromRgba64(
                                               quint16(r * 257), quint16(v * 257),
                                               quint16(b * 257), quint16(a * 257))));
                attendu.setPixel(x, y, qRgba(255 - r, 255 - v, 255 - b, a));
            }
        const QString entree = Chemin(QStringLiteral("seize.%1").arg(c.format));
        const QString sortie = Chemin(QStringLiteral("seize-inv.%1").arg(c.format));
        ASSERT_TRUE(source.save(entree));
        {
            QImageReader l(entree);
            ASSERT_EQ(l.read().depth(), 64) << "the fixture is not 16-bit";
        }
        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        const QStringList lignes = r.erreurs.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lignes.size(), 1) << r.erreurs.toStdString();
        EXPECT_TRUE(lignes[0].contains(QStringLiteral("16 bits"))) << lignes[0].toStdString();
        EXPECT_TRUE(lignes[0].contains(QStringLiteral("8 bits"))) << lignes[0].toStdString();
        const QImage apres(sortie);
        ASSERT_EQ(apres.size(), source.size());
        EXPECT_EQ(apres.convertToFormat(QImage::Format_ARGB32), attendu);
    }
}

// A CRC-32 (the PNG chunk check), bit by bit.
uint32_t Crc32(const QByteArray &octets) {
    uint32_t crc = 0xffffffffu;
    for (const char o : octets) {
        crc ^= uint8_t(o);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG of a few bytes whose header claims largeur × hauteur.
QByteArray PngAnnonce(uint32_t largeur, uint32_t hauteur) {
    auto grand = [](QByteArray &b, uint32_t v) {
        for (int k = 3; k >= 0; --k) b.append(char(v >> (8 * k)));
    };
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr("IHDR");
    grand(ihdr, largeur);
    grand(ihdr, hauteur);
    ihdr.append("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB
    auto bloc = [&](const QByteArray &type, const QByteArray &donnees) {
        grand(png, uint32_t(donnees.size()));
        png += type + donnees;
        grand(png, Crc32(type + donnees));
    };
    bloc("IHDR", ihdr.mid(4));
    bloc("IDAT", QByteArray(16, '\0')); // never inflated: the size is refused first
    bloc("IEND", {});
    return png;
}

TEST_F(Photo_, TropGrandeSeDitSansRienLire) {
    struct Cas {
        uint32_t largeur, hauteur;
    };
    // Each beyond what a counted array holds, whatever the memory.
    for (const Cas c : {Cas{100000, 100000}, Cas{65536, 32768}, Cas{1000000, 2148}}) {
        SCOPED_TRACE(c.largeur);
        const QString entree = Chemin("enorme.png"), sortie = Chemin("sortie.png");
        QFile f(entree);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(PngAnnonce(c.largeur, c.hauteur));
        f.close();
        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.erreurs, QStringLiteral("velmora-host : Image trop grande : %1 × %2 pixels\n")
                                 .arg(c.largeur)
                                 .arg(c.hauteur));
        EXPECT_FALSE(QFileInfo::exists(sortie));
    }
}

// A chunk announcing more than the file holds is refused before the decoder
// allocates what it announces (libpng took 2 GB for a 300-byte file).
TEST_F(Photo_, BlocPngPlusLongQueLeFichierRefuse) {
    QByteArray png = PngAnnonce(12, 8);
    const int iend = png.indexOf("IEND") - 4;
    QByteArray texte("tEXtDescription\0essai", 21);
    png.insert(iend, QByteArray("\0\0\0\x11", 4) + texte + QByteArray(4, '\0'));
    for (const QByteArray &longueur : {QByteArray("\x76\x00\x00\x11", 4), QByteArray("\x7f\xff\xff\xff", 4)}) {
        png.replace(iend, 4, longueur);
        const QString entree = Chemin("bloc.png");
        QFile f(entree);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(png);
        f.close();
        QString erreur;
        EXPECT_FALSE(hote::Charger(entree, &erreur));
        EXPECT_EQ(erreur, QStringLiteral("Impossible de lire l'image « %1 » : données d'image invalides")
                              .arg(entree));
    }
}

// 36 MP decode to 144 MB, past Qt's default 128 MB limit that refused every
// photograph above about 33 MP. A flat JPEG keeps the file small.
TEST_F(Photo_, GrandePhotoAuDelaDeLaLimiteDeQt) {
    QImage source(6000, 6000, QImage::Format_RGB32);
    source.fill(qRgb(30, 120, 200));
    const QString entree = Chemin("grande.jpg"), sortie = Chemin("grande-inv.jpg");
    ASSERT_TRUE(source.save(entree, "jpeg", 90));
    const Resultat r = Lancer({"--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    QImageReader::setAllocationLimit(0);
    const QImage apres(sortie);
    ASSERT_EQ(apres.size(), QSize(6000, 6000));
    EXPECT_TRUE(Proche(apres.pixel(3000, 3000), qRgb(225, 135, 55), 3)) << std::hex << apres.pixel(3000, 3000);
}

// Within the count but beyond the memory the process may use (ulimit -v
// 3 GB: 187.5 MP at 16 bytes a pixel): refused from the header alone.
TEST_F(Photo_, TropGrandePourLaMemoireDuProcessus) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory needs an unlimited address space";
#endif
    const QString entree = Chemin("enorme.png"), sortie = Chemin("sortie.png");
    QFile f(entree);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(PngAnnonce(20000, 10000));
    f.close();
    const QString commande =
        QStringLiteral("ulimit -v 3000000 && exec \"$0\" --apply 1 \"$1\" \"$2\"");
    Appli();
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {"-c", commande, Programme(), entree, sortie});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral("velmora-host : Image trop grande : 20000 × 10000 pixels\n"));
    EXPECT_FALSE(QFileInfo::exists(sortie));
}

// The bound itself, with the memory given: a count a counted array holds,
// 16 bytes a pixel within the memory.
TEST(TailleAdmise, CompteEtMemoire) {
    const int64_t Gio = int64_t(1) << 30;
    struct Cas {
        int64_t largeur, hauteur, memoire;
        bool admise;
    };
    const Cas cas[] = {
        {8688, 5792, 4 * Gio, true},                 // 50 MP: 805 MB of 4 GiB
        {8688, 5792, 805'000'000, false},            // 50 323 296 × 16 = 805 172 736
        {8688, 5792, 805'172'736, true},
        {46341, 46341, int64_t(1) << 62, false},     // 2 147 488 281 pixels: one past the count
        {2147483647, 1, int64_t(1) << 62, true},     // the largest count
        {65536, 32768, int64_t(1) << 62, false},     // 2^31
        {1, 1, 15, false},
        {0, 5, 0, true},                             // no size: left to the decoder
    };
    for (const Cas &c : cas)
        EXPECT_EQ(TailleAdmise(c.largeur, c.hauteur, c.memoire), c.admise)
            << c.largeur << " × " << c.hauteur << " in " << c.memoire;
}

// Many files: one bad among good ones fails alone, the others are written in
// their own format, and the exit code says that one failed.
TEST_F(Photo_, LotContinueApresUnEchec) {
    const QImage source = ImageAleatoire(11, 6, 3);
    QDir().mkpath(Chemin("entrees"));
    const QString a = Chemin("entrees/a.png"), b = Chemin("entrees/b.tif"),
                  c = Chemin("entrees/c.jpg"), faux = Chemin("entrees/faux.png");
    ASSERT_TRUE(source.save(a));
    ASSERT_TRUE(source.save(b));
    ASSERT_TRUE(Sauver(source, c, "jpeg", 95));
    Etiqueter(c, 1, 11, 6);
    QFile f(faux);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("pas une image");
    f.close();
    // A JPEG named .png goes out as a JPEG; a GIF reads but Qt cannot write one.
    const QString d = Chemin("entrees/d.png"), e = Chemin("entrees/e.gif");
    ASSERT_TRUE(source.save(d, "jpeg", 95));
    QFile gif(e);
    ASSERT_TRUE(gif.open(QIODevice::WriteOnly));
    gif.write(QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b"));
    gif.close();
    ASSERT_FALSE(QImage(e).isNull());

    const QString sortie = Chemin("sorties");
    const Resultat r = Lancer({"--apply", "1", "-o", sortie, a, faux, b, c, d, e});
    EXPECT_EQ(r.code, 1);
    const QStringList lignes = r.erreurs.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lignes.size(), 2) << r.erreurs.toStdString();
    EXPECT_TRUE(lignes[0].startsWith(QStringLiteral("velmora-host : ")));
    EXPECT_TRUE(lignes[0].contains(QStringLiteral("faux.png")));
    EXPECT_TRUE(lignes[1].contains(QStringLiteral("e.gif")));
    EXPECT_TRUE(r.sortie.contains(QStringLiteral("4 sur 6"))) << r.sortie.toStdString();
    EXPECT_TRUE(EstNegatif(source, QImage(sortie + "/a.png")));
    EXPECT_TRUE(EstNegatif(source, QImage(sortie + "/b.tif")));
    EXPECT_FALSE(QFileInfo::exists(sortie + "/faux.png"));
    const struct {
        const char *nom, *format;
    } formats[] = {{"a.png", "png"}, {"b.tif", "tiff"}, {"c.jpg", "jpeg"}, {"d.png", "jpeg"}};
    for (const auto &f : formats)
        EXPECT_EQ(QImageReader(sortie + '/' + f.nom).format(), QByteArray(f.format)) << f.nom;
    EXPECT_TRUE(EtiquettesRecopiees(Lire(c), Lire(sortie + "/c.jpg"), 11, 6));
    // Only the finished files are there: no temporary file left behind.
    EXPECT_EQ(QDir(sortie).entryList(QDir::Files).size(), 4);
}

// Files read and written on several threads: the same lines in the same order,
// the same bytes, the outputs written in the given order, however many at once.
// The first file is slow to encode (a large PNG of noise) and the others are
// quick, so that any output written before the ones given ahead of it shows
// in every run, loaded machine or not.
TEST_F(Photo_, LotSurPlusieursFilsCommeUnAUn) {
    QDir().mkpath(Chemin("entrees"));
    QStringList entrees;
    for (int k = 0; k < 9; ++k) {
        const QImage source = k == 0 ? ImageAleatoire(1600, 1200, 20) : ImageAleatoire(40 + 13 * k, 30 + 7 * k, 20 + k);
        const QString nom = Chemin(QStringLiteral("entrees/f%1.%2").arg(k).arg(k % 3 || k == 0 ? "png" : "jpg"));
        if (k == 4) {
            QFile faux(nom);
            ASSERT_TRUE(faux.open(QIODevice::WriteOnly));
            faux.write("pas une image");
        } else {
            ASSERT_TRUE(k % 3 ? source.save(nom) : Sauver(source, nom, "jpeg", 90));
        }
        entrees << nom;
    }
    std::vector<Resultat> resultats;
    for (const char *taches : {"1", "3", "8"}) {
        const QString sortie = Chemin(QStringLiteral("sorties-%1").arg(taches));
        resultats.push_back(Lancer(QStringList{"-j", taches, "--apply", "1", "-o", sortie} + entrees));
        const Resultat &r = resultats.back();
        EXPECT_EQ(r.code, 1) << taches;
        EXPECT_TRUE(r.sortie.contains(QStringLiteral("8 sur 9"))) << r.sortie.toStdString();
        // Written in the given order.
        QDateTime avant;
        for (int k = 0; k < 9; ++k) {
            if (k == 4) continue;
            const QFileInfo f(sortie + '/' + QFileInfo(entrees[k]).fileName());
            ASSERT_TRUE(f.exists()) << taches << " " << k;
            EXPECT_LE(avant, f.lastModified()) << taches << " " << k;
            avant = f.lastModified();
        }
    }
    for (std::size_t i = 1; i < resultats.size(); ++i) {
        EXPECT_EQ(resultats[i].sortie.replace(QStringLiteral("sorties-3"), QStringLiteral("sorties-1"))
                      .replace(QStringLiteral("sorties-8"), QStringLiteral("sorties-1")),
                  resultats[0].sortie);
        EXPECT_EQ(resultats[i].erreurs, resultats[0].erreurs);
    }
    for (int k = 0; k < 9; ++k) {
        if (k == 4) continue;
        const QString nom = QFileInfo(entrees[k]).fileName();
        QFile a(Chemin("sorties-1/" + nom)), b(Chemin("sorties-3/" + nom)), c(Chemin("sorties-8/" + nom));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && c.open(QIODevice::ReadOnly));
        const QByteArray octets = a.readAll();
        EXPECT_EQ(b.readAll(), octets) << k;
        EXPECT_EQ(c.readAll(), octets) << k;
    }
}

// An output that is also an input (the same file under any name), or two
// inputs writing one output: refused before anything is written.
TEST_F(Photo_, SortieQuiEstUneEntreeRefusee) {
    const QImage source = ImageAleatoire(5, 4, 9);
    QDir().mkpath(Chemin("x"));
    QDir().mkpath(Chemin("y"));
    const QString a = Chemin("x/a.png");
    ASSERT_TRUE(source.save(a));
    ASSERT_TRUE(source.save(Chemin("y/a.png")));
    ASSERT_TRUE(source.save(Chemin("x/b.png")));
    struct Cas {
        const char *nom;
        QStringList arguments;
        QString attendu;
    };
    const Cas cas[] = {
        {"dossier de l'entrée", {"--apply", "1", "-o", Chemin("x"), Chemin("x/b.png"), a},
         "aussi une entrée"},
        {"même dossier par un autre chemin", {"--apply", "1", "-o", Chemin("y/../x"), a},
         "aussi une entrée"},
        {"deux entrées du même nom", {"--apply", "1", "-o", Chemin("z"), a, Chemin("y/a.png")},
         "même sortie"},
        {"une entrée deux fois", {"--apply", "1", "-o", Chemin("z"), a, Chemin("x/./a.png")},
         "même sortie"},
        {"une seule image sur elle-même", {"--apply", "1", a, Chemin("y/../x/a.png")},
         "aussi l'entrée"},
    };
    for (const Cas &c : cas) {
        SCOPED_TRACE(c.nom);
        const Resultat r = Lancer(c.arguments);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.erreurs.contains(c.attendu)) << r.erreurs.toStdString();
        EXPECT_TRUE(MemesOctets(QImage(a), source));
        EXPECT_TRUE(MemesOctets(QImage(Chemin("x/b.png")), source));
        EXPECT_FALSE(QFileInfo::exists(Chemin("z")));
    }
}

// The API the window saves through: what Charger read, Enregistrer writes back.
TEST(ChargerEnregistrer, AllerRetourGardeAlphaEtProfil) {
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    QImage source(6, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) source.setPixel(x, y, qRgba(x * 40, y * 90, 7, 30 * x + y));
    const QString entree = dossier.filePath("a.png"), sortie = dossier.filePath("b.png");
    ASSERT_TRUE(Sauver(source, entree));
    Etiqueter(entree, 8, 6, 3);
    QString erreur;
    std::optional<ImageChargee> c = Charger(entree, &erreur);
    ASSERT_TRUE(c) << erreur.toStdString();
    EXPECT_EQ(c->origine.orientation, 8);
    EXPECT_EQ(c->origine.format, QByteArray("png"));
    EXPECT_TRUE(c->origine.Note().isEmpty());
    ASSERT_EQ(c->image.largeur, 3);
    ASSERT_EQ(c->image.hauteur, 6);
    ASSERT_EQ(c->image.alpha.size(), 18u);
    ASSERT_TRUE(Enregistrer(c->image, c->origine, sortie, &erreur)) << erreur.toStdString();
    // Turned back by hand (orientation 8 is a quarter turn anticlockwise).
    const QImage apres = QImage(sortie).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(apres.size(), QSize(3, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(apres.pixel(x, y), source.pixel(5 - y, x));
    EXPECT_TRUE(EtiquettesRecopiees(Lire(entree), Lire(sortie), 3, 6));
    // A format chosen by name, whatever the extension says.
    ASSERT_TRUE(Enregistrer(c->image, c->origine, dossier.filePath("c.img"), &erreur, "tiff"))
        << erreur.toStdString();
    EXPECT_EQ(QImageReader(dossier.filePath("c.img")).format(), QByteArray("tiff"));
    EXPECT_FALSE(Enregistrer(c->image, c->origine, dossier.filePath("d.inconnu"), &erreur));
}

// WebP carries EXIF, XMP and a profile (no IPTC); turned as JPEG is.
TEST_F(Photo_, WebpTourneEtGardeSesMetadonnees) {
    QImage source(16, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) source.setPixel(x, y, x < 8 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    const QString entree = Chemin("photo.webp"), sortie = Chemin("inv.webp");
    ASSERT_TRUE(Sauver(source, entree, "webp", 100));
    Etiqueter(entree, 6, 16, 8);
    const Resultat r = Lancer({"--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    const QImage apres(sortie);
    ASSERT_EQ(apres.size(), QSize(8, 16));
    EXPECT_TRUE(Proche(apres.pixel(4, 3), qRgb(0, 255, 255), 12)) << std::hex << apres.pixel(4, 3);
    EXPECT_TRUE(Proche(apres.pixel(4, 12), qRgb(255, 255, 0), 12)) << std::hex << apres.pixel(4, 12);
    EXPECT_TRUE(EtiquettesRecopiees(Lire(entree), Lire(sortie), 8, 16, false));
    EXPECT_EQ(apres.colorSpace().iccProfile(), ProfilIcc());
}

// The host hands out RGB pixels: a profile for grey or CMYK pixels would make
// managed viewers show wrong colours. It stays behind, and a line says so.
TEST_F(Photo_, ProfilQuiNeDecritPasDuRvbEcarte) {
    for (const char *espace : {"CMYK", "GRAY"}) {
        SCOPED_TRACE(espace);
        const QString entree = Chemin(QStringLiteral("%1.jpg").arg(espace));
        const QString sortie = Chemin(QStringLiteral("%1-inv.jpg").arg(espace));
        ASSERT_TRUE(ImageAleatoire(8, 8, 4).save(entree, "jpeg", 95));
        Etiqueter(entree, 1, 8, 8);
        QByteArray profil = ProfilIcc();
        profil.replace(16, 4, espace); // the header's data colour space
        {
            auto image = Exiv2::ImageFactory::open(QFile::encodeName(entree).toStdString());
            image->readMetadata();
            velmora::hote::exiv2::DonnerProfil(*image, velmora::hote::exiv2::Tampon(profil),
                                               false);
            image->writeMetadata();
        }
        ASSERT_EQ(Lire(entree).icc, profil);
        const Resultat r = Lancer({"--apply", "1", entree, sortie});
        ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
        const QStringList lignes = r.erreurs.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lignes.size(), 1) << r.erreurs.toStdString();
        EXPECT_TRUE(lignes[0].contains(espace)) << lignes[0].toStdString();
        EXPECT_TRUE(lignes[0].contains(QStringLiteral("n'est pas recopié"))) << lignes[0].toStdString();
        const Etiquettes ecrit = Lire(sortie);
        EXPECT_TRUE(ecrit.icc.isEmpty());
        EXPECT_EQ(ecrit.exif.at("Exif.Image.Make"), "Fabricant");
        EXPECT_EQ(ecrit.xmp.at("Xmp.dc.creator"), "Auteur");
    }
}

// An EXIF block that is not one: the image still goes through, and a line
// says its labels are not copied rather than dropping them in silence.
TEST_F(Photo_, MetadonneesIllisiblesDites) {
    const QString entree = Chemin("abime.jpg"), sortie = Chemin("abime-inv.jpg");
    const QImage source = ImageAleatoire(8, 8, 6);
    ASSERT_TRUE(source.save(entree, "jpeg", 95));
    QFile f(entree);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray octets = f.readAll();
    f.close();
    // After the start marker: an APP1 "Exif" segment whose TIFF header is "XX".
    octets.insert(2, QByteArray("\xff\xe1\x00\x0a" "Exif\0\0" "XX", 12));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(octets);
    f.close();
    ASSERT_FALSE(QImage(entree).isNull());
    const Resultat r = Lancer({"--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    const QStringList lignes = r.erreurs.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lignes.size(), 1) << r.erreurs.toStdString();
    EXPECT_TRUE(lignes[0].contains(QStringLiteral("métadonnées de « abime.jpg » sont illisibles")))
        << lignes[0].toStdString();
    EXPECT_EQ(QImage(sortie).size(), source.size());
}

// A TIFF saved as JPEG: the photo's fields go along, the TIFF's storage
// layout (strips, samples, compression) does not, since it describes nothing there.
TEST_F(Photo_, TiffVersJpegSansSaStructure) {
    const QString entree = Chemin("a.tif"), sortie = Chemin("a.jpg");
    ASSERT_TRUE(Sauver(ImageAleatoire(10, 4, 2), entree));
    Etiqueter(entree, 1, 10, 4);
    ASSERT_EQ(Lire(entree).exif.count("Exif.Image.StripOffsets"), 1u);
    const Resultat r = Lancer({"--apply", "1", entree, sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.toStdString();
    const Etiquettes ecrit = Lire(sortie);
    EXPECT_TRUE(EtiquettesRecopiees(Lire(entree), ecrit, 10, 4));
    for (const char *cle : {"Exif.Image.StripOffsets", "Exif.Image.StripByteCounts",
                            "Exif.Image.RowsPerStrip", "Exif.Image.BitsPerSample",
                            "Exif.Image.Compression", "Exif.Image.SamplesPerPixel"})
        EXPECT_EQ(ecrit.exif.count(cle), 0u) << cle;
}

} // namespace
} // namespace velmora::hote::essai
