#include "ImageHote.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cstring>
#include <limits>

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

ImageHote VersPixels(const QImage &image) {
    ImageHote h;
    if (image.isNull()) return h;
    const int64_t n = int64_t(image.width()) * image.height();
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return h;
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    if (bgr.isNull()) return h;
    h.pixels = TPtsImg::Creer(int32_t(n));
    h.largeur = bgr.width();
    h.hauteur = bgr.height();
    const std::size_t ligne = std::size_t(h.largeur) * sizeof(TPtImg);
    auto *dest = reinterpret_cast<uchar *>(h.pixels.data());
    for (int y = 0; y < h.hauteur; ++y) // QImage pads its rows; the block does not
        std::memcpy(dest + std::size_t(y) * ligne, bgr.constScanLine(y), ligne);
    return h;
}

QImage VersQImage(const TPtImg *pixels, int32_t largeur, int32_t hauteur) {
    if (!pixels || largeur <= 0 || hauteur <= 0) return {};
    QImage image(largeur, hauteur, QImage::Format_BGR888);
    if (image.isNull()) return {};
    const std::size_t ligne = std::size_t(largeur) * sizeof(TPtImg);
    const auto *source = reinterpret_cast<const uchar *>(pixels);
    for (int y = 0; y < hauteur; ++y)
        std::memcpy(image.scanLine(y), source + std::size_t(y) * ligne, ligne);
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

QImage LireImage(const QString &chemin, QString *erreur) {
    QImageReader lecteur(chemin);
    QImage image = lecteur.read();
    if (image.isNull()) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de lire l'image « %1 » : %2")
                          .arg(chemin, Raison(lecteur.error(), lecteur.errorString()));
        return {};
    }
    const int64_t n = int64_t(image.width()) * image.height();
    if (n > std::numeric_limits<int32_t>::max()) {
        if (erreur) *erreur = QStringLiteral("Image trop grande : %1").arg(chemin);
        return {};
    }
    return image;
}

bool FormatEcritureConnu(const QString &chemin) {
    const QByteArray suffixe = QFileInfo(chemin).suffix().toLower().toLatin1();
    return !suffixe.isEmpty() && QImageWriter::supportedImageFormats().contains(suffixe);
}

bool EcrireImage(const QImage &image, const QString &chemin, QString *erreur) {
    if (!FormatEcritureConnu(chemin)) {
        if (erreur)
            *erreur = QStringLiteral("Format d'image inconnu pour « %1 » (extension attendue : %2)")
                          .arg(chemin, QString::fromLatin1(
                                           QImageWriter::supportedImageFormats().join(", ")));
        return false;
    }
    QImageWriter ecrivain(chemin, QFileInfo(chemin).suffix().toLower().toLatin1());
    if (!ecrivain.write(image)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible d'écrire l'image « %1 » : %2")
                          .arg(chemin, Raison(ecrivain.error(), ecrivain.errorString()));
        return false;
    }
    return true;
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
