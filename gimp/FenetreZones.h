// The bridge's own window for the colour balance: the pixels the plug-in works
// on, reduced to fit, where a rectangle dragged gives a reference zone (with
// Ctrl held for the dark zone, as the plug-in's dialog asks).
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class QLabel;

namespace velmora::hote {
class VueImage;
}

namespace velmora::gimp {

class FenetreZones : public QWidget {
    Q_OBJECT
public:
    explicit FenetreZones(const QString &titre, QWidget *parent = nullptr);
    void DefinirImage(const QImage &image);
    hote::VueImage *Vue() const { return vue_; }

signals:
    void ZoneChoisie(QRect pixels, Qt::KeyboardModifiers touches);

private:
    hote::VueImage *vue_;
};

} // namespace velmora::gimp
