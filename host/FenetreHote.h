// The host window: one image, the File and Edit menus, and the plug-in's
// menu under its category. The window owns the pixel block between operations
// and keeps the undo history as plain snapshots.
#pragma once

#include "ChargeurPlugin.h"
#include "ImageHote.h"

#include <QMainWindow>

#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace velmora::hote {

class VueImage;

class FenetreHote : public QMainWindow {
    Q_OBJECT
public:
    // The loader must outlive the window; the window becomes its listener.
    explicit FenetreHote(ChargeurPlugin &plugin, QWidget *parent = nullptr);
    ~FenetreHote() override;

    // Replaces the image (a new counted block) and clears the history.
    bool Ouvrir(const QString &chemin, QString *erreur);
    bool DefinirImage(const QImage &image);
    bool EnregistrerSous(const QString &chemin, QString *erreur);

    // Runs menu entry n (1..count) on the current image. False when it cannot
    // start (no image, another operation still open, n out of range).
    bool ExecuterOperation(int n);
    void Annuler();
    void Refaire();

    QImage Image() const { return VersQImage(image_); }
    const ImageHote &Pixels() const { return image_; }
    // The operation whose final notice is awaited, or 0.
    int OperationEnCours() const { return operationEnCours_; }
    bool PeutAnnuler() const { return !annuler_.empty(); }
    bool PeutRefaire() const { return !refaire_.empty(); }

private:
    struct Etape {
        std::vector<TPtImg> pixels;
        QString libelle;
    };

    void CreerMenus();
    void RecevoirAvis(const Avis &avis);
    void TerminerOperation(bool resultat);
    // The colour balance asks for a reference zone: this is where a rubber-band
    // selection on the view will start; the zone then goes back to the plug-in.
    void CommencerSelectionZone();
    void Rafraichir();
    void MettreAJour();
    void ActionOuvrir();
    void ActionEnregistrerSous();

    ChargeurPlugin &plugin_;
    ImageHote image_;
    QString fichier_;
    VueImage *vue_ = nullptr;
    std::vector<Etape> annuler_;
    std::vector<Etape> refaire_;
    std::optional<Etape> avant_; // the image as it was when the operation began
    int operationEnCours_ = 0;

    QAction *actionOuvrir_ = nullptr;
    QAction *actionEnregistrer_ = nullptr;
    QAction *actionAnnuler_ = nullptr;
    QAction *actionRefaire_ = nullptr;
    QMenu *menuPlugin_ = nullptr;
};

} // namespace velmora::hote
