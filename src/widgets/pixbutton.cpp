#include "widgets/pixbutton.h"

#include <QPainter>

PixButton::PixButton(const QString &upFile, const QString &downFile, bool checkable,
                     int x, int y, QWidget *parent)
    : QAbstractButton(parent)
    , upPixmap(upFile)
    , downPixmap(downFile)
{
    setGeometry(x, y, upPixmap.width(), upPixmap.height());
    setCheckable(checkable);
}

void PixButton::paintEvent(QPaintEvent *)
{
    // A toggle shows its pressed picture while checked, a plain button while
    // held down.
    const bool pressed = isCheckable() ? isChecked() : isDown();
    QPainter painter(this);
    painter.drawPixmap(0, 0, pressed ? downPixmap : upPixmap);
}
