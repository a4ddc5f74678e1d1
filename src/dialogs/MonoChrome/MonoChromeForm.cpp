#include "MonoChromeForm.h"

#include "imaging/Hote.h"

#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include <filesystem>

namespace velmora {

using monochrome::Point;

// ---------------------------------------------------------------- ChoixCoul

TImageSelecteur::TImageSelecteur(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImageSelecteur::TraceRepere(int x, int y) {
    if (image_.isNull()) return;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(x - 5, y - 5, 10, 10));
    p.end();
    update();
}

void TImageSelecteur::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void TImageSelecteur::mousePressEvent(QMouseEvent *ev) {
    const QPoint q = ev->position().toPoint();
    emit MouseDown(ev->button(), ev->buttons(), ev->modifiers(), q.x(), q.y());
}

void TImageSelecteur::mouseMoveEvent(QMouseEvent *ev) {
    const QPoint q = ev->position().toPoint();
    emit MouseMove(ev->buttons(), ev->modifiers(), q.x(), q.y());
}

void TImageSelecteur::mouseReleaseEvent(QMouseEvent *ev) {
    const QPoint q = ev->position().toPoint();
    emit MouseUp(ev->button(), q.x(), q.y());
}

// ---------------------------------------------------------------- glyphs

namespace {

// "Charger": a document in front of a yellow folder.
QIcon GlypheCharger() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 0));
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(0, 4, 12, 10);
    p.drawRect(0, 3, 5, 1);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(6, 1, 8, 12);
    p.drawLine(8, 4, 12, 4);
    p.drawLine(8, 6, 12, 6);
    p.drawLine(8, 8, 12, 8);
    p.drawLine(8, 10, 11, 10);
    return QIcon(pm);
}

// "Enregistrer": a document, a red arrow pointing into a diskette.
QIcon GlypheEnregistrer() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(0, 0, 6, 8);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(5, 6, 10, 9);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(7, 7, 6, 3);
    p.fillRect(8, 12, 5, 3, Qt::white);
    p.setPen(QPen(QColor(255, 0, 0), 1));
    p.drawLine(3, 3, 9, 9);
    QPainterPath fleche;
    fleche.moveTo(10, 10);
    fleche.lineTo(10, 6);
    fleche.lineTo(6, 10);
    fleche.closeSubpath();
    p.fillPath(fleche, QColor(255, 0, 0));
    return QIcon(pm);
}

QLabel *Etiquette(QWidget *parent, const char *nom, const char *texte, int x, int y,
                  QColor couleur) {
    auto *l = new QLabel(QString::fromUtf8(texte), parent);
    l->setObjectName(QString::fromUtf8(nom));
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, couleur);
    l->setPalette(pal);
    l->move(x, y);
    l->adjustSize();
    return l;
}

std::filesystem::path CheminDe(const QString &nom) {
    return std::filesystem::path(QFile::encodeName(nom).toStdString());
}

} // namespace

// ---------------------------------------------------------------- TMonoCouleur

TMonoCouleur::TMonoCouleur()
    : qt::DialogueBase("MonoCouleur", QStringLiteral("Réalisation de Monochrome"), 606, 380,
                       true) {
    AppliquerPolice();
    CreerApercu();

    FiltreImage = new QGroupBox(QStringLiteral(" Filtrage de l'original "), this);
    FiltreImage->setObjectName(QStringLiteral("FiltreImage"));
    FiltreImage->setGeometry(340, 5, 256, 261);
    ChoixCoul = new TImageSelecteur(FiltreImage);
    ChoixCoul->setObjectName(QStringLiteral("ChoixCoul"));
    ChoixCoul->setGeometry(24, 32, monochrome::TailleSelecteur, monochrome::TailleSelecteur);
    CoeffR = Etiquette(FiltreImage, "CoeffR", "kR", 105, 15, QColor(255, 0, 0));
    CoeffV = Etiquette(FiltreImage, "CoeffV", "kV", 10, 210, QColor(0, 128, 0));
    CoeffB = Etiquette(FiltreImage, "CoeffB", "kB", 200, 210, QColor(0, 0, 255));

    MonoChr = new QGroupBox(QStringLiteral(" Monochromes "), this);
    MonoChr->setObjectName(QStringLiteral("MonoChr"));
    MonoChr->setGeometry(340, 275, 256, 91);
    ChoixTeinte = new QComboBox(MonoChr);
    ChoixTeinte->setObjectName(QStringLiteral("ChoixTeinte"));
    ChoixTeinte->setEditable(false);
    for (const std::string &e : monochrome::TeintesInitiales())
        ChoixTeinte->addItem(QString::fromStdString(e));
    ChoixTeinte->setCurrentIndex(0);
    ChoixTeinte->setGeometry(15, 20, 116, ChoixTeinte->sizeHint().height());
    ChargTeinte = new QPushButton(GlypheCharger(), QStringLiteral("Charger"), MonoChr);
    ChargTeinte->setObjectName(QStringLiteral("ChargTeinte"));
    ChargTeinte->setGeometry(147, 20, 92, 25);
    ChargTeinte->setAutoDefault(false);
    EnrgTeinte = new QPushButton(GlypheEnregistrer(), QStringLiteral("Enregistrer"), MonoChr);
    EnrgTeinte->setObjectName(QStringLiteral("EnrgTeinte"));
    EnrgTeinte->setGeometry(147, 55, 92, 25);
    EnrgTeinte->setAutoDefault(false);

    CreerBoutons(QRect(20, 343, 81, 25), QRect(127, 343, 81, 25), QRect(235, 343, 81, 25));

    connect(ChoixCoul, &TImageSelecteur::MouseDown, this,
            [this](Qt::MouseButton b, Qt::MouseButtons bs, Qt::KeyboardModifiers m, int x, int y) {
                qt::ExecuterGestionnaire(this, [&] { ChoixCoulMouseDown(b, bs, m, x, y); });
            });
    connect(ChoixCoul, &TImageSelecteur::MouseMove, this,
            [this](Qt::MouseButtons bs, Qt::KeyboardModifiers m, int x, int y) {
                qt::ExecuterGestionnaire(this, [&] { ChoixCoulMouseMove(bs, m, x, y); });
            });
    connect(ChoixCoul, &TImageSelecteur::MouseUp, this, [this](Qt::MouseButton b, int x, int y) {
        qt::ExecuterGestionnaire(this, [&] { ChoixCoulMouseUp(b, x, y); });
    });
    // A choice by the user only: selecting from code does not run the handler.
    Relier(ChoixTeinte, &QComboBox::activated, [this] { ChoixTeinteChange(); });
    Relier(ChargTeinte, &QPushButton::clicked, [this] { ChargTeinteClick(); });
    Relier(EnrgTeinte, &QPushButton::clicked, [this] { EnrgTeinteClick(); });
}

void TMonoCouleur::FormCreate() {
    const QColor face = palette().color(QPalette::Button);
    const auto pixels = monochrome::ImageSelecteur(
        etat_.geometrie, monochrome::TailleSelecteur, monochrome::TailleSelecteur,
        TPtImg{uint8_t(face.blue()), uint8_t(face.green()), uint8_t(face.red())});
    // RGB32: the XOR pen needs a 32-bit picture.
    QImage image(monochrome::TailleSelecteur, monochrome::TailleSelecteur, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *ligne = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const TPtImg &p = pixels[std::size_t(y) * image.width() + x];
            ligne[x] = qRgb(p.Rouge, p.Vert, p.Bleu);
        }
    }
    ChoixCoul->DefinirImage(std::move(image));
    repere_ = etat_.geometrie.centre;
    TraceRepere(repere_);
    etat_.posRepere = etat_.geometrie.centre;
}

void TMonoCouleur::PreparerEtat() { ReInitClick(nullptr); }

void TMonoCouleur::ReInitClick(QObject *) {
    etat_.DefinirTables(monochrome::Identite());
    ImageModifiee = false;
    CalculeCoeffs(etat_.geometrie.centre, false);
    ConstruireApercu();
    PlacerRepere(etat_.geometrie.centre);
    etat_.posRepere = etat_.geometrie.centre;
    ChoixTeinte->setCurrentIndex(0);
    etat_.derniereTeinte = 0;
}

void TMonoCouleur::TraceRepere(Point p) { ChoixCoul->TraceRepere(p.x, p.y); }

void TMonoCouleur::PlacerRepere(Point p) {
    // Erasing where the marker really is, rather than where the last commit
    // says, keeps a single marker on the picture whatever the button sequence.
    TraceRepere(repere_);
    TraceRepere(p);
    repere_ = p;
}

void TMonoCouleur::CalculeCoeffs(Point p, bool redessiner) {
    etat_.DefinirCoeffs(p);
    const std::string sep = qt::SeparateurDecimal();
    const auto &k = etat_.Coeffs();
    auto ecrire = [](QLabel *l, const std::string &t) {
        l->setText(QString::fromStdString(t));
        l->adjustSize();
    };
    ecrire(CoeffR, monochrome::TexteCoefficient("kR", k.kR, sep));
    ecrire(CoeffV, monochrome::TexteCoefficient("kV", k.kV, sep));
    ecrire(CoeffB, monochrome::TexteCoefficient("kB", k.kB, sep));
    if (redessiner) RafraichirApercu();
}

void TMonoCouleur::CalculeTeinte(int32_t rgb) { etat_.DefinirTables(monochrome::CalculeTeinte(rgb)); }

void TMonoCouleur::DeplacerCurseur(QPoint p) {
    // Kept for whoever watches the picker (tests): the point asked for.
    ChoixCoul->setProperty("PointCurseur", p);
    QCursor::setPos(ChoixCoul->mapToGlobal(p));
}

void TMonoCouleur::ChoixCoulMouseDown(Qt::MouseButton bouton, Qt::MouseButtons boutons,
                                      Qt::KeyboardModifiers touches, int x, int y) {
    if (bouton != Qt::LeftButton || boutons != Qt::LeftButton || touches != Qt::NoModifier)
        return;
    etat_.posGlisse = {x, y};
    PlacerRepere({x, y});
}

void TMonoCouleur::ChoixCoulMouseMove(Qt::MouseButtons boutons, Qt::KeyboardModifiers touches,
                                      int x, int y) {
    if (boutons != Qt::LeftButton || touches != Qt::NoModifier) return;
    const Point p{x, y};
    if (!etat_.geometrie.DansDisque(p)) {
        // Back onto the circle: the move this causes brings the marker there;
        // this notice still goes on with the outside point.
        const Point q = etat_.geometrie.SurCercle(p);
        DeplacerCurseur(QPoint(q.x, q.y));
    }
    PlacerRepere(p);
    etat_.posGlisse = p;
    CalculeCoeffs(p, true);
}

void TMonoCouleur::ChoixCoulMouseUp(Qt::MouseButton bouton, int x, int y) {
    if (bouton != Qt::LeftButton) return;
    const Point p{x, y};
    if (!(repere_ == p)) PlacerRepere(p);
    etat_.posRepere = p;
    CalculeCoeffs(p, true);
}

void TMonoCouleur::ChoixTeinteChange() {
    const int index = ChoixTeinte->currentIndex();
    if (index < 0) return;
    if (index == ChoixTeinte->count() - 1) {
        // The colour dialog opens once the list has finished with its own event.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible()) qt::ExecuterGestionnaire(this, [this] { AutreTeinte(); });
            },
            Qt::QueuedConnection);
        return;
    }
    CalculeTeinte(monochrome::ValeurTeinte(ChoixTeinte->itemText(index).toStdString()));
    CalculeCoeffs(etat_.posRepere, true);
    etat_.derniereTeinte = index;
}

int TMonoCouleur::InsererTeinte(const QString &entree) {
    const int index = ChoixTeinte->count() - 1;
    ChoixTeinte->insertItem(index, entree);
    ChoixTeinte->setCurrentIndex(index);
    return index;
}

void TMonoCouleur::AutreTeinte() {
    qt::PremierPlanSuspendu normal(this);
    QColorDialog couleurs(this);
    couleurs.setObjectName(QStringLiteral("DialogueCouleur"));
    couleurs.setOption(QColorDialog::DontUseNativeDialog);
    couleurs.setCurrentColor(Qt::black);
    if (couleurs.exec() != QDialog::Accepted) {
        ChoixTeinte->setCurrentIndex(etat_.derniereTeinte);
        return;
    }
    const QColor c = couleurs.selectedColor();

    QString nom = QStringLiteral("Teinte");
    {
        QInputDialog boite(this);
        boite.setObjectName(QStringLiteral("NomTeinte"));
        boite.setInputMode(QInputDialog::TextInput);
        boite.setWindowTitle(QStringLiteral("Nouvelle teinte"));
        boite.setLabelText(QStringLiteral("Nom de la nouvelle teinte :"));
        boite.setTextValue(nom);
        if (boite.exec() == QDialog::Accepted) nom = boite.textValue();
    }
    const std::string entree =
        monochrome::NouvelleEntree(nom.toStdString(), c.red(), c.green(), c.blue());
    etat_.derniereTeinte = InsererTeinte(QString::fromStdString(entree));
    CalculeTeinte(c.red() << 16 | c.green() << 8 | c.blue());
    CalculeCoeffs(etat_.posRepere, true);
}

QString TMonoCouleur::DossierHote() const {
    // The folder of the host's program, not of this library.
    return QCoreApplication::applicationDirPath();
}

namespace {
void PreparerDialogueFichier(QFileDialog &d) {
    d.setObjectName(QStringLiteral("DialogueFichier"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setNameFilter(QStringLiteral("Fichiers Monochrome (*.uni)"));
    d.setDefaultSuffix(QStringLiteral("uni"));
    // A name that does not exist is accepted; opening it then reports the error.
    d.setFileMode(QFileDialog::AnyFile);
}
} // namespace

void TMonoCouleur::EnrgTeinteClick() {
    qt::PremierPlanSuspendu normal(this);
    QFileDialog d(this, QString(), DossierHote());
    PreparerDialogueFichier(d);
    d.setAcceptMode(QFileDialog::AcceptSave);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
    monochrome::EnregistrerTeinte(CheminDe(d.selectedFiles().first()),
                                  ChoixTeinte->currentText().toStdString());
}

void TMonoCouleur::ChargTeinteClick() {
    qt::PremierPlanSuspendu normal(this);
    QFileDialog d(this, QString(), DossierHote());
    PreparerDialogueFichier(d);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
    const std::string entree = monochrome::ChargerTeinte(CheminDe(d.selectedFiles().first()));
    InsererTeinte(QString::fromStdString(entree));
    ChoixTeinteChange();
}

} // namespace velmora
