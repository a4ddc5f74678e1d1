#include "Glyphes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmora::qt {

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

} // namespace

QIcon Glyphe(TGlyphe g) {
    switch (g) {
    case TGlyphe::Charger: return GlypheCharger();
    case TGlyphe::Enregistrer: return GlypheEnregistrer();
    case TGlyphe::Aucun: break;
    }
    return QIcon();
}

} // namespace velmora::qt
