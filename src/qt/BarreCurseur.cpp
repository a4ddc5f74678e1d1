#include "BarreCurseur.h"

#include <QMouseEvent>

namespace velmora::qt {

void TBarreCurseur::mouseReleaseEvent(QMouseEvent *ev) {
    QSlider::mouseReleaseEvent(ev);
    emit MouseUp();
}

} // namespace velmora::qt
