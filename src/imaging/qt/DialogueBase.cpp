#include "DialogueBase.h"

#include "../Curseur.h"
#include "../Hote.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <new>

namespace velmora::qt {

// ---------------------------------------------------------------- PreVisu

TImageApercu::TImageApercu(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImageApercu::Redimensionner(int tw, int th) {
    if (tw > 0 && th > 0) {
        bitmap_ = QImage(tw, th, QImage::Format_BGR888);
        if (bitmap_.isNull()) throw std::bad_alloc();
    } else {
        bitmap_ = QImage();
    }
}

TPtImg *TImageApercu::Ligne(int y) { return reinterpret_cast<TPtImg *>(bitmap_.scanLine(y)); }

void TImageApercu::paintEvent(QPaintEvent *) {
    if (bitmap_.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, bitmap_);
}

// ---------------------------------------------------------------- helpers

bool ExecuterGestionnaire(QWidget *parent, const std::function<void()> &gestionnaire) {
    QString texte;
    try {
        gestionnaire();
        return true;
    } catch (const std::bad_alloc &) {
        texte = QStringLiteral("Mémoire insuffisante");
    } catch (const std::exception &e) {
        texte = QString::fromUtf8(e.what());
    } catch (...) {
        texte = QStringLiteral("Erreur inconnue");
    }
    const QString message = QString::fromStdString(TexteErreur(texte.toStdString()));
    QMessageBox boite(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), message,
                      QMessageBox::Ok, parent);
    boite.exec();
    return false;
}

std::string SeparateurDecimal() { return QLocale().decimalPoint().toStdString(); }

namespace {

// Changes the stay-on-top style without hiding a shown window (setWindowFlags
// would hide it, which ends a modal dialog's loop).
void DefinirPremierPlan(QWidget *fenetre, bool actif) {
    Qt::WindowFlags f = fenetre->windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, actif);
    if (QWindow *w = fenetre->windowHandle(); w && fenetre->isVisible()) {
        fenetre->overrideWindowFlags(f);
        w->setFlags(f);
    } else {
        fenetre->setWindowFlags(f);
    }
}

} // namespace

PremierPlanSuspendu::PremierPlanSuspendu(QWidget *fenetre)
    : fenetre_(fenetre),
      actif_(fenetre && fenetre->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
    if (actif_) DefinirPremierPlan(fenetre_, false);
}

PremierPlanSuspendu::~PremierPlanSuspendu() {
    if (actif_) DefinirPremierPlan(fenetre_, true);
}

// ---------------------------------------------------------------- DialogueBase

DialogueBase::DialogueBase(const char *nomForme, const QString &titre, int largeurClient,
                           int hauteurClient, bool premierPlan)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           (premierPlan ? Qt::WindowStaysOnTopHint : Qt::WindowFlags())) {
    setObjectName(QString::fromUtf8(nomForme));
    setWindowTitle(titre);
    setFixedSize(largeurClient, hauteurClient);
    setModal(true);
}

DialogueBase::~DialogueBase() = default;

void DialogueBase::Lancer(TPtImg *pixels, const TDimImg &dim) {
    // A second opening while this one is shown (a host calling back into the plug-in
    // from its callback) would swap the arrays under the open dialog: ignored.
    if (isVisible()) return;
    const TPtsImg reference = TPtsImg::Referencer(pixels);  // for the whole run
    Etat.DefinirTaille(dim);
    Preparer(pixels);
}

void DialogueBase::Preparer(TPtImg *pixels) {
    try {
        Etat.PrendreImage(pixels);
        PreparerEtat();
    } catch (...) {
        // An error while setting up is absorbed: XchgData returns, no callback.
        return;
    }
    Montrer();
}

void DialogueBase::PreparerEtat() {
    // Qt widgets paint double-buffered already: nothing to switch on for the panel.
    ReInitClick(nullptr);
    ConstruireApercu();
}

void DialogueBase::Montrer() { exec(); }

void DialogueBase::ConstruireApercu() {
    Etat.ConstruireApercu();
    if (!PreVisu) return;
    const GeometrieApercu &g = Etat.Geometrie;
    PreVisu->move(g.Gauche, g.Haut);
    PreVisu->Redimensionner(g.Largeur, g.Hauteur);
    Etat.CopierApercu([this](int32_t y) { return PreVisu->Ligne(y); });
    PreVisu->update();
}

void DialogueBase::RafraichirApercu() {
    const RegleBloc *regle = Regle();
    if (!PreVisu || !regle) return;
    if (PreVisu->Bitmap().width() != Etat.Geometrie.Largeur ||
        PreVisu->Bitmap().height() != Etat.Geometrie.Hauteur)
        return;  // no thumbnail built for this image
    Etat.RafraichirApercu(*regle, [this](int32_t y) { return PreVisu->Ligne(y); });
    PreVisu->repaint();
}

void DialogueBase::ReInitClick(QObject *) { ImageModifiee = false; }

void DialogueBase::AnnulerClick() { ImageModifiee = false; }

void DialogueBase::AppliquerClick() {
    const RegleBloc *regle = Regle();
    if (!regle) return;
    CurseurAttente sablier;
    Etat.Appliquer(*regle);
    ImageModifiee = true;
}

void DialogueBase::FormClose() { Etat.Fermer(); }

void DialogueBase::CreerApercu() {
    CadreAff = new QFrame(this);
    CadreAff->setObjectName(QStringLiteral("CadreAff"));
    CadreAff->setGeometry(10, 10, 322, 322);
    CadreAff->setFrameShape(QFrame::NoFrame);
    CadreAff->setAutoFillBackground(true);
    QPalette pal = CadreAff->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Dark));  // button shadow
    CadreAff->setPalette(pal);
    PreVisu = new TImageApercu(CadreAff);
    PreVisu->setObjectName(QStringLiteral("PreVisu"));
    PreVisu->setGeometry(1, 1, 320, 320);
}

void DialogueBase::CreerBoutons(QRect reInit, QRect annuler, QRect appliquer,
                                const char *nomReInit) {
    ReInit = new QPushButton(QStringLiteral("Réinitialiser"), this);
    ReInit->setObjectName(QString::fromUtf8(nomReInit));
    ReInit->setGeometry(reInit);
    ReInit->setAutoDefault(false);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    Annuler->setGeometry(annuler);
    Annuler->setAutoDefault(false);
    Appliquer = new QPushButton(QStringLiteral("Appliquer"), this);
    Appliquer->setObjectName(QStringLiteral("Appliquer"));
    Appliquer->setGeometry(appliquer);
    Appliquer->setDefault(true);
    Relier(ReInit, &QPushButton::clicked, [this] { ReInitClick(ReInit); });
    connect(Annuler, &QPushButton::clicked, this, &DialogueBase::reject);
    connect(Appliquer, &QPushButton::clicked, this, &DialogueBase::accept);
}

QLabel *DialogueBase::CreerEtiquette(const char *nom, const QString &texte, int gauche,
                                     int haut) {
    auto *l = new QLabel(texte, this);
    l->setObjectName(QString::fromUtf8(nom));
    l->move(gauche, haut);
    l->adjustSize();
    return l;
}

void DialogueBase::AppliquerPolice(const char *famille, int points) {
    // Without the family, keep at least its size: the layout's places are
    // measured for a small 8-point face.
    QFont police = font();
    const QString nom = QString::fromUtf8(famille);
    if (QFontDatabase::hasFamily(nom)) police.setFamily(nom);
    police.setPointSize(points);
    setFont(police);
}

void DialogueBase::accept() {
    if (ExecuterGestionnaire(this, [this] { AppliquerClick(); })) done(Accepted);
}

void DialogueBase::reject() {
    if (ExecuterGestionnaire(this, [this] { AnnulerClick(); })) done(Rejected);
}

void DialogueBase::done(int r) {
    if (isVisible()) ExecuterGestionnaire(this, [this] { FormClose(); });
    QDialog::done(r);
}

void DialogueBase::showEvent(QShowEvent *ev) {
    if (!ev->spontaneous()) {
        // Centred on the screen, then the dialog's defaults.
        if (QScreen *ecran = screen() ? screen() : QGuiApplication::primaryScreen()) {
            QRect cadre = frameGeometry();
            cadre.moveCenter(ecran->availableGeometry().center());
            move(cadre.topLeft());
        }
        ExecuterGestionnaire(this, [this] { FormShow(); });
    }
    QDialog::showEvent(ev);
}

} // namespace velmora::qt
