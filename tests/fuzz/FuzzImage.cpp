// Arbitrary bytes as an image file given to the host: its reader (the format
// found from the content, as Qt and Exiv2 find it), then what was read written
// back in the same format with the metadata copied, into a temporary folder,
// and that file read again. Within a memory share of 2 GB: what a hostile
// header announces is refused before anything is decoded.
#include "FichierMemoire.h"
#include "ImageHote.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

using namespace velmora;

namespace {

// The reader's share: half of the process's 2 GB (libFuzzer's -rss_limit_mb=2048),
// the other half for the sanitizer's shadow and the quarantine where it keeps
// freed blocks (a 103-megapixel BMP admitted under a 2 GB share peaked at 2064 MB).
constexpr int64_t MemoireFuzz = int64_t(1) << 30;

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
    static const bool pret = (hote::DefinirMemoireAdmise(MemoireFuzz), dossier.isValid());
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

    const QString sortie = dossier.filePath(QStringLiteral("sortie"));
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
