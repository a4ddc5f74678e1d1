// The host's image as the plug-in sees it: a counted array of blue, green,
// red triplets, rows top to bottom, no padding; and back to a QImage.
#pragma once

#include "../src/imaging/TableauCompte.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace velmora::hote {

struct ImageHote {
    TPtsImg pixels; // one counted block, owned by the host
    int32_t largeur = 0;
    int32_t hauteur = 0;

    bool Vide() const { return pixels.empty(); }
};

// A new counted block holding the image's pixels (alpha is dropped).
// Returns an empty ImageHote for a null image or one too large to count.
ImageHote VersPixels(const QImage &image);

// A copy of the pixels as a QImage (Format_BGR888).
QImage VersQImage(const TPtImg *pixels, int32_t largeur, int32_t hauteur);
inline QImage VersQImage(const ImageHote &i) {
    return VersQImage(i.pixels.data(), i.largeur, i.hauteur);
}

// Plain snapshots of the pixels, for undo and for putting back a cancelled result.
std::vector<TPtImg> Instantane(const ImageHote &i);
// Writes a snapshot back into the same block; false if the sizes differ.
bool Restaurer(ImageHote &i, const std::vector<TPtImg> &instantane);

// Reads an image file; on failure returns a null image and sets erreur.
QImage LireImage(const QString &chemin, QString *erreur);
// Writes an image file, the format taken from the extension; false and erreur on failure.
bool EcrireImage(const QImage &image, const QString &chemin, QString *erreur);
// Whether the extension of chemin names a format Qt can write.
bool FormatEcritureConnu(const QString &chemin);

// File dialog filters for the formats Qt can read / write.
QString FiltreLecture();
QString FiltreEcriture();

} // namespace velmora::hote
