// Opening and saving: the file boxes, the dropped files, the writer shared
// with the command line.
#include "FenetreHote.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QMessageBox>
#include <QMimeData>

namespace velmora::hote {
namespace {

// Reading or writing a large photograph takes a second or more: the pointer
// says so until it is done. Ended before any box is shown.
class CurseurOccupe {
public:
    CurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurOccupe() { QApplication::restoreOverrideCursor(); }
    CurseurOccupe(const CurseurOccupe &) = delete;
    CurseurOccupe &operator=(const CurseurOccupe &) = delete;
};

// The first local file of a drag, or an empty string.
QString FichierDeposable(const QMimeData *donnees) {
    if (!donnees || !donnees->hasUrls()) return {};
    for (const QUrl &url : donnees->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

bool FormatEcrivable(const QByteArray &format) {
    return !format.isEmpty() && QImageWriter::supportedImageFormats().contains(format.toLower());
}

} // namespace

bool FenetreHote::Ouvrir(const QString &chemin, QString *erreur) {
    if (operationEnCours_) {
        if (erreur)
            *erreur = QStringLiteral("Impossible d'ouvrir « %1 » pendant une opération").arg(chemin);
        return false;
    }
    CurseurOccupe occupe;
    std::optional<ImageChargee> chargee = Charger(chemin, erreur);
    if (!chargee) return false;
    Remplacer(std::move(*chargee));
    AjouterRecent(chemin);
    return true;
}

bool FenetreHote::DefinirImage(const QImage &image) {
    if (operationEnCours_) return false;
    ImageChargee chargee{VersPixels(image), {}};
    if (chargee.image.Vide()) return false;
    Remplacer(std::move(chargee));
    return true;
}

bool FenetreHote::OuvrirDemande(const QString &chemin) {
    QString erreur;
    std::optional<ImageChargee> chargee;
    {
        CurseurOccupe occupe;
        chargee = Charger(chemin, &erreur);
    }
    if (!chargee) {
        QMessageBox::critical(this, QStringLiteral("Ouvrir"), erreur);
        return false;
    }
    if (!ConfirmerAbandon()) return false;
    CurseurOccupe occupe;
    Remplacer(std::move(*chargee));
    AjouterRecent(chemin);
    return true;
}

void FenetreHote::Remplacer(ImageChargee chargee) {
    image_ = std::move(chargee.image); // the old block loses the window's reference
    origine_ = std::move(chargee.origine);
    annuler_.clear();
    refaire_.clear();
    etat_ = etatEnregistre_ = ++compteurEtats_;
    original_ = QImage();
    comparaisonTouche_ = false;
    Comparer(false);
    noteEnregistrement_.clear();
    MettreAJourNote();
    Rafraichir();
    MettreAJour();
}

bool FenetreHote::Enregistrer() {
    if (image_.Vide() || operationEnCours_) return false;
    // Qt names the format it read by, except for a few (icons) that it picks
    // by the extension alone: then the extension is the file's own format.
    const QByteArray format = origine_.format.isEmpty()
                                  ? QFileInfo(origine_.chemin).suffix().toLower().toLatin1()
                                  : origine_.format;
    if (origine_.chemin.isEmpty() || !FormatEcrivable(format)) return ActionEnregistrerSous();
    if (origine_.bitsParCanal > 8) {
        // The file has more depth than the host keeps: overwriting it loses
        // that for good, so only when the user says so.
        switch (DemanderProfondeur()) {
        case Profondeur::Remplacer: break;
        case Profondeur::EnregistrerSous: return ActionEnregistrerSous();
        default: return false;
        }
    }
    QString erreur;
    if (!Ecrire(origine_.chemin, format, &erreur)) {
        QMessageBox::critical(this, QStringLiteral("Enregistrer"), erreur);
        return false;
    }
    return true;
}

bool FenetreHote::EnregistrerSous(const QString &chemin, QString *erreur) {
    if (image_.Vide()) {
        if (erreur) *erreur = QStringLiteral("Aucune image à enregistrer");
        return false;
    }
    return Ecrire(chemin, {}, erreur);
}

bool FenetreHote::Ecrire(const QString &chemin, const QByteArray &format, QString *erreur) {
    // The same writer as --apply: alpha, metadata and profile go back into the
    // file, which is replaced only once the new one is complete.
    {
        CurseurOccupe occupe;
        if (!hote::Enregistrer(image_, origine_, chemin, erreur, format)) return false;
    }
    origine_.chemin = chemin;
    origine_.format = format.isEmpty() ? QFileInfo(chemin).suffix().toLower().toLatin1() : format;
    // What was written has 8 bits per channel, whatever the file read had.
    if (origine_.bitsParCanal > 8)
        noteEnregistrement_ = QStringLiteral("« %1 » est enregistrée en 8 bits par canal")
                                  .arg(QFileInfo(chemin).fileName());
    origine_.bitsParCanal = 8;
    etatEnregistre_ = etat_;
    AjouterRecent(chemin);
    MettreAJourNote();
    MettreAJour();
    return true;
}

void FenetreHote::ActionOuvrir() {
    const QString chemin = QFileDialog::getOpenFileName(
        this, QStringLiteral("Ouvrir une image"), QFileInfo(origine_.chemin).path(), FiltreLecture());
    if (!chemin.isEmpty()) OuvrirDemande(chemin);
}

bool FenetreHote::ActionEnregistrerSous() {
    if (image_.Vide() || operationEnCours_) return false;
    const QString chemin = QFileDialog::getSaveFileName(
        this, QStringLiteral("Enregistrer l'image sous"), origine_.chemin, FiltreEcriture());
    if (chemin.isEmpty()) return false;
    QString erreur;
    if (!EnregistrerSous(chemin, &erreur)) {
        QMessageBox::critical(this, QStringLiteral("Enregistrer sous"), erreur);
        return false;
    }
    return true;
}

void FenetreHote::dragEnterEvent(QDragEnterEvent *e) {
    if (!FichierDeposable(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void FenetreHote::dropEvent(QDropEvent *e) {
    const QString chemin = FichierDeposable(e->mimeData());
    if (chemin.isEmpty()) return;
    e->acceptProposedAction();
    // Opened once the drop is over: the question box must not hold the
    // dragging application inside its drop.
    QMetaObject::invokeMethod(this, [this, chemin] { OuvrirDemande(chemin); }, Qt::QueuedConnection);
}

} // namespace velmora::hote
