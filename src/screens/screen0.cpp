#include "screens/screen0.h"

#include <QPainter>

Screen0::Screen0(QWidget *parent)
    : QWidget(parent)
    , picture(QStringLiteral("loading.png"))
{
    setGeometry(0, 0, picture.width(), picture.height());
}

void Screen0::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));
    painter.drawPixmap(0, 0, picture);
}
