// The host window: one image, the Fichier, Édition and Affichage menus, and
// the plug-in's menu under its category. The window owns the pixel block
// between operations and keeps the undo history as plain snapshots, bounded by
// memory. No way out of it (quit, close, open another image) drops an unsaved
// result without asking.
// One file per piece: FenetreHote.cpp (the window, what it shows, its keys),
// FenetreHoteMenus (menus and actions), FenetreHoteRecents (recent files),
// FenetreHoteFichiers (opening and saving), FenetreHoteOperation (a plug-in
// operation), FenetreHoteAnnulation (undo), FenetreHoteQuestions (the
// questions before work is lost).
#pragma once

#include "ChargeurPlugin.h"
#include "ImageHote.h"

#include <QImage>
#include <QMainWindow>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;

namespace velmora::hote {

class VueImage;

class FenetreHote : public QMainWindow {
    Q_OBJECT
public:
    // Each undo step holds a full copy of the pixels: the history keeps what
    // fits in this many bytes, dropping the oldest steps first.
    static constexpr std::size_t LimiteAnnulationParDefaut = std::size_t(1) << 30;
    static constexpr int MaxRecents = 8;

    // The loader must outlive the window; the window becomes its listener.
    explicit FenetreHote(ChargeurPlugin &plugin, QWidget *parent = nullptr);
    ~FenetreHote() override;

    // Replaces the image (a new counted block) and clears the history, without
    // asking: for the command line. False during an operation or on a bad file.
    bool Ouvrir(const QString &chemin, QString *erreur);
    bool DefinirImage(const QImage &image);
    // What the user does: reads the file first (an unreadable file changes
    // nothing), then closes an open operation, asks about unsaved changes, and
    // replaces the image. Errors are shown in a box. True when opened.
    bool OuvrirDemande(const QString &chemin);

    // "Enregistrer": back to the image's own file in its own format; without a
    // file, or in a format that cannot be written, "Enregistrer sous". Errors
    // are shown in a box. True when saved.
    bool Enregistrer();
    // Writes to chemin (format from the extension) and makes it the image's file.
    bool EnregistrerSous(const QString &chemin, QString *erreur);

    // Runs menu entry n (1..count) on the current image. False when it cannot
    // start (no image, another operation still open, n out of range).
    bool ExecuterOperation(int n);
    void Annuler();
    void Refaire();

    // Whether the image may be replaced or the window closed: an open plug-in
    // operation is closed unapplied, then unsaved changes are asked about
    // ("Enregistrer", "Ne pas enregistrer", "Annuler"). False: keep everything.
    bool ConfirmerAbandon();

    // Shows the image as it was before the first operation since it was opened.
    void Comparer(bool actif);
    bool EnComparaison() const { return comparaisonMenu_ || comparaisonTouche_; }

    // The status bar's place for hints such as the colour balance's zone request;
    // an empty text hides it.
    void AfficherIndication(const QString &texte);
    QString Indication() const;

    void DefinirLimiteAnnulation(std::size_t octets);
    std::size_t MemoireAnnulation() const; // bytes held by undo and redo steps

    QStringList FichiersRecents() const;

    QImage Image() const { return VersQImage(image_); }
    const ImageHote &Pixels() const { return image_; }
    const QString &Fichier() const { return origine_.chemin; }
    VueImage &Vue() const { return *vue_; }
    // The operation whose final notice is awaited, or 0.
    int OperationEnCours() const { return operationEnCours_; }
    bool PeutAnnuler() const { return !annuler_.empty(); }
    bool PeutRefaire() const { return !refaire_.empty(); }
    std::size_t NbEtapesAnnulation() const { return annuler_.size(); }

protected:
    void closeEvent(QCloseEvent *) override;
    void keyPressEvent(QKeyEvent *) override;
    void keyReleaseEvent(QKeyEvent *) override;
    void changeEvent(QEvent *) override;
    void dragEnterEvent(QDragEnterEvent *) override;
    void dropEvent(QDropEvent *) override;

private:
    struct Etape {
        std::vector<TPtImg> pixels;
        QString libelle;
        uint64_t etat = 0; // which state of the image these pixels are
    };

    void CreerMenus();
    void CreerBarreEtat();
    void Remplacer(ImageChargee chargee);
    void RecevoirAvis(const Avis &avis);
    void TerminerOperation(bool resultat);
    // The colour balance asks for reference zones: until its final notice, a
    // rectangle dragged on the view (Ctrl held for the dark zone, as the
    // plug-in tells the user) goes back to it with the whole image (mode 1).
    void CommencerSelectionZone();
    void EnvoyerZone(QRect pixels, Qt::KeyboardModifiers touches);
    void FermerOperationOuverte();
    void LimiterHistorique();
    void Rafraichir(); // the pixels changed: a new picture of them, shown
    void Montrer();    // the picture or the original, as comparing says
    void MettreAJour();
    void MettreAJourNote(); // what the file carried or lost, and what the last save did
    void MettreAJourZoom();
    void AjouterRecent(const QString &chemin);
    void RemplirRecents();
    bool Ecrire(const QString &chemin, const QByteArray &format, QString *erreur);
    // Before a file deeper than 8 bits per channel is overwritten in 8 bits.
    enum class Profondeur { Remplacer, EnregistrerSous, Annuler };
    Profondeur DemanderProfondeur();
    QString NomAffiche() const;
    void ActionOuvrir();
    bool ActionEnregistrerSous();

    ChargeurPlugin &plugin_;
    ImageHote image_;
    Origine origine_; // the file the image came from or was last saved to
    VueImage *vue_ = nullptr;
    std::vector<Etape> annuler_;
    std::vector<Etape> refaire_;
    std::optional<Etape> avant_; // the image as it was when the operation began
    int operationEnCours_ = 0;
    std::size_t limiteAnnulation_ = LimiteAnnulationParDefaut;
    // States are numbered; the image is modified when it is not the one saved.
    uint64_t etat_ = 0;
    uint64_t etatEnregistre_ = 0;
    uint64_t compteurEtats_ = 0;
    QImage courante_; // the pixels as last shown
    QImage original_; // before the first operation since opening; null until then
    bool comparaisonMenu_ = false;
    bool comparaisonTouche_ = false;
    QString noteEnregistrement_; // since the image was opened

    QAction *actionOuvrir_ = nullptr;
    QAction *actionEnregistrer_ = nullptr;
    QAction *actionEnregistrerSous_ = nullptr;
    QAction *actionAnnuler_ = nullptr;
    QAction *actionRefaire_ = nullptr;
    QAction *actionAjuster_ = nullptr;
    QAction *actionTailleReelle_ = nullptr;
    QAction *actionZoomAvant_ = nullptr;
    QAction *actionZoomArriere_ = nullptr;
    QAction *actionComparer_ = nullptr;
    QMenu *menuRecents_ = nullptr;
    QMenu *menuPlugin_ = nullptr;
    QLabel *etiquetteIndication_ = nullptr;
    QLabel *etiquetteNote_ = nullptr;
    QLabel *etiquetteFichier_ = nullptr;
    QLabel *etiquetteTaille_ = nullptr;
    QLabel *etiquetteZoom_ = nullptr;
};

} // namespace velmora::hote
