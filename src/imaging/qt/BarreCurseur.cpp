#include "BarreCurseur.h"

#include <QMouseEvent>

namespace velmora::qt {

TBarreCurseur::TBarreCurseur(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
}

TBarreCurseur::TBarreCurseur(QWidget *parent, const char *nom, int gauche, int haut,
                             int largeur, int hauteur, int min, int max, int position,
                             int frequence)
    : TBarreCurseur(parent) {
    setObjectName(QString::fromUtf8(nom));
    setGeometry(gauche, haut, largeur, hauteur);
    setRange(min, max);
    setValue(position);
    setTickInterval(frequence);
}

void TBarreCurseur::mouseReleaseEvent(QMouseEvent *ev) {
    QSlider::mouseReleaseEvent(ev);
    emit MouseUp();
}

} // namespace velmora::qt
