#include "FormeQt.h"

#include "Application.h"
#include "BarreCurseur.h"
#include "Glyphes.h"
#include "imaging/dialogue/Legendes.h"

#include <QApplication>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QCheckBox>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace velmora::qt {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// RAII: events raised by the dialog's own writes do not come back to it.
struct Silence {
    int &n;
    explicit Silence(int &c) : n(c) { ++n; }
    ~Silence() { --n; }
};

uint8_t Boutons(Qt::MouseButtons b) {
    return uint8_t((b & Qt::LeftButton ? BGauche : 0) | (b & Qt::RightButton ? BDroit : 0) |
                   (b & Qt::MiddleButton ? BMilieu : 0));
}

uint8_t Touches(Qt::KeyboardModifiers m) {
    return uint8_t((m & Qt::ShiftModifier ? TMaj : 0) | (m & Qt::ControlModifier ? TCtrl : 0) |
                   (m & Qt::AltModifier ? TAlt : 0));
}

} // namespace

// ---------------------------------------------------------------- ImageQt

void ImageQt::Definir(const TImage &image) {
    if (image.Vide()) {
        image_ = QImage();
    } else {
        if (image_.width() != image.Largeur() || image_.height() != image.Hauteur())
            image_ = QImage(image.Largeur(), image.Hauteur(), QImage::Format_BGR888);
        if (image_.isNull()) throw std::bad_alloc();
        for (int32_t y = 0; y < image.Hauteur(); ++y)
            std::memcpy(image_.scanLine(y), image.Ligne(y), std::size_t(image.Largeur()) * 3);
    }
    repaint();
}

void ImageQt::paintEvent(QPaintEvent *) {
    if (image_.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

// ---------------------------------------------------------------- FenetreQt

void FenetreQt::reject() {
    // Escape or a close request: the dialog decides (its cancel handler).
    forme_.EnvoyerFermeture();
}

void FenetreQt::showEvent(QShowEvent *ev) {
    if (!ev->spontaneous()) {
        if (QScreen *ecran = screen() ? screen() : QGuiApplication::primaryScreen()) {
            QRect cadre = frameGeometry();
            cadre.moveCenter(ecran->availableGeometry().center());
            move(cadre.topLeft());
        }
    }
    QDialog::showEvent(ev);
}

void FenetreQt::MontrerTextes() {
    QStringList liste;
    for (const Texte &t : textes)
        liste << QStringLiteral("%1,%2 %3").arg(t.point.x()).arg(t.point.y()).arg(t.texte);
    setProperty("Textes", liste);
}

void FenetreQt::paintEvent(QPaintEvent *ev) {
    QDialog::paintEvent(ev);
    if (textes.empty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(font());
    for (const Texte &t : textes) p.drawText(t.point + QPoint(0, fm.ascent()), t.texte);
}

// ---------------------------------------------------------------- FormeQt

FormeQt::FormeQt(const TForme &table, IGestionnaire &dialogue)
    : table_(table), dialogue_(dialogue), generation_(GenerationApplication()),
      fenetre_(new FenetreQt(*this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        (table.PremierPlan ? Qt::WindowStaysOnTopHint
                                                           : Qt::WindowFlags()))) {
    fenetre_->setObjectName(QString::fromUtf8(table.Nom));
    noms_[fenetre_] = table.Nom;
    Construire();
}

FormeQt::~FormeQt() { delete fenetre_; }

void FormeQt::Construire() {
    QDialog &f = *fenetre_;
    f.setWindowTitle(QString::fromUtf8(table_.Titre));
    f.setFixedSize(table_.LargeurClient, table_.HauteurClient);
    f.setModal(table_.Modale);
    f.setMouseTracking(true);
    f.installEventFilter(this);

    for (const TControle &c : table_.Controles) {
        QWidget *parent = c.Parent ? Widget(c.Parent) : fenetre_;
        QWidget *w = CreerControle(c, parent);
        w->setObjectName(QString::fromUtf8(c.Nom));
        widgets_[c.Nom] = w;
        noms_[w] = c.Nom;
    }
    ChoisirPolice();
    // The tab order of the table.
    std::vector<const TControle *> ordre;
    for (const TControle &c : table_.Controles)
        if (c.OrdreTab >= 0) ordre.push_back(&c);
    std::stable_sort(ordre.begin(), ordre.end(),
                     [](auto *a, auto *b) { return a->OrdreTab < b->OrdreTab; });
    for (std::size_t i = 1; i < ordre.size(); ++i)
        QWidget::setTabOrder(Widget(ordre[i - 1]->Nom), Widget(ordre[i]->Nom));
}

QWidget *FormeQt::CreerControle(const TControle &c, QWidget *parent) {
    const QRect place(c.Place.Gauche, c.Place.Haut, c.Place.Largeur, c.Place.Hauteur);
    const char *nom = c.Nom;
    auto evenement = [this, nom](TTypeEvenement t) { Envoyer({nom, t}); };
    // Mouse notices from panels, pictures and groups (press, move, release).
    auto souris = [this](QWidget *w) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    };
    switch (c.Genre) {
    case TGenre::Panneau: {
        auto *p = new QFrame(parent);
        p->setGeometry(place);
        p->setFrameShape(c.Enfonce ? QFrame::Panel : QFrame::NoFrame);
        p->setFrameShadow(QFrame::Sunken);
        if (c.Fond != TCouleurSysteme::Defaut) {
            p->setAutoFillBackground(true);
            QPalette pal = p->palette();
            const TPtImg k = CouleurSysteme(c.Fond);
            pal.setColor(QPalette::Window, QColor(k.Rouge, k.Vert, k.Bleu));
            p->setPalette(pal);
        }
        souris(p);
        return p;
    }
    case TGenre::Image: {
        auto *i = new ImageQt(parent);
        i->setGeometry(place);
        souris(i);
        return i;
    }
    case TGenre::Curseur: {
        auto *s = new TBarreCurseur(parent);
        s->setGeometry(place);
        s->setRange(c.Min, c.Max);
        s->setValue(c.Position);
        s->setTickInterval(c.Frequence);
        s->setTickPosition(c.Graduation == TGraduation::Dessus ? QSlider::TicksAbove
                                                                : QSlider::TicksBelow);
        QObject::connect(s, &QSlider::valueChanged, this,
                         [evenement] { evenement(TTypeEvenement::Change); });
        QObject::connect(s, &TBarreCurseur::MouseUp, this,
                         [evenement] { evenement(TTypeEvenement::Relache); });
        return s;
    }
    case TGenre::Etiquette: {
        auto *l = new QLabel(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        if (c.CouleurTexte != SansCouleur) {
            QPalette pal = l->palette();
            const uint32_t k = uint32_t(c.CouleurTexte);
            pal.setColor(QPalette::WindowText, QColor(k & 0xFF, (k >> 8) & 0xFF, (k >> 16) & 0xFF));
            l->setPalette(pal);
        }
        Disposer(c, l);
        return l;
    }
    case TGenre::Bouton: {
        auto *b = new QPushButton(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        b->setGeometry(place);
        if (c.Glyphe != TGlyphe::Aucun) b->setIcon(Glyphe(c.Glyphe));
        // Enter presses the button that has the focus, as the system's dialogs
        // do; elsewhere (a slider, a list) it presses the default button.
        b->setAutoDefault(true);
        if (c.Role == TRole::Defaut) b->setDefault(true);
        QObject::connect(b, &QPushButton::clicked, this,
                         [evenement] { evenement(TTypeEvenement::Clic); });
        return b;
    }
    case TGenre::Groupe: {
        auto *g = new QGroupBox(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        g->setGeometry(place);
        souris(g);
        return g;
    }
    case TGenre::GroupeRadio: {
        auto *g = new QGroupBox(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        g->setGeometry(place);
        auto *groupe = new QButtonGroup(g);
        for (int i = 0; i < int(c.Elements.size()); ++i) {
            auto *r = new QRadioButton(QString::fromUtf8(c.Elements[std::size_t(i)]), g);
            r->setObjectName(QString::fromUtf8(c.Nom) + QLatin1Char('_') + QString::number(i));
            r->setChecked(i == c.Index);
            groupe->addButton(r, i);
        }
        groupes_[c.Nom] = groupe;
        Disposer(c, g);
        QObject::connect(groupe, &QButtonGroup::idToggled, this, [evenement](int, bool actif) {
            if (actif) evenement(TTypeEvenement::Change);
        });
        souris(g);
        return g;
    }
    case TGenre::Radio: {
        auto *r = new QRadioButton(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        Disposer(c, r);
        r->setChecked(c.Coche);
        // A change of selection only, as a click on the selected button changes nothing.
        QObject::connect(r, &QRadioButton::toggled, this, [evenement](bool actif) {
            if (actif) evenement(TTypeEvenement::Clic);
        });
        return r;
    }
    case TGenre::Liste: {
        auto *l = new QComboBox(parent);
        l->setEditable(false);
        for (const char *e : c.Elements) l->addItem(QString::fromUtf8(e));
        l->setCurrentIndex(c.Index);
        Disposer(c, l);
        // A choice by the user only (activated), never a change made from code.
        QObject::connect(l, &QComboBox::activated, this,
                         [evenement] { evenement(TTypeEvenement::Change); });
        return l;
    }
    case TGenre::Case: {
        auto *k = new QCheckBox(QString::fromUtf8(c.Texte ? c.Texte : ""), parent);
        Disposer(c, k);
        k->setChecked(c.Coche);
        QObject::connect(k, &QCheckBox::clicked, this,
                         [evenement] { evenement(TTypeEvenement::Clic); });
        return k;
    }
    }
    throw std::logic_error("genre de contrôle inconnu");
}

void FormeQt::Disposer(const TControle &c, QWidget *w) {
    const QRect place(c.Place.Gauche, c.Place.Haut, c.Place.Largeur, c.Place.Hauteur);
    switch (c.Genre) {
    case TGenre::Etiquette:
    case TGenre::Radio:
    case TGenre::Case:
        // Sized to the text where the table gives no size.
        w->move(place.topLeft());
        w->adjustSize();
        if (c.Place.Largeur > 0)
            w->resize(c.Place.Largeur, c.Place.Hauteur > 0 && c.Genre == TGenre::Etiquette
                                           ? c.Place.Hauteur
                                           : w->height());
        return;
    case TGenre::Liste:
        // As high as its font needs, unless the table says.
        w->setGeometry(c.Place.Gauche, c.Place.Haut, c.Place.Largeur,
                       c.Place.Hauteur > 0 ? c.Place.Hauteur : w->sizeHint().height());
        return;
    case TGenre::GroupeRadio:
        for (int i = 0; i < int(c.Elements.size()); ++i)
            if (QAbstractButton *r = groupes_.at(c.Nom)->button(i)) {
                const TRect p = PlaceElement(c, i);
                r->setGeometry(p.Gauche, p.Haut, p.Largeur, std::max(p.Hauteur, r->sizeHint().height()));
            }
        return;
    default: return;
    }
}

// Whether every caption and item fits the room its table leaves it, as the
// widgets ask for it in their present font.
bool FormeQt::Tient() const {
    const int ligne = QFontMetrics(fenetre_->font()).height();
    for (const TLegende &l : Legendes(table_, ligne)) {
        QWidget *w = Widget(l.Controle->Nom);
        int besoin = 0;
        if (l.Controle->Genre == TGenre::GroupeRadio && l.Element >= 0) {
            besoin = groupes_.at(l.Controle->Nom)->button(l.Element)->sizeHint().width();
        } else if (qobject_cast<QGroupBox *>(w)) {
            besoin = w->minimumSizeHint().width();  // the caption in its frame
        } else {
            besoin = w->sizeHint().width();  // a list: its widest item
        }
        if (besoin > l.Place) return false;
    }
    return true;
}

void FormeQt::ChoisirPolice() {
    // The places were laid out for a face narrower than most: the table's own
    // face where the system has it, else the system's; at the table's size,
    // then its condensed cut, then half a point smaller, and so on down to two
    // points less, until every caption fits. Nothing fitting: the smallest.
    QFont base = fenetre_->font();
    const QString nom = QString::fromUtf8(table_.Police);
    if (QFontDatabase::hasFamily(nom)) base.setFamily(nom);
    for (qreal points = table_.Points; points >= table_.Points - 2; points -= 0.5)
        for (int largeur : {int(QFont::Unstretched), int(QFont::SemiCondensed)}) {
            QFont police = base;
            police.setPointSizeF(points);
            police.setStretch(largeur);
            fenetre_->setFont(police);
            for (const TControle &c : table_.Controles) Disposer(c, Widget(c.Nom));
            if (Tient()) return;
        }
}

void FormeQt::Envoyer(const TEvenement &e) {
    if (silence_ > 0) return;
    dialogue_.Evenement(e);
}

bool FormeQt::eventFilter(QObject *objet, QEvent *ev) {
    const auto t = ev->type();
    // Qt turns the second press of a double click into its own event: a press
    // for the dialogs, which the event marks as such.
    const bool enfoncee = t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick;
    if (!enfoncee && t != QEvent::MouseMove && t != QEvent::MouseButtonRelease)
        return false;
    const auto it = noms_.find(objet);
    if (it == noms_.end()) return false;
    auto *m = static_cast<QMouseEvent *>(ev);
    const QPoint p = m->position().toPoint();
    // What a child leaves unhandled comes up to its parents: it stays the
    // child's (the form hears only its bare surface, a group its own frame).
    if (auto *w = qobject_cast<QWidget *>(objet); w && w->childAt(p)) return false;
    TEvenement e{it->second, TTypeEvenement::SourisDeplacee};
    e.Boutons = Boutons(m->buttons());
    e.Touches = Touches(m->modifiers());
    e.Bouton = Boutons(m->button());
    e.X = p.x();
    e.Y = p.y();
    if (enfoncee) e.Type = TTypeEvenement::SourisEnfoncee;
    e.DoubleClic = t == QEvent::MouseButtonDblClick;
    if (t == QEvent::MouseButtonRelease) e.Type = TTypeEvenement::SourisRelachee;
    Envoyer(e);
    // A picture keeps its own presses (the drag stays with it); groups and the
    // form let their children's events go on.
    return qobject_cast<ImageQt *>(objet) != nullptr;
}

QWidget *FormeQt::Widget(std::string_view nom) const {
    const auto it = widgets_.find(nom);
    if (it == widgets_.end()) throw std::invalid_argument("contrôle inconnu : " + std::string(nom));
    return it->second;
}

template <class T> T *FormeQt::Comme(std::string_view nom) const {
    T *w = qobject_cast<T *>(Widget(nom));
    if (!w) throw std::invalid_argument("contrôle d'un autre genre : " + std::string(nom));
    return w;
}

int32_t FormeQt::Position(std::string_view nom) const { return Comme<QSlider>(nom)->value(); }

void FormeQt::DefinirPosition(std::string_view nom, int32_t v) {
    Silence s(silence_);
    Comme<QSlider>(nom)->setValue(v);
}

std::string FormeQt::Texte(std::string_view nom) const {
    QWidget *w = Widget(nom);
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text().toStdString();
    if (auto *c = qobject_cast<QComboBox *>(w)) return c->currentText().toStdString();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text().toStdString();
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title().toStdString();
    return {};
}

void FormeQt::DefinirTexte(std::string_view nom, std::string_view texte) {
    QWidget *w = Widget(nom);
    if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(Q(texte));
        const TControle *c = table_.Controle(nom);
        if (!c || c->Place.Largeur <= 0) l->adjustSize();
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->setText(Q(texte));
    } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
        g->setTitle(Q(texte));
    } else {
        throw std::invalid_argument("contrôle sans texte : " + std::string(nom));
    }
}

bool FormeQt::Coche(std::string_view nom) const {
    return Comme<QAbstractButton>(nom)->isChecked();
}

void FormeQt::DefinirCoche(std::string_view nom, bool v) {
    Silence s(silence_);
    Comme<QAbstractButton>(nom)->setChecked(v);
}

int32_t FormeQt::Index(std::string_view nom) const {
    if (auto g = groupes_.find(nom); g != groupes_.end()) return g->second->checkedId();
    return Comme<QComboBox>(nom)->currentIndex();
}

void FormeQt::DefinirIndex(std::string_view nom, int32_t i) {
    Silence s(silence_);
    if (auto g = groupes_.find(nom); g != groupes_.end()) {
        if (QAbstractButton *b = g->second->button(i)) b->setChecked(true);
        return;
    }
    Comme<QComboBox>(nom)->setCurrentIndex(i);
}

std::vector<std::string> FormeQt::Elements(std::string_view nom) const {
    std::vector<std::string> v;
    if (auto g = groupes_.find(nom); g != groupes_.end()) {
        for (QAbstractButton *b : g->second->buttons()) v.push_back(b->text().toStdString());
        return v;
    }
    const QComboBox *c = Comme<QComboBox>(nom);
    for (int i = 0; i < c->count(); ++i) v.push_back(c->itemText(i).toStdString());
    return v;
}

void FormeQt::InsererElement(std::string_view nom, int32_t index, std::string_view texte) {
    Silence s(silence_);
    Comme<QComboBox>(nom)->insertItem(index, Q(texte));
}

void FormeQt::Activer(std::string_view nom, bool actif) { Widget(nom)->setEnabled(actif); }

void FormeQt::Placer(std::string_view nom, TRect p) {
    Widget(nom)->setGeometry(p.Gauche, p.Haut, std::max(0, p.Largeur), std::max(0, p.Hauteur));
}

void FormeQt::MontrerImage(std::string_view nom, const TImage &image) {
    Comme<ImageQt>(nom)->Definir(image);
}

TPtImg FormeQt::CouleurSysteme(TCouleurSysteme c) const {
    if (c == TCouleurSysteme::FondInfoBulle) {
        const QColor k = QToolTip::palette().color(QPalette::ToolTipBase);
        if (!k.isValid()) return FondInfoBulleParDefaut;
        return {uint8_t(k.blue()), uint8_t(k.green()), uint8_t(k.red())};
    }
    const QPalette pal = fenetre_->palette();
    const QColor k = c == TCouleurSysteme::OmbreBouton ? pal.color(QPalette::Dark)
                     : c == TCouleurSysteme::FaceBouton ? pal.color(QPalette::Button)
                                                        : pal.color(QPalette::Window);
    return {uint8_t(k.blue()), uint8_t(k.green()), uint8_t(k.red())};
}

TTaille FormeQt::MesurerTexte(std::string_view texte) const {
    const QFontMetrics fm(fenetre_->font());
    return {fm.horizontalAdvance(Q(texte)), fm.height()};
}

void FormeQt::DessinerTexte(int32_t x, int32_t y, std::string_view texte) {
    fenetre_->textes.push_back({QPoint(x, y), Q(texte)});
    fenetre_->MontrerTextes();
    fenetre_->update();
}

void FormeQt::EffacerZone(TRect z) {
    const QRect zone(z.Gauche, z.Haut, z.Largeur, z.Hauteur);
    const QFontMetrics fm(fenetre_->font());
    auto &t = fenetre_->textes;
    t.erase(std::remove_if(t.begin(), t.end(),
                           [&](const FenetreQt::Texte &x) {
                               return zone.intersects(
                                   QRect(x.point, QSize(fm.horizontalAdvance(x.texte), fm.height())));
                           }),
            t.end());
    fenetre_->MontrerTextes();
    fenetre_->update(zone);
}

void FormeQt::MontrerModal() { fenetre_->exec(); }

void FormeQt::MontrerNonModal() {
    fenetre_->show();
    fenetre_->raise();
}

void FormeQt::Fermer() { fenetre_->done(QDialog::Rejected); }

bool FormeQt::Visible() const { return fenetre_->isVisible(); }

void FormeQt::PremierPlan(bool actif) {
    // setWindowFlags would hide a shown window, which ends a modal dialog's loop.
    Qt::WindowFlags f = fenetre_->windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, actif);
    if (QWindow *w = fenetre_->windowHandle(); w && fenetre_->isVisible()) {
        fenetre_->overrideWindowFlags(f);
        w->setFlags(f);
    } else {
        fenetre_->setWindowFlags(f);
    }
}

void FormeQt::MessageErreur(std::string_view texte) {
    QMessageBox boite(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), Q(texte),
                      QMessageBox::Ok, fenetre_);
    boite.exec();
}

void FormeQt::MessageInformation(std::string_view texte) {
    QMessageBox boite(QMessageBox::Information, QStringLiteral("Information"), Q(texte),
                      QMessageBox::Ok, fenetre_);
    boite.exec();
}

std::optional<std::filesystem::path> FormeQt::Fichier(const TDialogueFichier &d, bool enregistrer) {
    QFileDialog boite(fenetre_, QString(), QString::fromStdString(d.Dossier.string()));
    boite.setObjectName(QStringLiteral("DialogueFichier"));
    boite.setOption(QFileDialog::DontUseNativeDialog);
    boite.setOption(QFileDialog::DontConfirmOverwrite);
    // "Description (*.ext)|*.ext": Qt reads the pattern from the description.
    const QString filtre = Q(d.Filtre);
    const int barre = int(filtre.indexOf(QLatin1Char('|')));
    boite.setNameFilter(barre < 0 ? filtre
                        : filtre.left(barre).contains(QLatin1Char('('))
                            ? filtre.left(barre)
                            : filtre.left(barre) + QStringLiteral(" (") + filtre.mid(barre + 1) +
                                  QLatin1Char(')'));
    boite.setDefaultSuffix(Q(d.Extension));
    // A name that does not exist is accepted; opening it then reports the error.
    boite.setFileMode(QFileDialog::AnyFile);
    boite.setAcceptMode(enregistrer ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (boite.exec() != QDialog::Accepted || boite.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(boite.selectedFiles().first()).toStdString());
}

std::optional<std::filesystem::path> FormeQt::OuvrirFichier(const TDialogueFichier &d) {
    return Fichier(d, false);
}

std::optional<std::filesystem::path> FormeQt::EnregistrerFichier(const TDialogueFichier &d) {
    return Fichier(d, true);
}

std::optional<uint32_t> FormeQt::ChoisirCouleur() {
    QColorDialog boite(fenetre_);
    boite.setObjectName(QStringLiteral("DialogueCouleur"));
    boite.setOption(QColorDialog::DontUseNativeDialog);
    boite.setCurrentColor(Qt::black);
    if (boite.exec() != QDialog::Accepted) return std::nullopt;
    const QColor c = boite.selectedColor();
    return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

std::optional<std::string> FormeQt::Saisir(std::string_view titre, std::string_view invite,
                                           std::string_view defaut) {
    QInputDialog boite(fenetre_);
    boite.setObjectName(QStringLiteral("Saisie"));
    boite.setInputMode(QInputDialog::TextInput);
    boite.setWindowTitle(Q(titre));
    boite.setLabelText(Q(invite));
    boite.setTextValue(Q(defaut));
    if (boite.exec() != QDialog::Accepted) return std::nullopt;
    return boite.textValue().toStdString();
}

void FormeQt::PlacerCurseurSouris(std::string_view nom, int32_t x, int32_t y) {
    QWidget *w = Widget(nom);
    // Kept for whoever watches the control (tests): the point asked for.
    w->setProperty("PointCurseur", QPoint(x, y));
    QCursor::setPos(w->mapToGlobal(QPoint(x, y)));
}

void FormeQt::Differer(std::function<void()> f) {
    QMetaObject::invokeMethod(fenetre_, std::move(f), Qt::QueuedConnection);
}

std::string FormeQt::SeparateurDecimal() const { return QLocale().decimalPoint().toStdString(); }

} // namespace velmora::qt
