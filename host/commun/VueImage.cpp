#include "VueImage.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora::hote {
namespace {

// Steps are compared with a relative margin, so that a zoom computed as 2/3
// or read back from a scaled size still counts as that step.
constexpr double Marge = 1e-9;

} // namespace

VueImage::VueImage(QWidget *parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("vueImage"));
    viewport()->setObjectName(QStringLiteral("vueImageSurface"));
    setMinimumSize(160, 120);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    connect(this, &VueImage::ZoomChange, this, [this] { PlacerBande(); });
    horizontalScrollBar()->setSingleStep(24);
    verticalScrollBar()->setSingleStep(24);
}

const std::vector<double> &VueImage::Paliers() {
    static const std::vector<double> paliers = {
        1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4,
        1.0 / 3,  1.0 / 2,  2.0 / 3,  1.0,      1.5,     2.0,     3.0,
        4.0,      6.0,      8.0,      12.0,     16.0,    24.0,    32.0};
    return paliers;
}

double VueImage::PalierSuivant(double z) {
    for (double p : Paliers())
        if (p > z * (1 + Marge)) return p;
    return std::max(z, Paliers().back());
}

double VueImage::PalierPrecedent(double z) {
    const auto &p = Paliers();
    for (auto i = p.rbegin(); i != p.rend(); ++i)
        if (*i < z * (1 - Marge)) return *i;
    return std::min(z, p.front());
}

void VueImage::DefinirImage(const QImage &image) {
    const bool memeTaille = !image_.isNull() && image.size() == image_.size();
    image_ = image;
    if (memeTaille) {
        viewport()->update();
        return;
    }
    AjusterALaFenetre();
}

double VueImage::ZoomAjuste() const {
    if (image_.isNull()) return 1.0;
    const QSize v = maximumViewportSize(); // without scroll bars: a fitted image needs none
    return std::min({1.0, double(v.width()) / image_.width(), double(v.height()) / image_.height()});
}

void VueImage::AjusterALaFenetre() {
    ajuste_ = true;
    zoom_ = ZoomAjuste();
    MettreAJourBarres();
    viewport()->update();
    emit ZoomChange();
}

void VueImage::DefinirZoom(double zoom) {
    DefinirZoom(zoom, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void VueImage::DefinirZoom(double zoom, QPointF pivot) {
    zoom = std::clamp(zoom, Paliers().front(), Paliers().back());
    // The image point under the pivot, before the change.
    const QRect avant = CadreImage();
    const QPointF point = image_.isNull() ? QPointF()
                                          : (pivot - QPointF(avant.topLeft())) / zoom_;
    zoom_ = zoom;
    ajuste_ = false;
    MettreAJourBarres();
    // Scroll so that the same point comes back under the pivot; the bars clamp
    // to their range, and an image smaller than the viewport stays centred.
    horizontalScrollBar()->setValue(int(std::lround(point.x() * zoom_ - pivot.x())));
    verticalScrollBar()->setValue(int(std::lround(point.y() * zoom_ - pivot.y())));
    viewport()->update();
    emit ZoomChange();
}

QSize VueImage::TailleAffichee() const {
    if (image_.isNull()) return {};
    return {std::max(1, int(std::lround(image_.width() * zoom_))),
            std::max(1, int(std::lround(image_.height() * zoom_)))};
}

void VueImage::MettreAJourBarres() {
    const QSize t = TailleAffichee();
    // The bars change the viewport's size, which may call this again: the
    // ranges below depend only on sizes, so it settles at once.
    const QSize v = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, t.width() - v.width()));
    horizontalScrollBar()->setPageStep(v.width());
    verticalScrollBar()->setRange(0, std::max(0, t.height() - v.height()));
    verticalScrollBar()->setPageStep(v.height());
}

QRect VueImage::CadreImage() const {
    if (image_.isNull()) return {};
    const QSize t = TailleAffichee();
    const QSize v = viewport()->size();
    const int x = t.width() < v.width() ? (v.width() - t.width()) / 2 : -horizontalScrollBar()->value();
    const int y = t.height() < v.height() ? (v.height() - t.height()) / 2
                                          : -verticalScrollBar()->value();
    return {QPoint(x, y), t};
}

QPoint VueImage::VersPixel(const QPoint &point) const {
    const QRect cadre = CadreImage();
    if (cadre.isEmpty()) return {};
    const int x = int(std::floor((point.x() - cadre.x()) * double(image_.width()) / cadre.width()));
    const int y = int(std::floor((point.y() - cadre.y()) * double(image_.height()) / cadre.height()));
    return {std::clamp(x, 0, image_.width() - 1), std::clamp(y, 0, image_.height() - 1)};
}

QPointF VueImage::DepuisPixel(const QPointF &pixel) const {
    const QRect cadre = CadreImage();
    if (cadre.isEmpty()) return {};
    return {cadre.x() + pixel.x() * cadre.width() / image_.width(),
            cadre.y() + pixel.y() * cadre.height() / image_.height()};
}

void VueImage::resizeEvent(QResizeEvent *) {
    if (ajuste_) {
        const double z = ZoomAjuste();
        if (z != zoom_) {
            zoom_ = z;
                    emit ZoomChange();
        }
    }
    MettreAJourBarres();
}

void VueImage::scrollContentsBy(int, int) {
    viewport()->update();
    PlacerBande();
}

// ---- zone mode

void VueImage::DefinirSelectionZone(bool actif) {
    selectionZone_ = actif;
    glisse_ = false;
    if (bande_) bande_->hide();
    viewport()->setCursor(actif ? Qt::CrossCursor : Qt::ArrowCursor);
}

QRect VueImage::ZonePixels() const {
    return QRect(departZone_, finZone_).normalized();
}

void VueImage::PlacerBande() {
    if (!glisse_ || !bande_) return;
    // From the top-left corner of the first pixel to the bottom-right one of the last.
    const QRect z = ZonePixels();
    const QPointF a = DepuisPixel(QPointF(z.left(), z.top()));
    const QPointF b = DepuisPixel(QPointF(z.right() + 1, z.bottom() + 1));
    bande_->setGeometry(QRectF(a, b).toAlignedRect());
}

void VueImage::mousePressEvent(QMouseEvent *e) {
    if (!selectionZone_ || image_.isNull() || e->button() != Qt::LeftButton ||
        !CadreImage().contains(e->position().toPoint())) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    if (!bande_) {
        bande_ = new QRubberBand(QRubberBand::Rectangle, viewport());
        bande_->setObjectName(QStringLiteral("bandeZone"));
    }
    glisse_ = true;
    departZone_ = finZone_ = VersPixel(e->position().toPoint());
    PlacerBande();
    bande_->show();
}

void VueImage::mouseMoveEvent(QMouseEvent *e) {
    if (!glisse_) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    finZone_ = VersPixel(e->position().toPoint());  // clamped to the image
    PlacerBande();
}

void VueImage::mouseReleaseEvent(QMouseEvent *e) {
    if (!glisse_ || e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    finZone_ = VersPixel(e->position().toPoint());
    glisse_ = false;
    bande_->hide();
    emit ZoneChoisie(ZonePixels(), e->modifiers());
}

void VueImage::wheelEvent(QWheelEvent *e) {
    if (!(e->modifiers() & Qt::ControlModifier) || image_.isNull()) {
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    // One step per notch (120); fine-grained wheels add up to a notch.
    reliquatMolette_ += e->angleDelta().y();
    while (std::abs(reliquatMolette_) >= 120) {
        const bool avant = reliquatMolette_ > 0;
        reliquatMolette_ -= avant ? 120 : -120;
        DefinirZoom(avant ? PalierSuivant(zoom_) : PalierPrecedent(zoom_), e->position());
    }
    e->accept();
}

const QImage &VueImage::Reduire(QSize taille) {
    // The one just used comes first; a new one pushes out the other.
    if (reduites_[1].cle == image_.cacheKey() && reduites_[1].image.size() == taille)
        std::swap(reduites_[0], reduites_[1]);
    if (reduites_[0].cle == image_.cacheKey() && reduites_[0].image.size() == taille)
        return reduites_[0].image;
    reduites_[1] = std::move(reduites_[0]);
    reduites_[0] = {image_.cacheKey(),
                    image_.scaled(taille, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)};
    return reduites_[0].image;
}

void VueImage::paintEvent(QPaintEvent *e) {
    QPainter p(viewport());
    p.fillRect(e->rect(), palette().color(QPalette::Dark));
    if (image_.isNull()) {
        p.setPen(palette().color(QPalette::BrightText));
        p.drawText(viewport()->rect(), Qt::AlignCenter,
                   QStringLiteral("Aucune image : Fichier ▸ Ouvrir…"));
        return;
    }
    const QRect cadre = CadreImage();
    const QRect visible = cadre & e->rect();
    if (visible.isEmpty()) return;
    if (image_.hasAlphaChannel()) { // transparency shows as a checkerboard
        QImage damier(16, 16, QImage::Format_RGB32);
        damier.fill(QColor(204, 204, 204));
        QPainter d(&damier);
        d.fillRect(0, 0, 8, 8, QColor(153, 153, 153));
        d.fillRect(8, 8, 8, 8, QColor(153, 153, 153));
        d.end();
        p.setBrushOrigin(cadre.topLeft());
        p.fillRect(visible, QBrush(damier));
    }
    if (zoom_ < 1.0) {
        // Reduced: an area-averaged copy at the shown size, made once per zoom.
        p.drawImage(visible, Reduire(cadre.size()), visible.translated(-cadre.topLeft()));
        return;
    }
    // Enlarged or 100 %: square pixels, and only the source pixels in view.
    const double sx = double(cadre.width()) / image_.width();
    const double sy = double(cadre.height()) / image_.height();
    const int x0 = std::max(0, int(std::floor((visible.left() - cadre.x()) / sx)));
    const int y0 = std::max(0, int(std::floor((visible.top() - cadre.y()) / sy)));
    const int x1 = std::min(image_.width(), int(std::ceil((visible.right() + 1 - cadre.x()) / sx)));
    const int y1 = std::min(image_.height(), int(std::ceil((visible.bottom() + 1 - cadre.y()) / sy)));
    const QRectF source(x0, y0, x1 - x0, y1 - y0);
    const QRectF cible(cadre.x() + x0 * sx, cadre.y() + y0 * sy, (x1 - x0) * sx, (y1 - y0) * sy);
    p.drawImage(cible, image_, source);
}

} // namespace velmora::hote
