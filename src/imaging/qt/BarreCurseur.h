// TBarreCurseur: the slider of every dialog. A horizontal QSlider with tick marks
// below; Frequency is the tick interval. OnChange is QSlider::valueChanged (also
// emitted by setValue when the value changes). MouseUp is emitted on every release
// of the mouse button on the control, after a thumb drag or a click on the track.
#pragma once

#include <QSlider>

class QMouseEvent;

namespace velmora::qt {

class TBarreCurseur : public QSlider {
    Q_OBJECT
public:
    explicit TBarreCurseur(QWidget *parent = nullptr);
    // objectName nom, geometry (left, top, width, height), Min, Max, Position, Frequency.
    TBarreCurseur(QWidget *parent, const char *nom, int gauche, int haut, int largeur,
                  int hauteur, int min, int max, int position, int frequence);

    int Position() const { return value(); }
    void DefinirPosition(int p) { setValue(p); }
    void DefinirFrequence(int f) { setTickInterval(f); }

signals:
    void MouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent *ev) override;
};

} // namespace velmora::qt
