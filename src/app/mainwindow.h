#pragma once

#include <QMainWindow>
#include <QPixmap>

#include <memory>

class PixButton;
class MultiPlayerScreen;
class Screen0;
class Screen1;
class Screen2;
class SinglePlayerScreen;

// The one full-screen window. It hosts one screen at a time, centred (the
// game screen covers it whole), paints black with the logo in the corner and
// carries the column of four music buttons. Every screen and button is a Qt
// child; the music buttons move onto the game screen while a game runs.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Where a widget of the given size stands when centred in this window.
    static QPoint centredPosition(QSize window, QSize screen);

    Screen0 *screen0 = nullptr;
    Screen1 *screen1 = nullptr;
    Screen2 *screen2 = nullptr;
    SinglePlayerScreen *screensp = nullptr; // the game under way, if any; never more than one
    MultiPlayerScreen *screenmp = nullptr;  // the class game's menu, made at its first visit
    PixButton *nextButton = nullptr;
    PixButton *prevButton = nullptr;
    PixButton *stopButton = nullptr;
    PixButton *playButton = nullptr;
    std::unique_ptr<QPixmap> logo; // null until load()

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void load();
    void soundUpdate();
    void singlePlayer();
    void multiPlayer();
    void startGame();
    void screen2_to_screen1();
    void screensp_to_screen1();
    void playBg();
    void nextBg();
    void prevBg();
    void stopBg();
    void screenmp_to_screen1();

private:
    void centre(QWidget *screen);
    void moveMusicButtonsTo(QWidget *parent);
};
