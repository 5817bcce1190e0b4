#pragma once

// A view or a game screen stood up in one line over the files of GameData, and what the tests look for in
// their frames.

#include "game/difficulty.h"
#include "game/gameengine.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "widgets/singleplayerscreen.h"

#include <QDomDocument>
#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

// A view whose play clock the test sets by hand.
class SteppedView : public GLEngine
{
public:
    using GLEngine::GLEngine;
    int clockMs = 0;

protected:
    int now() const override { return clockMs; }
};

// One game of a set made of `children` (as in a set file), shown by a stepped view of its own.
struct ViewGame
{
    GameData data;
    QDomDocument document;
    std::unique_ptr<GameEngine> engine;
    std::unique_ptr<SteppedView> view; // last: its GL objects go while the records exist

    // True once the view is on screen with GL set up.
    bool start(const QString &children, QSize viewSize = QSize(400, 400), Difficulty difficulty = Difficulty::Hard);
    // The frame drawn at that reading of the play clock.
    QImage frame(int clockMs);
    // A press or release with `button`, or a move with it held.
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton);
};

// The game screen of a set made of `children` on a 1024 x 768 window, the player's difficulty and name
// stored beforehand.
struct ScreenGame
{
    GameData data;
    QDomDocument document;
    QWidget window;
    std::unique_ptr<SinglePlayerScreen> screen;

    ScreenGame(const QString &children, int difficulty, const QString &name);
    // True once the screen is on screen and its view has GL set up.
    bool show();
};

// The box around the pixels of `image` that `ink` accepts; empty when it accepts none.
QRect inkBox(const QImage &image, const std::function<bool(QRgb)> &ink);
// The green of the test skin, which nothing else in the test room wears.
bool pieceInk(QRgb colour);
// The box around the pixels that differ between two frames of one size.
QRect changedBox(const QImage &a, const QImage &b);
