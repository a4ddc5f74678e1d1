// The window itself: its view, its status bar, what it shows (the image or
// the original while comparing) and the keys it reads.
#include "FenetreHote.h"

#include "VueImage.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace velmora::hote {
namespace {

QString TexteZoom(double zoom) {
    const double pourcent = zoom * 100;
    QString t = QString::number(pourcent, 'f', pourcent < 10 ? 1 : 0);
    return t.replace('.', ',') + QStringLiteral(" %");
}

} // namespace

FenetreHote::FenetreHote(ChargeurPlugin &plugin, QWidget *parent)
    : QMainWindow(parent), plugin_(plugin) {
    setObjectName(QStringLiteral("fenetreHote"));
    setAcceptDrops(true);
    vue_ = new VueImage(this);
    setCentralWidget(vue_);
    connect(vue_, &VueImage::ZoomChange, this, &FenetreHote::MettreAJourZoom);
    connect(vue_, &VueImage::ZoneChoisie, this, &FenetreHote::EnvoyerZone);
    CreerMenus();
    CreerBarreEtat();
    plugin_.DefinirEcouteur([this](const Avis &avis) { RecevoirAvis(avis); });
    MettreAJour();
}

FenetreHote::~FenetreHote() { plugin_.DefinirEcouteur({}); }

void FenetreHote::CreerBarreEtat() {
    auto etiquette = [this](const char *nom) {
        auto *e = new QLabel(this);
        e->setObjectName(QLatin1String(nom));
        e->setContentsMargins(6, 0, 6, 0); // apart from each other, without frames
        return e;
    };
    etiquetteIndication_ = etiquette("etiquetteIndication");
    etiquetteNote_ = etiquette("etiquetteNote");
    etiquetteFichier_ = etiquette("etiquetteFichier");
    etiquetteTaille_ = etiquette("etiquetteTaille");
    etiquetteZoom_ = etiquette("etiquetteZoom");
    // The hint and the note take the free space on the left, and give it up to
    // a passing message (a menu entry's path); the facts stay on the right.
    statusBar()->addWidget(etiquetteIndication_, 1);
    statusBar()->addWidget(etiquetteNote_);
    for (QLabel *e : {etiquetteFichier_, etiquetteTaille_, etiquetteZoom_})
        statusBar()->addPermanentWidget(e);
    etiquetteIndication_->hide();
    etiquetteNote_->hide();
}

void FenetreHote::AfficherIndication(const QString &texte) {
    etiquetteIndication_->setText(texte);
    etiquetteIndication_->setVisible(!texte.isEmpty());
}

QString FenetreHote::Indication() const { return etiquetteIndication_->text(); }

void FenetreHote::Comparer(bool actif) {
    actif = actif && !original_.isNull();
    if (actionComparer_->isChecked() != actif) {
        const QSignalBlocker bloque(actionComparer_);
        actionComparer_->setChecked(actif);
    }
    if (comparaisonMenu_ == actif) return;
    comparaisonMenu_ = actif;
    Montrer();
}

void FenetreHote::Rafraichir() {
    courante_ = VersQImage(image_);
    Montrer();
}

void FenetreHote::Montrer() {
    // Switching between two kept pictures lets the view reuse their reduced copies.
    const bool comparer = EnComparaison() && !original_.isNull();
    vue_->DefinirImage(comparer ? original_ : courante_);
    MettreAJourZoom();
}

void FenetreHote::MettreAJourNote() {
    QStringList parties;
    for (const QString &p : {origine_.Note(), noteEnregistrement_})
        if (!p.isEmpty()) parties << p;
    etiquetteNote_->setText(parties.join(QStringLiteral(" ; ")));
    etiquetteNote_->setVisible(!parties.isEmpty());
}

void FenetreHote::MettreAJourZoom() {
    actionAjuster_->setChecked(vue_->Ajuste());
    QString texte = image_.Vide() ? QString() : TexteZoom(vue_->Zoom());
    if (EnComparaison() && !original_.isNull()) texte = QStringLiteral("Original — ") + texte;
    etiquetteZoom_->setText(texte);
}

QString FenetreHote::NomAffiche() const {
    return origine_.chemin.isEmpty() ? QStringLiteral("Sans titre")
                                     : QFileInfo(origine_.chemin).fileName();
}

void FenetreHote::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_B && !(e->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))) {
        if (!e->isAutoRepeat() && !comparaisonTouche_ && !original_.isNull()) {
            comparaisonTouche_ = true;
            Montrer();
        }
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void FenetreHote::keyReleaseEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_B) {
        if (!e->isAutoRepeat() && comparaisonTouche_) {
            comparaisonTouche_ = false;
            Montrer();
        }
        e->accept();
        return;
    }
    QMainWindow::keyReleaseEvent(e);
}

void FenetreHote::changeEvent(QEvent *e) {
    // A release that goes to another window never comes here: let go on leaving.
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && comparaisonTouche_) {
        comparaisonTouche_ = false;
        Montrer();
    }
    QMainWindow::changeEvent(e);
}

} // namespace velmora::hote
