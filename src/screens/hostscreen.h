#pragma once

#include "net/classhost.h"

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class PixButton;
class QPainter;
class SetChooser;

// The teacher's screen of a class game, 800 x 600 like the set-up screen.
// First the set and the difficulty (the set-up screen's chooser and
// buttons) and Open; then the game's code, large, and the players as they
// join, and Start; during the game a live grid of every player and the
// class's most-missed pieces, and End; at the end the podium and where the
// report was written. Back (or Escape) closes the game and leads back.
class HostScreen : public QWidget
{
    Q_OBJECT

public:
    explicit HostScreen(QWidget *parent);
    ~HostScreen() override;

    // What the game is opened with: the port of "multiplayer/port" (default
    // 47820), beacons to every broadcast address on "multiplayer/discoveryPort".
    ClassHost::Options options;
    // Where the report goes: "Torvane" in the documents folder.
    QString reportFolder;

    enum class Step { Setup, Lobby, Playing, Podium };
    Step step = Step::Setup;
    ClassHost *host = nullptr; // child, once open
    QString reportPath;        // once written
    QString status;            // one line above the buttons

    PixButton *easyButton = nullptr;
    PixButton *mediumButton = nullptr;
    PixButton *hardButton = nullptr;
    PixButton *openButton = nullptr;
    PixButton *startButton = nullptr;
    PixButton *endButton = nullptr;
    PixButton *backButton = nullptr;
    SetChooser *chooser = nullptr;
    int difficulty = 1;

    // "class-heart-20260114-0930.csv"-like, in reportFolder.
    QString reportFileName() const;

signals:
    void goBack();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void select(int level);
    void openGame();
    void startGame();
    void endPressed();
    // The podium and the report, once the host has ended the game.
    void finishGame();
    void backPressed();
    void showStep(Step next);
    void paintLobby(QPainter &painter);
    void paintGrid(QPainter &painter);
    void paintPodium(QPainter &painter);
    QRect statusRect() const;

    QPixmap heading;
    QPixmap difficultyPicture;
    QPixmap setPicture;
    QTimer clockTimer; // the time on the grid, once a second
};
