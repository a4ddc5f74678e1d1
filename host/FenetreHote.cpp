#include "FenetreHote.h"

#include "VueImage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>
#include <cstring>
#include <map>

namespace velmora::hote {
namespace {

QString Echapper(QString texte) { return texte.replace('&', QStringLiteral("&&")); }

// Reading or writing a large photograph takes a second or more: the pointer
// says so until it is done. Ended before any box is shown.
class CurseurOccupe {
public:
    CurseurOccupe() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurOccupe() { QApplication::restoreOverrideCursor(); }
    CurseurOccupe(const CurseurOccupe &) = delete;
    CurseurOccupe &operator=(const CurseurOccupe &) = delete;
};

// A menu title given by the plug-in, with '&' before its first plain letter
// that no other title of the bar uses, so that Alt and that letter open it.
// Accented letters are passed over: not every keyboard has them as keys.
QString AvecMnemonique(const QString &titre, const QList<QAction *> &autres) {
    QList<QKeySequence> prises;
    for (const QAction *a : autres) prises << QKeySequence::mnemonic(a->text());
    for (qsizetype i = 0; i < titre.size(); ++i) {
        if (titre[i].unicode() >= 128 || !titre[i].isLetterOrNumber()) continue;
        const QString essai = Echapper(titre.left(i)) + '&' + Echapper(titre.mid(i));
        if (!prises.contains(QKeySequence::mnemonic(essai))) return essai;
    }
    return Echapper(titre);
}

// What the recent files menu shows for each path: the file name, and where two
// names are the same, as many of the last folders as tell them apart.
QStringList NomsDistincts(const QStringList &chemins) {
    QStringList noms;
    std::map<QString, int> occurrences;
    for (const QString &c : chemins) ++occurrences[QFileInfo(c).fileName()];
    for (const QString &c : chemins) {
        const QString nom = QFileInfo(c).fileName();
        if (occurrences[nom] < 2) {
            noms << nom;
            continue;
        }
        const QStringList dossiers = QFileInfo(c).absolutePath().split('/', Qt::SkipEmptyParts);
        QString lieu;
        for (qsizetype n = 1; n <= dossiers.size(); ++n) {
            lieu = dossiers.mid(dossiers.size() - n).join('/');
            // Told apart once no other path of the same name ends the same way.
            const bool seul = std::none_of(chemins.begin(), chemins.end(), [&](const QString &autre) {
                return autre != c && QFileInfo(autre).fileName() == nom &&
                       (QFileInfo(autre).absolutePath() + '/').endsWith('/' + lieu + '/');
            });
            if (seul) break;
        }
        noms << QStringLiteral("%1 (%2)").arg(nom, lieu.isEmpty() ? QStringLiteral("/") : lieu);
    }
    return noms;
}

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

// Recent files live in the user's settings, shared by every window of the host.
QSettings Reglages() { return QSettings(QStringLiteral("velmora"), QStringLiteral("velmora-host")); }
const QString CleRecents = QStringLiteral("fichiersRecents");

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

bool FenetreHote::ConfirmerAbandon() {
    FermerOperationOuverte();
    if (image_.Vide() || etat_ == etatEnregistre_) return true;
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Velmora"),
                         QStringLiteral("Enregistrer les modifications de « %1 » ?").arg(NomAffiche()),
                         QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    question.setObjectName(QStringLiteral("questionEnregistrer"));
    question.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    question.button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    question.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    question.setDefaultButton(QMessageBox::Save);
    question.setEscapeButton(QMessageBox::Cancel);
    switch (question.exec()) {
    case QMessageBox::Save: return Enregistrer(); // goes on only once it is saved
    case QMessageBox::Discard: return true;
    default: return false;
    }
}

void FenetreHote::FermerOperationOuverte() {
    if (!operationEnCours_) return;
    // The plug-in's windows are top-level windows that are not ours: close
    // them as their "Annuler" would; their final notice puts the image back.
    auto estANous = [this](QWidget *w) {
        for (; w; w = w->parentWidget())
            if (w == this) return true;
        return false;
    };
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || estANous(w)) continue;
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
        else
            w->close();
    }
    // A plug-in that did not answer: its result is not accepted either.
    if (operationEnCours_) TerminerOperation(false);
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
        QMessageBox question(
            QMessageBox::Warning, QStringLiteral("Enregistrer"),
            QStringLiteral("« %1 » a %2 bits par canal : l'enregistrer à sa place la remplace "
                           "par une version en 8 bits.")
                .arg(NomAffiche())
                .arg(origine_.bitsParCanal),
            QMessageBox::Yes | QMessageBox::Save | QMessageBox::Cancel, this);
        question.setObjectName(QStringLiteral("questionProfondeur"));
        question.button(QMessageBox::Yes)->setText(QStringLiteral("Remplacer par une version en 8 bits"));
        question.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer sous…"));
        question.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
        question.setDefaultButton(QMessageBox::Save); // the choice that loses nothing
        question.setEscapeButton(QMessageBox::Cancel);
        switch (question.exec()) {
        case QMessageBox::Yes: break;
        case QMessageBox::Save: return ActionEnregistrerSous();
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

bool FenetreHote::ExecuterOperation(int n) {
    if (image_.Vide() || operationEnCours_ || n < 1 || n > plugin_.NbOperations()) return false;
    comparaisonTouche_ = false; // the operation's own results are what to see now
    Comparer(false);
    avant_ = Etape{Instantane(image_), plugin_.Menu().at(n - 1), etat_};
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
    // A result that leaves every byte as it was ("Appliquer" with nothing
    // moved, levels already full) is no change: no step, nothing to save.
    if (resultat && avant_->pixels.size() == std::size_t(image_.pixels.size()) &&
        std::memcmp(avant_->pixels.data(), image_.pixels.data(),
                    avant_->pixels.size() * sizeof(TPtImg)) == 0)
        resultat = false;
    if (resultat) {
        if (original_.isNull())
            original_ = VersQImage(avant_->pixels.data(), image_.largeur, image_.hauteur, image_.alpha);
        annuler_.push_back(std::move(*avant_));
        refaire_.clear();
        etat_ = ++compteurEtats_;
        LimiterHistorique();
    } else {
        // No result stands: dialogs that wrote as they went leave their last
        // attempt in the block, so put the image back as it was.
        Restaurer(image_, avant_->pixels);
        Rafraichir();
    }
    avant_.reset();
    operationEnCours_ = 0;
    vue_->DefinirSelectionZone(false);
    AfficherIndication({});
    MettreAJour();
}

void FenetreHote::CommencerSelectionZone() {
    AfficherIndication(QStringLiteral("Choisissez une zone de référence dans l'image"));
    vue_->DefinirSelectionZone(true);
}

void FenetreHote::EnvoyerZone(QRect pixels, Qt::KeyboardModifiers touches) {
    const QRect zone = pixels & QRect(0, 0, image_.largeur, image_.hauteur);
    if (!operationEnCours_ || image_.Vide() || zone.isEmpty()) return;
    // The zone's pixels as a counted array of their own, row by row, taken from
    // the image as the operation found it: the plug-in corrects from its copy of
    // that image, so a second pick must not measure the first correction.
    const TPtImg *source = avant_ && avant_->pixels.size() == std::size_t(image_.pixels.size())
                               ? avant_->pixels.data()
                               : image_.pixels.data();
    TPtsImg pixelsZone = TPtsImg::Creer(zone.width() * zone.height());
    for (int y = 0; y < zone.height(); ++y)
        std::copy_n(source + std::size_t(zone.top() + y) * image_.largeur + zone.left(),
                    zone.width(), pixelsZone.data() + std::size_t(y) * zone.width());
    // With Ctrl (the dark zone, as the plug-in asks for it) the zone goes the
    // same way: the plug-in knows which of its zones it is waiting for.
    (void)touches;
    plugin_.EnvoyerZone(uint32_t(operationEnCours_), pixelsZone.data(), zone.width(),
                        zone.height(), image_.pixels.data());
}

std::size_t FenetreHote::MemoireAnnulation() const {
    std::size_t total = 0;
    for (const auto *pile : {&annuler_, &refaire_})
        for (const Etape &e : *pile) total += e.pixels.size() * sizeof(TPtImg);
    return total;
}

void FenetreHote::DefinirLimiteAnnulation(std::size_t octets) {
    limiteAnnulation_ = octets;
    LimiterHistorique();
    MettreAJour();
}

void FenetreHote::LimiterHistorique() {
    std::size_t total = MemoireAnnulation();
    auto retirerPlusAncienne = [&](std::vector<Etape> &pile) {
        total -= pile.front().pixels.size() * sizeof(TPtImg);
        pile.erase(pile.begin());
    };
    // Oldest first: the bottom of the undo stack, then the farthest redo.
    while (total > limiteAnnulation_ && !annuler_.empty()) retirerPlusAncienne(annuler_);
    while (total > limiteAnnulation_ && !refaire_.empty()) retirerPlusAncienne(refaire_);
}

void FenetreHote::Annuler() {
    if (operationEnCours_ || annuler_.empty()) return;
    Etape e = std::move(annuler_.back());
    annuler_.pop_back();
    refaire_.push_back(Etape{Instantane(image_), e.libelle, etat_});
    Restaurer(image_, e.pixels);
    etat_ = e.etat;
    Rafraichir();
    MettreAJour();
}

void FenetreHote::Refaire() {
    if (operationEnCours_ || refaire_.empty()) return;
    Etape e = std::move(refaire_.back());
    refaire_.pop_back();
    annuler_.push_back(Etape{Instantane(image_), e.libelle, etat_});
    Restaurer(image_, e.pixels);
    etat_ = e.etat;
    Rafraichir();
    MettreAJour();
}

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

QStringList FenetreHote::FichiersRecents() const {
    return Reglages().value(CleRecents).toStringList();
}

void FenetreHote::AjouterRecent(const QString &chemin) {
    const QString absolu = QFileInfo(chemin).absoluteFilePath();
    QStringList liste = FichiersRecents();
    liste.removeAll(absolu);
    liste.prepend(absolu);
    while (liste.size() > MaxRecents) liste.removeLast();
    Reglages().setValue(CleRecents, liste);
    RemplirRecents();
}

void FenetreHote::RemplirRecents() {
    menuRecents_->clear();
    const QStringList liste = FichiersRecents();
    const QStringList noms = NomsDistincts(liste);
    for (int i = 0; i < liste.size(); ++i) {
        const QString chemin = liste[i];
        QAction *a = menuRecents_->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(Echapper(noms[i])), this,
            [this, chemin] {
                if (OuvrirDemande(chemin) || QFileInfo::exists(chemin)) return;
                // Gone: no use offering it again.
                QStringList l = FichiersRecents();
                l.removeAll(chemin);
                Reglages().setValue(CleRecents, l);
                RemplirRecents();
            });
        a->setObjectName(QStringLiteral("actionRecent%1").arg(i + 1));
        a->setToolTip(chemin);
        a->setStatusTip(chemin);
    }
    if (!liste.isEmpty()) {
        menuRecents_->addSeparator();
        menuRecents_->addAction(QStringLiteral("&Effacer la liste"), this, [this] {
            Reglages().remove(CleRecents);
            RemplirRecents();
        })->setObjectName(QStringLiteral("actionEffacerRecents"));
    }
    menuRecents_->setEnabled(!liste.isEmpty());
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

void FenetreHote::closeEvent(QCloseEvent *e) {
    if (ConfirmerAbandon())
        e->accept();
    else
        e->ignore();
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
