// Shows one image, reduced to fit the widget (never enlarged), centred.
#pragma once

#include <QImage>
#include <QWidget>

namespace velmora::hote {

class VueImage : public QWidget {
    Q_OBJECT
public:
    explicit VueImage(QWidget *parent = nullptr);

    void DefinirImage(const QImage &image);
    const QImage &Image() const { return image_; }

    // Where the image is drawn, in widget coordinates (empty without an image).
    QRect CadreImage() const;
    // The image pixel under a widget point, clamped to the image.
    QPoint VersPixel(const QPoint &point) const;

    QSize sizeHint() const override { return {800, 600}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage image_;
};

} // namespace velmora::hote
