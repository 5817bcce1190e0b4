#pragma once

#include <QWidget>

class PixButton;

// The main menu: single player, multi player (the class game) and exit.
// It only reports the first two choices; the exit button closes every window.
class Screen1 : public QWidget
{
    Q_OBJECT

public:
    // Sized from its pictures and hidden on return.
    explicit Screen1(QWidget *parent);

    PixButton *singlePlayerButton = nullptr;
    PixButton *multiPlayerButton = nullptr;
    PixButton *exitButton = nullptr;

signals:
    void singlePlayerClicked();
    void multiPlayerClicked();

private slots:
    void singlePlayerPressed();
    void multiPlayerPressed();
};
