// "Réalisation de Monochrome": the channel-mixing picker, the tint list and
// the preview. The rules are in MonoChrome.h; this form only wires widgets.
#pragma once

#include "MonoChrome.h"
#include "imaging/qt/DialogueBase.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace velmora {

// ChoixCoul: the picker picture, on which the marker is drawn with an XOR pen
// (drawing it twice at the same place erases it). Tests read the picture
// through the property "Image".
class TImageSelecteur : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Image READ Image)
public:
    explicit TImageSelecteur(QWidget *parent);
    QImage Image() const { return image_; }
    void DefinirImage(QImage image) { image_ = std::move(image); update(); }
    // The outline of the ellipse bounded by (x - 5, y - 5) and (x + 5, y + 5), XOR.
    void TraceRepere(int x, int y);

signals:
    void MouseDown(Qt::MouseButton bouton, Qt::MouseButtons boutons,
                   Qt::KeyboardModifiers touches, int x, int y);
    void MouseMove(Qt::MouseButtons boutons, Qt::KeyboardModifiers touches, int x, int y);
    void MouseUp(Qt::MouseButton bouton, int x, int y);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *ev) override;
    void mouseMoveEvent(QMouseEvent *ev) override;
    void mouseReleaseEvent(QMouseEvent *ev) override;

private:
    QImage image_;
};

class TMonoCouleur : public qt::DialogueBase {
    Q_OBJECT
public:
    TMonoCouleur();

    void FormCreate() override;
    void ReInitClick(QObject *sender) override;

    // Handlers, named as the form binds them.
    void ChoixCoulMouseDown(Qt::MouseButton bouton, Qt::MouseButtons boutons,
                            Qt::KeyboardModifiers touches, int x, int y);
    void ChoixCoulMouseMove(Qt::MouseButtons boutons, Qt::KeyboardModifiers touches, int x,
                            int y);
    void ChoixCoulMouseUp(Qt::MouseButton bouton, int x, int y);
    void ChoixTeinteChange();
    void AutreTeinte();
    void EnrgTeinteClick();
    void ChargTeinteClick();

protected:
    // Reset only: the reset itself builds the preview.
    void PreparerEtat() override;
    const RegleBloc *Regle() const override { return &etat_.RegleCourante(); }

private:
    void TraceRepere(monochrome::Point p);
    // Moves the drawn marker to p (it is always drawn at exactly one place).
    void PlacerRepere(monochrome::Point p);
    void CalculeCoeffs(monochrome::Point p, bool redessiner);
    void CalculeTeinte(int32_t rgb);
    // Puts the system cursor on a point of the picker (client coordinates).
    void DeplacerCurseur(QPoint p);
    // Inserts a tint just before "Autre teinte ..." and selects it; its index.
    int InsererTeinte(const QString &entree);
    QString DossierHote() const;

    monochrome::Etat etat_;
    monochrome::Point repere_;  // where the marker is drawn

    QGroupBox *FiltreImage, *MonoChr;
    TImageSelecteur *ChoixCoul;
    QLabel *CoeffR, *CoeffV, *CoeffB;
    QComboBox *ChoixTeinte;
    QPushButton *ChargTeinte, *EnrgTeinte;
};

} // namespace velmora
