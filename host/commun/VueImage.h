// Shows one image the way photo editors do: fitted to the window (reduced,
// never enlarged), or at a chosen zoom with scroll bars; reduced views are
// scaled smoothly, enlarged ones show square pixels. Ctrl with the mouse wheel
// zooms about the pointer.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointF>
#include <QRect>

#include <vector>

class QRubberBand;

namespace velmora::hote {

class VueImage : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit VueImage(QWidget *parent = nullptr);

    // A new picture of the same size keeps the zoom and the scrolled place;
    // another size goes back to fitting the window.
    void DefinirImage(const QImage &image);
    const QImage &Image() const { return image_; }

    // The zoom steps, from 1/32 to 32, through 100 %.
    static const std::vector<double> &Paliers();
    // The step after / before z (z itself when there is none).
    static double PalierSuivant(double z);
    static double PalierPrecedent(double z);

    void AjusterALaFenetre();
    void TailleReelle() { DefinirZoom(1.0); }
    void ZoomAvant() { DefinirZoom(PalierSuivant(zoom_)); }
    void ZoomArriere() { DefinirZoom(PalierPrecedent(zoom_)); }
    // Sets the zoom, keeping the image point under `pivot` (viewport
    // coordinates) where it is when the scroll range allows; by default the
    // centre of the viewport.
    void DefinirZoom(double zoom);
    void DefinirZoom(double zoom, QPointF pivot);

    double Zoom() const { return zoom_; }
    bool Ajuste() const { return ajuste_; }

    // Where the image is drawn, in viewport coordinates (empty without an image).
    QRect CadreImage() const;
    // The image pixel under a viewport point, clamped to the image.
    QPoint VersPixel(const QPoint &point) const;
    // The viewport point where an image point (in pixels, may be fractional) is drawn.
    QPointF DepuisPixel(const QPointF &pixel) const;

    QSize sizeHint() const override { return {800, 600}; }

    // Zone mode: a drag with the left button draws a rectangle on the image
    // (a rubber band) and its release gives the zone; the zoom and the scroll
    // bars still work. Off: the mouse selects nothing.
    void DefinirSelectionZone(bool actif);
    bool SelectionZone() const { return selectionZone_; }

signals:
    // Zoom or fitting changed (also when a fitted view is resized).
    void ZoomChange();
    // A zone dragged in zone mode, in image pixels (at least one), with the
    // modifier keys held at the release.
    void ZoneChoisie(QRect pixels, Qt::KeyboardModifiers touches);

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void wheelEvent(QWheelEvent *) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    QSize TailleAffichee() const;
    void MettreAJourBarres();
    double ZoomAjuste() const;

    QImage image_;
    // Smoothly reduced copies of the last two pictures (by cacheKey) at the
    // shown size: comparing switches between two pictures without redoing them.
    struct Reduite {
        qint64 cle = 0;
        QImage image;
    };
    Reduite reduites_[2];
    const QImage &Reduire(QSize taille);
    double zoom_ = 1.0;
    bool ajuste_ = true;
    double reliquatMolette_ = 0; // wheel angle not yet turned into a step
    bool selectionZone_ = false;
    bool glisse_ = false;         // a zone is being dragged
    QPoint departZone_;           // image pixel where the drag began
    QPoint finZone_;              // image pixel under the pointer
    QRubberBand *bande_ = nullptr;
    QRect ZonePixels() const;     // departZone_..finZone_, both included
    void PlacerBande();
};

} // namespace velmora::hote
