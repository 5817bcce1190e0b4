#pragma once

// What a game teaches beyond the puzzle: the name of the piece on the trough,
// in hand and just fitted, a hint at the place of a piece the player keeps
// missing, and a report under the win text. The difficulty decides how much
// is given away; the fit rule is the same at every level.

#include <QString>
#include <QStringList>

class GameEngine;
class PieceRecord;
class QFontMetrics;
class QOpenGLWidget;

class LearningAids
{
public:
    // The stored difficulty: 1 easy, 2 medium, anything else hard. A view
    // the game screen has not told gives nothing away.
    int difficulty = 3;
    // The play time the game screen showed at the win; until it says so,
    // the view's clock at the first frame after the win.
    int winTime = -1;

    // Easy and medium name the pieces from the start, hard once they fit.
    bool namesBeforeFit() const { return difficulty == 1 || difficulty == 2; }
    // Misses with one piece before its place is shown; 0 for never.
    int missesBeforeHint() const { return difficulty == 1 ? 1 : difficulty == 2 ? 3 : 0; }

    // The held piece at its own target, translucent and pulsing. Drawn
    // after the pieces in their frame, never in the pick pass, so it can
    // neither be taken nor stand between the mouse and the trough piece.
    void drawHint(const GameEngine &engine, int nowMs) const;
    // The caption at the foot of the view and, once the game is won, the
    // report under the win text, painted over the finished frame.
    void paintOver(QOpenGLWidget *view, const GameEngine &engine, const PieceRecord *troughPiece,
                   int nowMs);

    // "12 pieces in 03:07, 5 misses", then "Missed most: Liver 3, ..." with
    // up to three named pieces, broken between pieces to fit `width`.
    static QStringList report(const GameEngine &engine, int timeMs, const QFontMetrics &metrics,
                              int width);

    // How long a fitted piece's name stays on screen.
    static constexpr int fittedShownMs = 2000;

private:
    QString caption(const GameEngine &engine, const PieceRecord *troughPiece, int nowMs) const;

    qsizetype placedSeen = -1; // none yet: pieces placed before the first frame are not news
    QString fittedName;
    int fittedAt = 0;
};
