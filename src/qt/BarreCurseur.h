// TBarreCurseur: the slider of every dialog. A horizontal QSlider with tick
// marks; valueChanged is its change event. MouseUp is emitted on every release
// of the mouse button on the control, after a thumb drag or a click on the track.
// Its steps are those of every toolkit's slider (PasPageCurseur, PasLigneCurseur).
#pragma once

#include <QSlider>

class QMouseEvent;

namespace velmora::qt {

class TBarreCurseur : public QSlider {
    Q_OBJECT
public:
    explicit TBarreCurseur(QWidget *parent);

signals:
    void MouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent *ev) override;
};

} // namespace velmora::qt
