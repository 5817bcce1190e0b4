#include "screens/screen1.h"

#include "widgets/pixbutton.h"

#include <QApplication>

Screen1::Screen1(QWidget *parent)
    : QWidget(parent)
{
    singlePlayerButton =
        new PixButton(QStringLiteral("singleplayer-up.png"),
                      QStringLiteral("singleplayer-down.png"), false, 10, 10, this);
    connect(singlePlayerButton, &PixButton::clicked, this, &Screen1::singlePlayerPressed);

    // The multi-player button stands 20 pixels lower than its neighbour.
    multiPlayerButton =
        new PixButton(QStringLiteral("multiplayer-up.png"), QStringLiteral("multiplayer-down.png"),
                      false, singlePlayerButton->x() + singlePlayerButton->width() + 10, 30, this);
    connect(multiPlayerButton, &PixButton::clicked, this, &Screen1::multiPlayerPressed);

    exitButton =
        new PixButton(QStringLiteral("exit-up.png"), QStringLiteral("exit-down.png"), false, 10,
                      multiPlayerButton->y() + multiPlayerButton->height() + 10, this);
    exitButton->setToolTip(QStringLiteral("Exit"));
    connect(exitButton, &PixButton::clicked, qApp, &QApplication::closeAllWindows);

    setGeometry(0, 0, multiPlayerButton->x() + multiPlayerButton->width(),
                exitButton->y() + exitButton->height());
    hide();
}

void Screen1::singlePlayerPressed()
{
    emit singlePlayerClicked();
}

void Screen1::multiPlayerPressed()
{
    emit multiPlayerClicked();
}
