#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include "game/playersettings.h"

class GameEngine;
class GLEngine;
class MoveButton;
class PixButton;
class QDomDocument;
class RotateButton;

// The screen of one game: covers its parent, shows the logo, the player's
// title and name, the progress and the play time, the 3D view in the middle,
// the exit button at the bottom left and the zoom slider over two rotation
// knobs at the bottom right. Built anew for every game, hidden on return.
class SinglePlayerScreen : public QWidget
{
    Q_OBJECT

public:
    // The document belongs to the set chooser; it may be null (no sets).
    SinglePlayerScreen(QWidget *parent, QDomDocument *set);
    ~SinglePlayerScreen() override;

    SinglePlayerScreen(const SinglePlayerScreen &) = delete;
    SinglePlayerScreen &operator=(const SinglePlayerScreen &) = delete;

    // The three lines of the display. The name is shown exactly as given,
    // place markers such as "%1" included.
    static QString statusText(const QString &playerName, int progress, int milliseconds);

    // Shows the how-to-play card when the stored name has not seen it yet,
    // and from then on counts it as seen. Called as a game starts.
    void showCardIfNew();

    GameEngine *engine = nullptr; // owned
    GLEngine *view = nullptr;     // child; deleted before the engine
    PixButton *exitButton = nullptr;
    RotateButton *xRotButton = nullptr;
    RotateButton *yRotButton = nullptr;
    MoveButton *zoomButton = nullptr;
    PixButton *resetViewButton = nullptr;
    PixButton *helpButton = nullptr;
    QString playerName;
    int difficulty = 1;
    // Play time last read for the display; frozen once the game is won.
    int shownTime = 0;
    QString paintedText; // what the display shows

signals:
    void exitClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    // Escape and a click put the card away; no other key does anything.
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // The time the display shows while the game runs: the view's play clock
    // here; a class game shows the class's.
    virtual int playTime() const;

private slots:
    void exitPressed();
    void xrotated();
    void yrotated();
    void zooming();
    void resetView();
    void showCard();

private:
    // Where the three lines of the display are drawn.
    QRect displayRect() const;

    QPixmap logo;
    PlayerSettings settings;
};
