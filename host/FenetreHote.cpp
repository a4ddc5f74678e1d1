#include "FenetreHote.h"

#include "VueImage.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

namespace velmora::hote {
namespace {

// Each step is a full copy of the image: keep the history bounded.
constexpr std::size_t MaxEtapes = 16;

QString Echapper(QString texte) { return texte.replace('&', QStringLiteral("&&")); }

} // namespace

FenetreHote::FenetreHote(ChargeurPlugin &plugin, QWidget *parent)
    : QMainWindow(parent), plugin_(plugin) {
    setObjectName(QStringLiteral("fenetreHote"));
    vue_ = new VueImage(this);
    setCentralWidget(vue_);
    CreerMenus();
    statusBar(); // present from the start, so the view does not jump later
    plugin_.DefinirEcouteur([this](const Avis &avis) { RecevoirAvis(avis); });
    MettreAJour();
}

FenetreHote::~FenetreHote() { plugin_.DefinirEcouteur({}); }

void FenetreHote::CreerMenus() {
    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    actionOuvrir_ = fichier->addAction(QStringLiteral("&Ouvrir…"), this,
                                       &FenetreHote::ActionOuvrir);
    actionOuvrir_->setObjectName(QStringLiteral("actionOuvrir"));
    actionOuvrir_->setShortcut(QKeySequence::Open);
    actionEnregistrer_ = fichier->addAction(QStringLiteral("&Enregistrer sous…"), this,
                                            &FenetreHote::ActionEnregistrerSous);
    actionEnregistrer_->setObjectName(QStringLiteral("actionEnregistrerSous"));
    actionEnregistrer_->setShortcut(QKeySequence::SaveAs);
    fichier->addSeparator();
    QAction *quitter = fichier->addAction(QStringLiteral("&Quitter"), this, &QWidget::close);
    quitter->setObjectName(QStringLiteral("actionQuitter"));
    quitter->setShortcut(QKeySequence::Quit);

    QMenu *edition = menuBar()->addMenu(QStringLiteral("É&dition"));
    actionAnnuler_ = edition->addAction(QStringLiteral("&Annuler"), this, &FenetreHote::Annuler);
    actionAnnuler_->setObjectName(QStringLiteral("actionAnnuler"));
    actionAnnuler_->setShortcut(QKeySequence::Undo);
    actionRefaire_ = edition->addAction(QStringLiteral("&Rétablir"), this, &FenetreHote::Refaire);
    actionRefaire_->setObjectName(QStringLiteral("actionRetablir"));
    actionRefaire_->setShortcut(QKeySequence::Redo);

    if (!plugin_.Charge()) return;
    menuPlugin_ = menuBar()->addMenu(Echapper(plugin_.Categorie()));
    menuPlugin_->setObjectName(QStringLiteral("menuPlugin"));
    menuPlugin_->setToolTip(plugin_.Titre());
    for (int n = 1; n <= plugin_.NbOperations(); ++n) {
        QAction *a = menuPlugin_->addAction(Echapper(plugin_.Menu().at(n - 1)), this,
                                            [this, n] { ExecuterOperation(n); });
        a->setObjectName(QStringLiteral("actionOperation%1").arg(n));
    }
}

bool FenetreHote::Ouvrir(const QString &chemin, QString *erreur) {
    const QImage image = LireImage(chemin, erreur);
    if (image.isNull()) return false;
    if (!DefinirImage(image)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible d'ouvrir « %1 » pendant une opération").arg(chemin);
        return false;
    }
    fichier_ = chemin;
    MettreAJour();
    return true;
}

bool FenetreHote::DefinirImage(const QImage &image) {
    if (operationEnCours_) return false;
    ImageHote neuve = VersPixels(image);
    if (neuve.Vide()) return false;
    image_ = std::move(neuve); // the old block loses the window's reference
    fichier_.clear();
    annuler_.clear();
    refaire_.clear();
    setWindowModified(false);
    Rafraichir();
    MettreAJour();
    return true;
}

bool FenetreHote::EnregistrerSous(const QString &chemin, QString *erreur) {
    if (image_.Vide()) {
        if (erreur) *erreur = QStringLiteral("Aucune image à enregistrer");
        return false;
    }
    if (!EcrireImage(Image(), chemin, erreur)) return false;
    fichier_ = chemin;
    setWindowModified(false);
    MettreAJour();
    return true;
}

bool FenetreHote::ExecuterOperation(int n) {
    if (image_.Vide() || operationEnCours_ || n < 1 || n > plugin_.NbOperations()) return false;
    avant_ = Etape{Instantane(image_), plugin_.Menu().at(n - 1)};
    operationEnCours_ = n;
    MettreAJour();
    if (!plugin_.Executer(uint32_t(n), image_.pixels.data(), image_.largeur, image_.hauteur)) {
        TerminerOperation(false);
        return false;
    }
    // Still open: either the final notice came, or a plug-in window stays and
    // will send it; without any notice the operation did nothing.
    if (operationEnCours_ == n && !plugin_.FinAttendue()) TerminerOperation(false);
    return true;
}

void FenetreHote::RecevoirAvis(const Avis &avis) {
    // The plug-in has written into our block: show it as it is now.
    Rafraichir();
    if (avis.demandeZone) CommencerSelectionZone();
    if (avis.fin) TerminerOperation(avis.imageModifiee);
}

void FenetreHote::TerminerOperation(bool resultat) {
    if (!avant_) return;
    if (resultat) {
        annuler_.push_back(std::move(*avant_));
        if (annuler_.size() > MaxEtapes) annuler_.erase(annuler_.begin());
        refaire_.clear();
        setWindowModified(true);
    } else {
        // No result stands: dialogs that wrote as they went leave their last
        // attempt in the block, so put the image back as it was.
        Restaurer(image_, avant_->pixels);
        Rafraichir();
    }
    avant_.reset();
    operationEnCours_ = 0;
    statusBar()->clearMessage();
    MettreAJour();
}

void FenetreHote::CommencerSelectionZone() {
    statusBar()->showMessage(QStringLiteral("Choisissez une zone de référence dans l'image"));
}

void FenetreHote::Annuler() {
    if (operationEnCours_ || annuler_.empty()) return;
    Etape e = std::move(annuler_.back());
    annuler_.pop_back();
    refaire_.push_back(Etape{Instantane(image_), e.libelle});
    Restaurer(image_, e.pixels);
    Rafraichir();
    MettreAJour();
}

void FenetreHote::Refaire() {
    if (operationEnCours_ || refaire_.empty()) return;
    Etape e = std::move(refaire_.back());
    refaire_.pop_back();
    annuler_.push_back(Etape{Instantane(image_), e.libelle});
    Restaurer(image_, e.pixels);
    Rafraichir();
    MettreAJour();
}

void FenetreHote::Rafraichir() { vue_->DefinirImage(VersQImage(image_)); }

void FenetreHote::MettreAJour() {
    const bool libre = operationEnCours_ == 0;
    const bool image = !image_.Vide();
    actionOuvrir_->setEnabled(libre);
    actionEnregistrer_->setEnabled(libre && image);
    actionAnnuler_->setEnabled(libre && !annuler_.empty());
    actionRefaire_->setEnabled(libre && !refaire_.empty());
    actionAnnuler_->setText(annuler_.empty()
                                ? QStringLiteral("&Annuler")
                                : QStringLiteral("&Annuler « %1 »").arg(Echapper(annuler_.back().libelle)));
    actionRefaire_->setText(refaire_.empty()
                                ? QStringLiteral("&Rétablir")
                                : QStringLiteral("&Rétablir « %1 »").arg(Echapper(refaire_.back().libelle)));
    if (menuPlugin_)
        for (QAction *a : menuPlugin_->actions()) a->setEnabled(libre && image);
    const QString nom = fichier_.isEmpty() ? QStringLiteral("Sans titre")
                                           : QFileInfo(fichier_).fileName();
    setWindowTitle(QStringLiteral("%1[*] — Velmora").arg(nom));
}

void FenetreHote::ActionOuvrir() {
    const QString chemin = QFileDialog::getOpenFileName(this, QStringLiteral("Ouvrir une image"),
                                                        QFileInfo(fichier_).path(), FiltreLecture());
    if (chemin.isEmpty()) return;
    QString erreur;
    if (!Ouvrir(chemin, &erreur)) QMessageBox::critical(this, QStringLiteral("Ouvrir"), erreur);
}

void FenetreHote::ActionEnregistrerSous() {
    const QString chemin = QFileDialog::getSaveFileName(
        this, QStringLiteral("Enregistrer l'image sous"), fichier_, FiltreEcriture());
    if (chemin.isEmpty()) return;
    QString erreur;
    if (!EnregistrerSous(chemin, &erreur))
        QMessageBox::critical(this, QStringLiteral("Enregistrer sous"), erreur);
}

} // namespace velmora::hote
