#include "BarreCurseur.h"

#include "imaging/dialogue/Forme.h"

#include <QMouseEvent>

namespace velmora::qt {

TBarreCurseur::TBarreCurseur(QWidget *parent) : QSlider(Qt::Horizontal, parent) {
    setPageStep(PasPageCurseur);
    setSingleStep(PasLigneCurseur);
}

void TBarreCurseur::mouseReleaseEvent(QMouseEvent *ev) {
    QSlider::mouseReleaseEvent(ev);
    emit MouseUp();
}

} // namespace velmora::qt
