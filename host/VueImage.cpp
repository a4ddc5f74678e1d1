#include "VueImage.h"

#include <QPainter>

#include <algorithm>

namespace velmora::hote {

VueImage::VueImage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("vueImage"));
    setMinimumSize(160, 120);
    setAutoFillBackground(false);
}

void VueImage::DefinirImage(const QImage &image) {
    image_ = image;
    update();
}

QRect VueImage::CadreImage() const {
    if (image_.isNull()) return {};
    const double echelle = std::min({1.0, double(width()) / image_.width(),
                                     double(height()) / image_.height()});
    const int l = std::max(1, int(image_.width() * echelle + 0.5));
    const int h = std::max(1, int(image_.height() * echelle + 0.5));
    return QRect((width() - l) / 2, (height() - h) / 2, l, h);
}

QPoint VueImage::VersPixel(const QPoint &point) const {
    const QRect cadre = CadreImage();
    if (cadre.isEmpty()) return {};
    const int x = int(double(point.x() - cadre.x()) * image_.width() / cadre.width());
    const int y = int(double(point.y() - cadre.y()) * image_.height() / cadre.height());
    return {std::clamp(x, 0, image_.width() - 1), std::clamp(y, 0, image_.height() - 1)};
}

void VueImage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    if (image_.isNull()) {
        p.setPen(palette().color(QPalette::BrightText));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Aucune image : Fichier ▸ Ouvrir…"));
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(CadreImage(), image_);
}

} // namespace velmora::hote
