// Arbitrary bytes as an image file given to the host: its reader (the format
// found from the content, as Qt and Exiv2 find it), then what was read written
// back in the same format with the metadata copied, into a temporary folder,
// and that file read again. Within a memory share: what a hostile header
// announces beyond it is refused before anything is decoded.
#include "FichierMemoire.h"
#include "ImageHote.h"

#include <QDir>
#include <QtGlobal>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

using namespace velmora;

namespace {

// The reader's share, 16 MB: a megapixel at the host's 16 bytes a pixel. The
// refusal is the same test at any share, and no path of the reader depends on
// a size above it; with a 1 GB share, a 61-byte BMP announcing 48 megapixels
// cost 3 s an input, and the corpus drifted to such files (87 inputs a second
// over a campaign). What the decoders allocate beside the image (a chunk's
// announced length, Exiv2's blocks) is not bounded by the share: libFuzzer's
// -rss_limit_mb=2048 catches it.
constexpr int64_t MemoireFuzz = int64_t(16) << 20;

bool Coherente(const hote::ImageHote &i) {
    const int64_t n = int64_t(i.largeur) * i.hauteur;
    return n > 0 && i.pixels.size() == n && (i.alpha.empty() || int64_t(i.alpha.size()) == n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille) {
    // In memory where the system has a place for it: a file written per input
    // should cost no disk flush.
    static QTemporaryDir dossier(QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm/velmora-fuzz-XXXXXX")
                                     : QDir::tempPath() + QStringLiteral("/velmora-fuzz-XXXXXX"));
    static const bool pret = [] {
        hote::DefinirMemoireAdmise(MemoireFuzz);
        // The decoders' warnings on every damaged input are the fuzzer's
        // normal traffic: written out, they cost a write each and bury its log.
        // The host still counts them (its handler goes on top during a read).
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return dossier.isValid();
    }();
    if (!pret) std::abort();
    const QString entree = QString::fromStdString(fuzz::FichierMemoire(donnees, taille));

    QString erreur;
    const auto lue = hote::Charger(entree, &erreur);
    if (!lue) {
        if (erreur.isEmpty()) std::abort();  // a failure always says why
        return 0;
    }
    if (!Coherente(lue->image) || lue->origine.orientation < 1 || lue->origine.orientation > 8)
        std::abort();

    // Named by its format, so that reading it back skips asking every decoder.
    const QString sortie =
        dossier.filePath(QStringLiteral("sortie.") + QString::fromLatin1(lue->origine.format));
    erreur.clear();
    if (!hote::Enregistrer(lue->image, lue->origine, sortie, &erreur, lue->origine.format)) {
        if (erreur.isEmpty()) std::abort();
        return 0;
    }
    // What was written reads back, upright and at the size written.
    const auto relue = hote::Charger(sortie, &erreur);
    if (!relue || !Coherente(relue->image) || relue->image.largeur != lue->image.largeur ||
        relue->image.hauteur != lue->image.hauteur || relue->origine.orientation != 1)
        std::abort();
    return 0;
}
