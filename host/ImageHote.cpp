#include "ImageHote.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>
#include <type_traits>

namespace velmora::hote {
namespace {

QString Raison(QImageReader::ImageReaderError e, const QString &sinon) {
    switch (e) {
    case QImageReader::FileNotFoundError: return QStringLiteral("fichier introuvable");
    case QImageReader::DeviceError: return QStringLiteral("lecture impossible");
    case QImageReader::UnsupportedFormatError: return QStringLiteral("format non reconnu");
    case QImageReader::InvalidDataError: return QStringLiteral("données d'image invalides");
    default: return sinon;
    }
}

QString Raison(QImageWriter::ImageWriterError e, const QString &sinon) {
    switch (e) {
    case QImageWriter::DeviceError: return QStringLiteral("écriture impossible");
    case QImageWriter::UnsupportedFormatError: return QStringLiteral("format non pris en charge");
    case QImageWriter::InvalidImageError: return QStringLiteral("image invalide");
    default: return sinon;
    }
}

} // namespace

namespace {

// Splits 8-bit pixels (Format_BGR888, or Format_RGBA8888 with alpha) into the
// block and the alpha.
ImageHote Separer(const QImage &source) {
    ImageHote h;
    const bool avecAlpha = source.format() == QImage::Format_RGBA8888;
    const int64_t n = int64_t(source.width()) * source.height();
    h.pixels = TPtsImg::Creer(int32_t(n));
    h.largeur = source.width();
    h.hauteur = source.height();
    TPtImg *dest = h.pixels.data();
    if (!avecAlpha) { // the block's own layout: QImage only pads its rows
        const std::size_t ligne = std::size_t(h.largeur) * sizeof(TPtImg);
        for (int y = 0; y < h.hauteur; ++y)
            std::memcpy(reinterpret_cast<uchar *>(dest) + std::size_t(y) * ligne,
                        source.constScanLine(y), ligne);
        return h;
    }
    h.alpha.resize(std::size_t(n));
    uint8_t *alpha = h.alpha.data();
    for (int y = 0; y < h.hauteur; ++y) {
        const uchar *s = source.constScanLine(y);
        for (int x = 0; x < h.largeur; ++x, s += 4) {
            *dest++ = TPtImg{s[2], s[1], s[0]};
            *alpha++ = s[3];
        }
    }
    return h;
}

// 32-bit 0xffRRGGBB pixels into the block, row after row. The sizes are read
// once: the loop then needs no call per pixel.
void DepuisRgb32(const QImage &image, TPtImg *dest) {
    const int largeur = image.width(), hauteur = image.height();
    for (int y = 0; y < hauteur; ++y) {
        const auto *ligne = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < largeur; ++x)
            dest[x] = TPtImg{uint8_t(qBlue(ligne[x])), uint8_t(qGreen(ligne[x])), uint8_t(qRed(ligne[x]))};
        dest += largeur;
    }
}

// The pixels in 8-bit BGR, or RGBA when there is an alpha channel (not premultiplied).
QImage Huit(const QImage &image) {
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA8888
                                                         : QImage::Format_BGR888);
}

} // namespace

ImageHote VersPixels(const QImage &image) {
    if (image.isNull()) return {};
    const int64_t n = int64_t(image.width()) * image.height();
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return {};
    const QImage huit = Huit(image);
    if (huit.isNull()) return {};
    return Separer(huit);
}

QImage VersQImage(const TPtImg *pixels, int32_t largeur, int32_t hauteur,
                  const std::vector<uint8_t> &alpha) {
    if (!pixels || largeur <= 0 || hauteur <= 0) return {};
    const std::size_t n = std::size_t(largeur) * std::size_t(hauteur);
    const bool avecAlpha = alpha.size() == n;
    QImage image(largeur, hauteur, avecAlpha ? QImage::Format_RGBA8888 : QImage::Format_BGR888);
    if (image.isNull()) return {};
    if (!avecAlpha) {
        const std::size_t ligne = std::size_t(largeur) * sizeof(TPtImg);
        const auto *source = reinterpret_cast<const uchar *>(pixels);
        for (int y = 0; y < hauteur; ++y)
            std::memcpy(image.scanLine(y), source + std::size_t(y) * ligne, ligne);
        return image;
    }
    const TPtImg *p = pixels;
    const uint8_t *a = alpha.data();
    for (int y = 0; y < hauteur; ++y) {
        uchar *d = image.scanLine(y);
        for (int x = 0; x < largeur; ++x, ++p, d += 4) {
            d[0] = p->Rouge;
            d[1] = p->Vert;
            d[2] = p->Bleu;
            d[3] = *a++;
        }
    }
    return image;
}

std::vector<TPtImg> Instantane(const ImageHote &i) {
    return std::vector<TPtImg>(i.pixels.begin(), i.pixels.end());
}

bool Restaurer(ImageHote &i, const std::vector<TPtImg> &instantane) {
    if (instantane.size() != std::size_t(i.pixels.size())) return false;
    std::copy(instantane.begin(), instantane.end(), i.pixels.begin());
    return true;
}

int64_t MemoireMachine() {
    int64_t memoire = std::numeric_limits<int64_t>::max();
    const long pages = sysconf(_SC_PHYS_PAGES), taille = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && taille > 0) memoire = int64_t(pages) * int64_t(taille);
    // A container's share, where one is set (cgroup v2 says "max" otherwise).
    QFile limite(QStringLiteral("/sys/fs/cgroup/memory.max"));
    if (limite.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        bool ok = false;
        const qlonglong v = limite.read(32).trimmed().toLongLong(&ok);
        if (ok && v > 0) memoire = std::min<int64_t>(memoire, v);
    }
    // And the process's own address-space limit (ulimit -v).
    rlimit espace{};
    if (getrlimit(RLIMIT_AS, &espace) == 0 && espace.rlim_cur != RLIM_INFINITY)
        memoire = std::min<int64_t>(memoire, int64_t(espace.rlim_cur));
    return memoire;
}

namespace {
std::atomic<int64_t> memoireAdmise{0};
} // namespace

void DefinirMemoireAdmise(int64_t octets) { memoireAdmise = std::max<int64_t>(octets, 0); }

int64_t MemoireAdmise() {
    const int64_t part = memoireAdmise;
    const int64_t machine = MemoireMachine();
    return part > 0 ? std::min(part, machine) : machine;
}

bool TailleAdmise(int64_t largeur, int64_t hauteur, int64_t memoire) {
    if (largeur <= 0 || hauteur <= 0) return true; // not a size: the decoder says what is wrong
    if (largeur > std::numeric_limits<int32_t>::max() / hauteur) return false;
    const int64_t n = largeur * hauteur;
    return n <= memoire / OctetsParPixel;
}

QString MessageTropGrande(int64_t largeur, int64_t hauteur) {
    return QStringLiteral("Image trop grande : %1 × %2 pixels").arg(largeur).arg(hauteur);
}

QString Origine::Note() const {
    const QString nom = QFileInfo(chemin).fileName();
    QStringList parties;
    if (bitsParCanal > 8)
        parties << QStringLiteral("« %1 » a %2 bits par canal : elle est traitée et enregistrée en 8 bits")
                       .arg(nom)
                       .arg(bitsParCanal);
    if (!profilEcarte.isEmpty())
        parties << QStringLiteral("le profil de couleur %1 de « %2 » ne décrit pas des pixels RVB : "
                                  "il n'est pas recopié")
                       .arg(profilEcarte, nom);
    if (endommagee)
        parties << QStringLiteral("« %1 » est tronquée ou endommagée : une partie de l'image "
                                  "n'a pas pu être lue").arg(nom);
    if (!metadonneesIllisibles.isEmpty())
        parties << QStringLiteral("les métadonnées de « %1 » sont illisibles (%2) : elles ne sont "
                                  "pas recopiées")
                       .arg(nom, metadonneesIllisibles);
    return parties.join(QStringLiteral(" ; "));
}

namespace {

int BitsParCanal(QImage::Format f) {
    switch (f) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied: return 16;
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied: return 32;
    default: return 8;
    }
}

// Whether every chunk of a PNG file fits in the file. libpng, under Qt's
// reader, allocates the length a chunk announces before reading it: a
// 300-byte file announcing a 2 GB text chunk would take 2 GB. Other files: true.
bool BlocsPngDansLeFichier(const QString &chemin) {
    // Unbuffered: 8 bytes a chunk, where a buffered file would read 16 KB after each seek.
    QFile f(chemin);
    uchar o[8];
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        f.read(reinterpret_cast<char *>(o), 8) != 8 || std::memcmp(o, "\x89PNG\r\n\x1a\n", 8) != 0)
        return true;
    const qint64 taille = f.size();
    qint64 position = 8;
    while (position + 8 <= taille) {
        if (!f.seek(position)) return true; // the decoder says what is wrong
        if (f.read(reinterpret_cast<char *>(o), 8) < 8) return true;
        const qint64 longueur = qint64(o[0]) << 24 | o[1] << 16 | o[2] << 8 | o[3];
        if (longueur > taille - position - 12) return false; // data and CRC beyond the end
        if (std::memcmp(o + 4, "IEND", 4) == 0) break;
        position += 12 + longueur;
    }
    return true;
}

// The JPEG decoder says that a file is truncated or damaged only with a
// warning, and still returns an image, the part it could not read filled in.
// Counts those warnings while it reads; every message still goes on to the
// handler that was there before, which decides what is printed.
class AlertesDecodeur {
public:
    AlertesDecodeur() : precedent_(qInstallMessageHandler(&Recevoir)) { actif_ = this; }
    ~AlertesDecodeur() {
        actif_ = nullptr;
        qInstallMessageHandler(precedent_);
    }
    AlertesDecodeur(const AlertesDecodeur &) = delete;
    AlertesDecodeur &operator=(const AlertesDecodeur &) = delete;
    int Nombre() const { return nombre_; }

private:
    static void Recevoir(QtMsgType type, const QMessageLogContext &contexte, const QString &message) {
        AlertesDecodeur *a = actif_;
        if (!a) return;
        if (type == QtWarningMsg && contexte.category &&
            std::strcmp(contexte.category, "qt.gui.imageio.jpeg") == 0)
            ++a->nombre_;
        if (a->precedent_) a->precedent_(type, contexte, message);
    }

    static inline AlertesDecodeur *actif_ = nullptr;
    QtMessageHandler precedent_;
    int nombre_ = 0;
};

// Reads with the host's own bound in place of Qt's default allocation limit,
// which refuses every photograph above about 33 megapixels.
QImage Lire(const QString &chemin, QByteArray *format, QString *erreur, bool *endommagee) {
    const int64_t memoire = MemoireAdmise();
    {
        // One process-wide setting; the batch reads on several threads.
        static std::mutex verrou;
        const std::lock_guard garde(verrou);
        QImageReader::setAllocationLimit(
            int(std::min<int64_t>(memoire >> 20, std::numeric_limits<int>::max())));
    }
    if (!BlocsPngDansLeFichier(chemin)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de lire l'image « %1 » : %2")
                          .arg(chemin, Raison(QImageReader::InvalidDataError, {}));
        return {};
    }
    QImageReader lecteur(chemin);
    lecteur.setAutoTransform(false); // the orientation is applied once, by the host
    const QSize annonce = lecteur.size(); // from the header, before any decoding
    if (annonce.isValid() && !TailleAdmise(annonce.width(), annonce.height(), memoire)) {
        if (erreur) *erreur = MessageTropGrande(annonce.width(), annonce.height());
        return {};
    }
    if (format) *format = lecteur.format(); // known once the header is read, forgotten after read()
    QImage image;
    {
        AlertesDecodeur alertes;
        image = lecteur.read();
        *endommagee = alertes.Nombre() > 0;
    }
    if (image.isNull()) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de lire l'image « %1 » : %2")
                          .arg(chemin, Raison(lecteur.error(), lecteur.errorString()));
        return {};
    }
    if (!TailleAdmise(image.width(), image.height(), memoire)) {
        if (erreur) *erreur = MessageTropGrande(image.width(), image.height());
        return {};
    }
    return image;
}

// The EXIF orientation applied to 8-bit pixels, so that the image stands as the
// camera meant it. Source (x, y) goes to the place given for each tag value.
QImage Orienter(const QImage &source, int orientation) {
    if (orientation <= 1 || orientation > 8) return source;
    const int L = source.width(), H = source.height();
    const bool tourne = orientation >= 5;
    QImage dest(tourne ? H : L, tourne ? L : H, source.format());
    if (dest.isNull()) return {};
    // The place is affine in (x, y): dx = cx + ax x + bx y, dy = cy + ay x + by y.
    int cx = 0, ax = 1, bx = 0, cy = 0, ay = 0, by = 1;
    switch (orientation) {
    case 2: cx = L - 1; ax = -1; break;
    case 3: cx = L - 1; ax = -1; cy = H - 1; by = -1; break;
    case 4: cy = H - 1; by = -1; break;
    case 5: ax = 0; bx = 1; ay = 1; by = 0; break;
    case 6: cx = H - 1; ax = 0; bx = -1; ay = 1; by = 0; break;
    case 7: cx = H - 1; ax = 0; bx = -1; cy = L - 1; ay = -1; by = 0; break;
    case 8: ax = 0; bx = 1; cy = L - 1; ay = -1; by = 0; break;
    }
    // Pointers stepped along each source row: scanLine() per pixel would
    // check the image's sharing each time.
    const auto copier = [&](auto octets) {
        constexpr std::ptrdiff_t pas = decltype(octets)::value;
        uchar *const base = dest.bits();
        const std::ptrdiff_t ligne = dest.bytesPerLine();
        const std::ptrdiff_t versX = std::ptrdiff_t(ax) * pas + std::ptrdiff_t(ay) * ligne;
        for (int y = 0; y < H; ++y) {
            const uchar *s = source.constScanLine(y);
            uchar *d = base + (cx + std::ptrdiff_t(bx) * y) * pas + (cy + std::ptrdiff_t(by) * y) * ligne;
            for (int x = 0; x < L; ++x, s += pas, d += versX) std::memcpy(d, s, std::size_t(pas));
        }
    };
    if (source.format() == QImage::Format_RGBA8888)
        copier(std::integral_constant<int, 4>{});
    else
        copier(std::integral_constant<int, 3>{});
    return dest;
}

// Text chunks Exiv2 keeps its own blocks in: they go back through Exiv2, not twice.
bool CleExiv2(const QString &cle) {
    return cle == QLatin1String("XML:com.adobe.xmp") ||
           cle.startsWith(QLatin1String("Raw profile type"), Qt::CaseInsensitive);
}

} // namespace

std::optional<ImageChargee> Charger(const QString &chemin, QString *erreur) {
    QByteArray format;
    bool endommagee = false;
    QImage image = Lire(chemin, &format, erreur, &endommagee);
    if (image.isNull()) return std::nullopt;
    ImageChargee c;
    c.origine.endommagee = endommagee;
    c.origine.chemin = chemin;
    c.origine.format = format;
    c.origine.bitsParCanal = BitsParCanal(image.format());
    c.origine.metadonnees = Metadonnees::Lire(chemin, &c.origine.metadonneesIllisibles);
    // The host hands out RGB pixels whatever the file held (grey, CMYK): a
    // profile of another colour space would make every managed viewer show
    // wrong colours, so it is left behind, and said.
    if (const QByteArray profil = c.origine.metadonnees.Profil(); !profil.isEmpty()) {
        const QByteArray espace = profil.mid(16, 4);
        if (espace != "RGB ") {
            c.origine.profilEcarte = QString::fromLatin1(espace).trimmed();
            if (c.origine.profilEcarte.isEmpty()) c.origine.profilEcarte = QStringLiteral("illisible");
            c.origine.metadonnees = c.origine.metadonnees.SansProfil();
        }
    }
    c.origine.orientation = c.origine.metadonnees.Orientation();
    for (const QString &cle : image.textKeys())
        if (!CleExiv2(cle)) c.origine.textes.append({cle, image.text(cle)});
    if (image.format() == QImage::Format_RGB32 && c.origine.orientation == 1) {
        // What the JPEG decoder gives: straight into the block, without an
        // intermediate image (a 50 MP photo saves 150 MB and a pass).
        c.image.pixels = TPtsImg::Creer(int32_t(int64_t(image.width()) * image.height()));
        c.image.largeur = image.width();
        c.image.hauteur = image.height();
        DepuisRgb32(image, c.image.pixels.data());
        return c;
    }
    const QSize taille = image.size();
    QImage huit = Huit(image);
    image = QImage(); // one full copy at a time
    if (!huit.isNull()) huit = Orienter(huit, c.origine.orientation);
    if (huit.isNull()) { // out of memory after all
        if (erreur) *erreur = MessageTropGrande(taille.width(), taille.height());
        return std::nullopt;
    }
    c.image = Separer(huit);
    return c;
}

std::optional<QByteArray> Encoder(const ImageHote &image, const Origine &origine,
                                  const QString &chemin, QString *erreur,
                                  const QByteArray &formatDemande) {
    const QByteArray format =
        formatDemande.isEmpty() ? QFileInfo(chemin).suffix().toLower().toLatin1() : formatDemande;
    const QList<QByteArray> ecrits = QImageWriter::supportedImageFormats();
    if (!formatDemande.isEmpty() && !ecrits.contains(format)) {
        if (erreur)
            *erreur = QStringLiteral("Le format « %1 » ne s'écrit pas : « %2 » n'est pas écrit")
                          .arg(QString::fromLatin1(format), chemin);
        return std::nullopt;
    }
    if (format.isEmpty() || !ecrits.contains(format)) {
        if (erreur) *erreur = MessageFormatInconnu(chemin);
        return std::nullopt;
    }
    if (image.Vide()) {
        if (erreur) *erreur = QStringLiteral("Aucune image à enregistrer");
        return std::nullopt;
    }
    QByteArray octets;
    {
        QImage q = VersQImage(image);
        for (const auto &[cle, texte] : origine.textes) q.setText(cle, texte);
        const QByteArray profil = origine.metadonnees.Profil();
        if ((format == "png" || format == "webp") && !profil.isEmpty()) {
            // Exiv2 names a PNG profile after the one it found in the file, and
            // readers drop an unnamed one: let the encoder write a named profile
            // (the very bytes when Qt can parse them) for Exiv2 to fill.
            const QColorSpace espace = QColorSpace::fromIccProfile(profil);
            q.setColorSpace(espace.isValid() ? espace : QColorSpace(QColorSpace::SRgb));
        }
        QBuffer tampon(&octets);
        tampon.open(QIODevice::WriteOnly);
        QImageWriter ecrivain(&tampon, format);
        if (format == "jpeg" || format == "jpg" || format == "webp") ecrivain.setQuality(95);
        if (!ecrivain.write(q)) {
            if (erreur)
                *erreur = QStringLiteral("Impossible d'écrire l'image « %1 » : %2")
                              .arg(chemin, Raison(ecrivain.error(), ecrivain.errorString()));
            return std::nullopt;
        }
    }
    QString raison;
    if (!origine.metadonnees.Ecrire(octets, image.largeur, image.hauteur, &raison)) {
        if (erreur) *erreur = QStringLiteral("Impossible d'écrire l'image « %1 » : %2").arg(chemin, raison);
        return std::nullopt;
    }
    return octets;
}

bool EcrireFichier(const QByteArray &octets, const QString &chemin, QString *erreur) {
    QSaveFile fichier(chemin);
    // Unbuffered, so that a write cut short (disk full, size limit) shows in
    // write()'s count: buffered, the failure comes at commit's flush, which
    // still renames the truncated file over the original.
    if (!fichier.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        fichier.write(octets) != octets.size() ||
        !fichier.commit()) {
        if (erreur)
            *erreur = QStringLiteral("Impossible d'écrire l'image « %1 » : %2")
                          .arg(chemin, fichier.errorString());
        return false;
    }
    return true;
}

bool Enregistrer(const ImageHote &image, const Origine &origine, const QString &chemin,
                 QString *erreur, const QByteArray &format) {
    const std::optional<QByteArray> octets = Encoder(image, origine, chemin, erreur, format);
    return octets && EcrireFichier(*octets, chemin, erreur);
}

bool FormatEcritureConnu(const QString &chemin) {
    const QByteArray suffixe = QFileInfo(chemin).suffix().toLower().toLatin1();
    return !suffixe.isEmpty() && QImageWriter::supportedImageFormats().contains(suffixe);
}

QString MessageFormatInconnu(const QString &chemin) {
    return QStringLiteral("Format d'image inconnu pour « %1 » (extension attendue : %2)")
        .arg(chemin, QString::fromLatin1(QImageWriter::supportedImageFormats().join(", ")));
}

namespace {
QString Filtre(const QList<QByteArray> &formats) {
    QStringList motifs;
    for (const QByteArray &f : formats) motifs << QStringLiteral("*.") + QString::fromLatin1(f);
    return QStringLiteral("Images (%1);;Tous les fichiers (*)").arg(motifs.join(' '));
}
} // namespace

QString FiltreLecture() { return Filtre(QImageReader::supportedImageFormats()); }
QString FiltreEcriture() { return Filtre(QImageWriter::supportedImageFormats()); }

} // namespace velmora::hote
