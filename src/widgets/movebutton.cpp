#include "widgets/movebutton.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

MoveButton::MoveButton(const QString &groundFile, const QString &handleFile, int x, int y,
                       QWidget *parent)
    : QAbstractButton(parent)
    , groundPixmap(groundFile)
    , handlePixmap(handleFile)
{
    setGeometry(x, y, groundPixmap.width(), groundPixmap.height());
}

void MoveButton::mousePressEvent(QMouseEvent *event)
{
    lastY = event->position().toPoint().y();
}

void MoveButton::mouseMoveEvent(QMouseEvent *event)
{
    const int y = event->position().toPoint().y();
    value += lastY - y;
    lastY = y;
    value = std::clamp(value, 0, 100);
    emit moved();
    update();
}

void MoveButton::mouseReleaseEvent(QMouseEvent *)
{
    value = 50;
    emit moved();
    update();
}

void MoveButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 100));
    painter.drawPixmap(0, 0, groundPixmap);
    const int groundHeight = groundPixmap.height();
    const int handleHeight = handlePixmap.height();
    const int y = groundHeight - ((groundHeight - handleHeight) * value) / 100 - handleHeight;
    painter.drawPixmap(0, y, handlePixmap);
}
