#include "Metadonnees.h"
#include "VersionExiv2.h"

#include <QFile>

#include <mutex>
#include <string>

namespace velmora::hote {

struct Metadonnees::Donnees {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    QByteArray icc;
    std::string commentaire;
    int orientation = 1;
};

namespace {

// Exiv2 speaks on stderr by itself and its XMP toolkit wants one set-up
// before use; both are settled once. The batch reads and writes files on
// several threads: the toolkit's shared tables are then taken one at a time.
std::mutex verrouXmp;

void VerrouillerXmp(void *, bool verrouiller) {
    if (verrouiller)
        verrouXmp.lock();
    else
        verrouXmp.unlock();
}

void Preparer() {
    static std::once_flag fait;
    std::call_once(fait, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(&VerrouillerXmp, nullptr);
    });
}

int OrientationValide(int64_t v) { return v >= 1 && v <= 8 ? int(v) : 1; }

// Sets a field only where the source had it: the result describes itself,
// and nothing is added that the photograph did not carry.
void Remplacer(Exiv2::ExifData &exif, const char *cle, uint32_t valeur) {
    auto it = exif.findKey(Exiv2::ExifKey(cle));
    if (it == exif.end()) return;
    if (it->typeId() == Exiv2::unsignedShort)
        *it = uint16_t(valeur);
    else
        *it = valeur;
}
void Remplacer(Exiv2::XmpData &xmp, const char *cle, uint32_t valeur) {
    auto it = xmp.findKey(Exiv2::XmpKey(cle));
    if (it == xmp.end()) return;
    it->setValue(std::to_string(valeur));
}

bool Accepte(Exiv2::Image &image, Exiv2::MetadataId quoi) {
    const Exiv2::AccessMode m = image.checkMode(quoi);
    return m == Exiv2::amWrite || m == Exiv2::amReadWrite;
}

} // namespace

Metadonnees Metadonnees::Lire(const QString &chemin, QString *erreur) {
    Metadonnees m;
    try {
        Preparer();
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(chemin).toStdString());
        if (!image.get()) return m;
        image->readMetadata();
        auto d = std::make_shared<Donnees>();
        // Taken, not copied: the image is dropped below, and a copy clones
        // every key (a tenth of the fuzzer's time on small files).
        d->exif = std::move(image->exifData());
        d->xmp = std::move(image->xmpData());
        d->iptc = std::move(image->iptcData());
        if (image->iccProfileDefined()) {
            d->icc = exiv2::Profil(*image);
        }
        d->commentaire = image->comment();
        auto o = d->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (o != d->exif.end() && o->count() > 0)
            d->orientation = OrientationValide(exiv2::Entier(*o));
        else {
            auto x = d->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
            if (x != d->xmp.end() && x->count() > 0) d->orientation = OrientationValide(exiv2::Entier(*x));
        }
        if (d->exif.empty() && d->xmp.empty() && d->iptc.empty() && d->icc.isEmpty() &&
            d->commentaire.empty())
            return m;
        m.d_ = std::move(d);
    } catch (const exiv2::Erreur &e) {
        if (erreur && e.code() != exiv2::TypeInconnu)
            *erreur = QString::fromUtf8(e.what());
    } catch (const std::exception &e) {
        if (erreur) *erreur = QString::fromUtf8(e.what());
    }
    return m;
}

int Metadonnees::Orientation() const { return d_ ? d_->orientation : 1; }

QByteArray Metadonnees::Profil() const { return d_ ? d_->icc : QByteArray(); }

Metadonnees Metadonnees::SansProfil() const {
    if (!d_ || d_->icc.isEmpty()) return *this;
    auto d = std::make_shared<Donnees>(*d_);
    d->icc.clear();
    Metadonnees m;
    m.d_ = std::move(d);
    return m;
}

bool Metadonnees::Ecrire(QByteArray &fichier, int largeur, int hauteur, QString *erreur) const {
    if (!d_) return true;
    try {
        Preparer();
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(fichier.constData()),
            exiv2::Taille(fichier.size()));
        if (!image.get()) return true;
        // What the encoder wrote (a format's own header fields) stays; ours go on top.
        image->readMetadata();

        // Ours are copied once, straight into the image's own (the setters
        // would copy them again); the formats whose setters refuse are read-only,
        // turned away by Accepte.
        if (Accepte(*image, Exiv2::mdExif) && !d_->exif.empty()) {
            Exiv2::ExifData &exif = image->exifData();
            exif = d_->exif;
            Remplacer(exif, "Exif.Image.Orientation", 1);
            Remplacer(exif, "Exif.Photo.PixelXDimension", uint32_t(largeur));
            Remplacer(exif, "Exif.Photo.PixelYDimension", uint32_t(hauteur));
            if (image->imageType() != Exiv2::ImageType::tiff) {
                Remplacer(exif, "Exif.Image.ImageWidth", uint32_t(largeur));
                Remplacer(exif, "Exif.Image.ImageLength", uint32_t(hauteur));
                // A TIFF source's storage layout describes none of another format's pixels.
                for (const char *cle : {"Exif.Image.BitsPerSample", "Exif.Image.Compression",
                                        "Exif.Image.PhotometricInterpretation",
                                        "Exif.Image.SamplesPerPixel", "Exif.Image.PlanarConfiguration",
                                        "Exif.Image.RowsPerStrip", "Exif.Image.StripOffsets",
                                        "Exif.Image.StripByteCounts", "Exif.Image.TileWidth",
                                        "Exif.Image.TileLength", "Exif.Image.TileOffsets",
                                        "Exif.Image.TileByteCounts", "Exif.Image.ExtraSamples",
                                        "Exif.Image.SampleFormat"}) {
                    auto it = exif.findKey(Exiv2::ExifKey(cle));
                    if (it != exif.end()) exif.erase(it);
                }
            }
        }
        if (Accepte(*image, Exiv2::mdXmp) && !d_->xmp.empty()) {
            Exiv2::XmpData &xmp = image->xmpData();
            xmp = d_->xmp;
            image->writeXmpFromPacket(false); // as the setter does: the packet from these
            Remplacer(xmp, "Xmp.tiff.Orientation", 1);
            Remplacer(xmp, "Xmp.exif.PixelXDimension", uint32_t(largeur));
            Remplacer(xmp, "Xmp.exif.PixelYDimension", uint32_t(hauteur));
            Remplacer(xmp, "Xmp.tiff.ImageWidth", uint32_t(largeur));
            Remplacer(xmp, "Xmp.tiff.ImageLength", uint32_t(hauteur));
        }
        if (Accepte(*image, Exiv2::mdIptc) && !d_->iptc.empty()) image->setIptcData(d_->iptc);
        // The access table has no column for the profile: every format that
        // can hold one takes it, the others leave it out.
        if (!d_->icc.isEmpty()) exiv2::DonnerProfil(*image, exiv2::Tampon(d_->icc), false);
        if (Accepte(*image, Exiv2::mdComment) && !d_->commentaire.empty())
            image->setComment(d_->commentaire);
        image->writeMetadata();

        Exiv2::BasicIo &io = image->io();
        if (io.open() != 0) throw Exiv2::Error(exiv2::OuvertureImpossible, "memoire");
        const auto taille = exiv2::Taille(io.size());
        QByteArray sortie(qsizetype(taille), Qt::Uninitialized);
        io.seek(0, Exiv2::BasicIo::beg);
        const auto lus = io.read(reinterpret_cast<Exiv2::byte *>(sortie.data()), taille);
        io.close();
        if (lus != taille) throw Exiv2::Error(exiv2::LectureImpossible);
        fichier = std::move(sortie);
        return true;
    } catch (const std::exception &e) {
        if (erreur)
            *erreur = QStringLiteral("métadonnées non recopiées : %1").arg(QString::fromUtf8(e.what()));
        return false;
    }
}

} // namespace velmora::hote
