// The host's image as the plug-in sees it: a counted array of blue, green,
// red triplets, rows top to bottom, no padding, with the alpha channel kept
// beside it; and the files it comes from and goes to, with what they carry.
#pragma once

#include <velmora/memoire.h>
#include "Metadonnees.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::hote {

struct ImageHote {
    TPtsImg pixels; // one counted block, owned by the host
    int32_t largeur = 0;
    int32_t hauteur = 0;
    // One byte per pixel in the same order, or empty when the image has no
    // alpha channel. The plug-in never sees it: it goes back as it came.
    std::vector<uint8_t> alpha;

    bool Vide() const { return pixels.empty(); }
};

// What a file carried besides its pixels, kept from Charger to Enregistrer.
struct Origine {
    QString chemin;       // the file read
    QByteArray format;    // Qt's name of its format: "jpeg", "png", "tiff"…
    int orientation = 1;  // the EXIF orientation found (1..8), already applied to the pixels
    int bitsParCanal = 8; // of the file; above 8 the pixels were reduced to 8
    Metadonnees metadonnees; // EXIF, XMP, IPTC, ICC profile and comment, as read
    QList<QPair<QString, QString>> textes; // the file's other text fields (PNG chunks…)

    // A colour profile left behind because it does not describe RGB pixels
    // (CMYK, grey…): its colour space as the profile names it, else empty.
    QString profilEcarte;
    // Why the file's labels could not be read (they are then not copied), or empty.
    QString metadonneesIllisibles;
    // The decoder met a truncated or damaged stream and filled in what it
    // could not read: the image opens, but part of it is not the photograph.
    bool endommagee = false;

    // The one line that says what the host changed or found (depth reduced, a
    // profile or unreadable labels left behind, a damaged file), or an empty string.
    QString Note() const;
};

struct ImageChargee {
    ImageHote image;
    Origine origine;
};

// Reads an image file as the host works on it: within the size bound, alpha
// kept beside the pixels, the EXIF orientation applied, 16-bit reduced to 8,
// the metadata kept in origine. On failure: nothing, and erreur says why
// (for a size out of bounds: "Image trop grande : L × H pixels").
std::optional<ImageChargee> Charger(const QString &chemin, QString *erreur);

// Writes the image to chemin: in the format named by `format`, or by the
// extension when it is empty; alpha put back; the metadata of origine copied
// (orientation 1, pixel dimensions those of the image). The file is replaced
// in one step: a failed write leaves no partial file. false and erreur on failure.
bool Enregistrer(const ImageHote &image, const Origine &origine, const QString &chemin,
                 QString *erreur, const QByteArray &format = {});
// Enregistrer in two steps: the file's bytes (format and metadata as above; the
// path only names the format and the messages), then the file replaced by them.
std::optional<QByteArray> Encoder(const ImageHote &image, const Origine &origine,
                                  const QString &chemin, QString *erreur,
                                  const QByteArray &format = {});
bool EcrireFichier(const QByteArray &octets, const QString &chemin, QString *erreur);

// The size bound: a pixel count that fits a counted array, and 16 bytes a pixel
// (decoding, conversion, the block and the output) within the machine's memory.
constexpr int64_t OctetsParPixel = 16;
bool TailleAdmise(int64_t largeur, int64_t hauteur, int64_t memoire);
int64_t MemoireMachine(); // physical memory, or less where a cgroup or ulimit -v says so
// The memory the reader counts on: MemoireMachine(), or a smaller share set by a
// program that gives the reader only part of the machine (0: the machine's again).
void DefinirMemoireAdmise(int64_t octets);
int64_t MemoireAdmise();
QString MessageTropGrande(int64_t largeur, int64_t hauteur);

// A new counted block holding the image's pixels, and its alpha channel if it has one.
// Returns an empty ImageHote for a null image or one too large to count.
ImageHote VersPixels(const QImage &image);

// A copy of the pixels as a QImage: Format_BGR888, or Format_RGBA8888 with the alpha.
QImage VersQImage(const TPtImg *pixels, int32_t largeur, int32_t hauteur,
                  const std::vector<uint8_t> &alpha = {});
inline QImage VersQImage(const ImageHote &i) {
    return VersQImage(i.pixels.data(), i.largeur, i.hauteur, i.alpha);
}

// Plain snapshots of the pixels, for undo and for putting back a cancelled result.
std::vector<TPtImg> Instantane(const ImageHote &i);
// Writes a snapshot back into the same block; false if the sizes differ.
bool Restaurer(ImageHote &i, const std::vector<TPtImg> &instantane);

// Whether the extension of chemin names a format Qt can write.
bool FormatEcritureConnu(const QString &chemin);
// The message for an extension that names no format Qt can write.
QString MessageFormatInconnu(const QString &chemin);

// File dialog filters for the formats Qt can read / write.
QString FiltreLecture();
QString FiltreEcriture();

} // namespace velmora::hote
