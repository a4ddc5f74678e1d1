// The menu bar (Fichier, Édition, Affichage and the plug-in's menu) and the
// actions' state: what may be done now, the undo entries' names, the title.
#include "FenetreHote.h"

#include "TexteMenu.h"
#include "VueImage.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>

namespace velmora::hote {

void FenetreHote::CreerMenus() {
    auto nommer = [](QAction *a, const char *nom) {
        a->setObjectName(QLatin1String(nom));
        return a;
    };
    QMenu *fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    actionOuvrir_ = nommer(fichier->addAction(QStringLiteral("&Ouvrir…"), this,
                                              &FenetreHote::ActionOuvrir),
                           "actionOuvrir");
    actionOuvrir_->setShortcut(QKeySequence::Open);
    menuRecents_ = fichier->addMenu(QStringLiteral("Fichiers &récents"));
    menuRecents_->setObjectName(QStringLiteral("menuRecents"));
    RemplirRecents();
    fichier->addSeparator();
    actionEnregistrer_ = nommer(fichier->addAction(QStringLiteral("&Enregistrer"), this,
                                                   [this] { Enregistrer(); }),
                                "actionEnregistrer");
    actionEnregistrer_->setShortcut(QKeySequence::Save);
    actionEnregistrerSous_ = nommer(fichier->addAction(QStringLiteral("Enregistrer &sous…"), this,
                                                       [this] { ActionEnregistrerSous(); }),
                                    "actionEnregistrerSous");
    // Spelled out: some platforms' key bindings have no Save As or Quit.
    actionEnregistrerSous_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fichier->addSeparator();
    QAction *quitter = nommer(fichier->addAction(QStringLiteral("&Quitter"), this, &QWidget::close),
                              "actionQuitter");
    quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *edition = menuBar()->addMenu(QStringLiteral("É&dition"));
    actionAnnuler_ = nommer(edition->addAction(QStringLiteral("&Annuler"), this,
                                               &FenetreHote::Annuler),
                            "actionAnnuler");
    actionAnnuler_->setShortcut(QKeySequence::Undo);
    actionRefaire_ = nommer(edition->addAction(QStringLiteral("&Rétablir"), this,
                                               &FenetreHote::Refaire),
                            "actionRetablir");
    actionRefaire_->setShortcut(QKeySequence::Redo);

    QMenu *affichage = menuBar()->addMenu(QStringLiteral("&Affichage"));
    affichage->setObjectName(QStringLiteral("menuAffichage"));
    actionAjuster_ = nommer(affichage->addAction(QStringLiteral("A&juster à la fenêtre"), vue_,
                                                 &VueImage::AjusterALaFenetre),
                            "actionAjuster");
    actionAjuster_->setCheckable(true);
    actionAjuster_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    actionTailleReelle_ = nommer(affichage->addAction(QStringLiteral("&Taille réelle (100 %)"),
                                                      vue_, &VueImage::TailleReelle),
                                 "actionTailleReelle");
    actionTailleReelle_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    actionZoomAvant_ = nommer(affichage->addAction(QStringLiteral("Zoom a&vant"), vue_,
                                                   &VueImage::ZoomAvant),
                              "actionZoomAvant");
    // Ctrl+= too: on many keyboards "+" needs Shift.
    actionZoomAvant_->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    actionZoomArriere_ = nommer(affichage->addAction(QStringLiteral("Zoom a&rrière"), vue_,
                                                     &VueImage::ZoomArriere),
                                "actionZoomArriere");
    actionZoomArriere_->setShortcut(QKeySequence::ZoomOut);
    affichage->addSeparator();
    // B is held, not pressed: the window reads the key itself (a shortcut would
    // only see the press), and the menu shows it after the tab.
    actionComparer_ = nommer(affichage->addAction(QStringLiteral("&Comparer avec l'original\tB")),
                             "actionComparer");
    actionComparer_->setCheckable(true);
    actionComparer_->setStatusTip(QStringLiteral("Maintenir B pour voir l'image d'origine"));
    connect(actionComparer_, &QAction::toggled, this, &FenetreHote::Comparer);

    if (!plugin_.Charge()) return;
    menuPlugin_ = menuBar()->addMenu(AvecMnemonique(plugin_.Categorie(), menuBar()->actions()));
    menuPlugin_->setObjectName(QStringLiteral("menuPlugin"));
    menuPlugin_->setToolTip(plugin_.Titre());
    for (int n = 1; n <= plugin_.NbOperations(); ++n) {
        QAction *a = menuPlugin_->addAction(Echapper(plugin_.Menu().at(n - 1)), this,
                                            [this, n] { ExecuterOperation(n); });
        a->setObjectName(QStringLiteral("actionOperation%1").arg(n));
    }
}

void FenetreHote::MettreAJour() {
    const bool libre = operationEnCours_ == 0;
    const bool image = !image_.Vide();
    actionEnregistrer_->setEnabled(libre && image);
    actionEnregistrerSous_->setEnabled(libre && image);
    actionAnnuler_->setEnabled(libre && !annuler_.empty());
    actionRefaire_->setEnabled(libre && !refaire_.empty());
    actionAnnuler_->setText(annuler_.empty()
                                ? QStringLiteral("&Annuler")
                                : QStringLiteral("&Annuler « %1 »").arg(Echapper(annuler_.back().libelle)));
    actionRefaire_->setText(refaire_.empty()
                                ? QStringLiteral("&Rétablir")
                                : QStringLiteral("&Rétablir « %1 »").arg(Echapper(refaire_.back().libelle)));
    for (QAction *a : {actionAjuster_, actionTailleReelle_, actionZoomAvant_, actionZoomArriere_})
        a->setEnabled(image);
    actionComparer_->setEnabled(!original_.isNull());
    if (menuPlugin_)
        for (QAction *a : menuPlugin_->actions()) a->setEnabled(libre && image);
    setWindowTitle(QStringLiteral("%1[*] — Velmora").arg(NomAffiche()));
    setWindowModified(etat_ != etatEnregistre_);
    etiquetteFichier_->setText(image ? NomAffiche() : QString());
    etiquetteFichier_->setToolTip(origine_.chemin);
    etiquetteTaille_->setText(image ? QStringLiteral("%1 × %2 pixels").arg(image_.largeur).arg(image_.hauteur)
                                    : QString());
    MettreAJourZoom();
}

} // namespace velmora::hote
