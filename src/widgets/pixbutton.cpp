#include "widgets/pixbutton.h"

#include <QPainter>

PixButton::PixButton(const QString &upFile, const QString &downFile, bool checkable, int x, int y,
                     QWidget *parent)
    : QAbstractButton(parent)
    , upPixmap(upFile)
    , downPixmap(downFile)
{
    setGeometry(x, y, upPixmap.width(), upPixmap.height());
    setCheckable(checkable);
    // The menus are worked with the mouse and a picture shows no focus: a
    // button holding an unseen focus would take the Space key, in the middle
    // of a game, for a click.
    setFocusPolicy(Qt::NoFocus);
}

void PixButton::paintEvent(QPaintEvent *)
{
    // A toggle shows its pressed picture while checked, a plain button while
    // held down.
    const bool pressed = isCheckable() ? isChecked() : isDown();
    QPainter painter(this);
    painter.drawPixmap(0, 0, pressed ? downPixmap : upPixmap);
}
