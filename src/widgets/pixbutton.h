#pragma once

#include <QAbstractButton>
#include <QPixmap>

// The one push button of every screen: a resting picture and a pressed
// picture, nothing else. Press, release, toggling and clicked() are all
// QAbstractButton's; the widget takes the size of its resting picture. It
// never takes the keyboard focus.
class PixButton : public QAbstractButton
{
    Q_OBJECT

public:
    // A missing resting picture gives a 0 x 0 button that cannot be clicked.
    PixButton(const QString &upFile, const QString &downFile, bool checkable, int x, int y,
              QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap upPixmap;
    QPixmap downPixmap;
};
