// What an image file carries besides its pixels (EXIF, XMP, IPTC, the ICC
// profile, the comment), read from one file and written into another with Exiv2.
// Exiv2 stays inside Metadonnees.cpp; this is a plain value, cheap to copy.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace velmora::hote {

class Metadonnees {
public:
    // What the file carries; nothing when it carries nothing Exiv2 reads.
    // Labels Exiv2 cannot make sense of give nothing too (the pixels matter
    // more), and erreur says why; a format Exiv2 does not know is no error.
    static Metadonnees Lire(const QString &chemin, QString *erreur = nullptr);

    bool Vide() const { return !d_; }
    // The EXIF orientation (1..8); 1 when absent or out of range.
    int Orientation() const;
    // The ICC profile's bytes, empty without one.
    QByteArray Profil() const;
    // The same labels without the profile.
    Metadonnees SansProfil() const;

    // Puts everything into `fichier`, an encoded image in memory, for the
    // blocks its format carries. The orientation becomes 1 and the pixel
    // dimensions those given, where the source had them; nothing else is
    // invented or dropped. false and erreur when Exiv2 fails.
    bool Ecrire(QByteArray &fichier, int largeur, int hauteur, QString *erreur) const;

    struct Donnees;

private:
    std::shared_ptr<const Donnees> d_;
};

} // namespace velmora::hote
