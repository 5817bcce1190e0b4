#pragma once

#include <QAbstractButton>
#include <QPixmap>

// Rotation knob: a fixed label with a knob below it that turns one degree per
// pixel of vertical drag. The angle is unbounded. It never becomes down and
// never emits clicked(); every change is reported by moved().
class RotateButton : public QAbstractButton
{
    Q_OBJECT

public:
    RotateButton(const QString &labelFile, const QString &knobFile, int x, int y, QWidget *parent);

    int angle() const { return angleDegrees; }
    // Back to 0, as at the start of a game; reports nothing.
    void resetAngle();

signals:
    void moved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap labelPixmap;
    QPixmap knobPixmap;
    int angleDegrees = 0;
    // Only a left press sets it; a drag begun with another button measures
    // from wherever the last one left it (0 at first).
    int lastY = 0;
};
