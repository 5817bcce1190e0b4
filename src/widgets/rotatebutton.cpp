#include "widgets/rotatebutton.h"

#include <QMouseEvent>
#include <QPainter>

RotateButton::RotateButton(const QString &labelFile, const QString &knobFile, int x, int y,
                           QWidget *parent)
    : QAbstractButton(parent)
    , labelPixmap(labelFile)
    , knobPixmap(knobFile)
{
    setGeometry(x, y, labelPixmap.width(), labelPixmap.height() + knobPixmap.height());
}

void RotateButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        lastY = event->position().toPoint().y();
}

void RotateButton::mouseMoveEvent(QMouseEvent *event)
{
    const int y = event->position().toPoint().y();
    angleDegrees += lastY - y;
    lastY = y;
    emit moved();
    update();
}

void RotateButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 100));
    painter.drawPixmap(0, 0, labelPixmap);
    // Turn the knob about its own centre, which sits right under the label.
    const int halfWidth = knobPixmap.width() / 2;
    const int halfHeight = knobPixmap.height() / 2;
    painter.translate(halfWidth, labelPixmap.height() + halfHeight);
    painter.rotate(angleDegrees);
    painter.translate(-halfWidth, -halfHeight);
    painter.drawPixmap(0, 0, knobPixmap);
}

void RotateButton::resetAngle()
{
    angleDegrees = 0;
    update();
}
