#pragma once

// What a game teaches beyond the puzzle: the name of the piece on the trough,
// in hand and just fitted, a hint at the place of a piece the player keeps
// missing, and a report under the win text. The difficulty decides how much
// is given away; the fit rule is the same at every level.

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include "game/difficulty.h"
#include "game/piecenames.h"
#include "view/overlay.h"

class GameEngine;
class PieceRecord;
class QFontMetrics;

class LearningAids
{
public:
    // A view the game screen has not told gives nothing away.
    Difficulty difficulty = Difficulty::Hard;
    // The play time the game screen showed at the win; until it says so,
    // the view's clock at the first frame after the win.
    int winTime = -1;
    // "Fitted: Liver" after a fit; off where the player is asked the name.
    bool fittedCaption = true;
    NameLanguage language = NameLanguage::English;
    // Lines the game screen adds under the report (names given, best time).
    QStringList reportExtra;

    // The held piece at its own target, translucent and pulsing. Drawn
    // after the pieces in their frame, never in the pick pass, so it can
    // neither be taken nor stand between the mouse and the trough piece.
    void drawHint(const GameEngine &engine, int nowMs) const;
    // The caption at the top of the view and, once the game is won, the
    // report under the win text, over the finished frame. `view` is the
    // view's size in its own pixels, `ratio` its device pixel ratio.
    void drawLabels(QSize view, qreal ratio, const GameEngine &engine,
                    const PieceRecord *troughPiece, int nowMs);
    // Deletes the labels' textures; needs the view's GL context current.
    void releaseGl();
    // A press in the view after the win: puts the report away at once, or
    // brings it back for as long as at the win.
    void toggleReport(int nowMs);
    // How much of the report shows: whole for reportShownMs after the win,
    // then fading out over reportFadeMs, so the finished body can be seen.
    float reportOpacity(int nowMs) const;

    // "12 pieces in 03:07, 5 misses", then "Missed most: Liver 3, ..." with
    // up to three named pieces, broken between pieces to fit `width`.
    static QStringList report(const GameEngine &engine, int timeMs, const QFontMetrics &metrics,
                              int width, NameLanguage language = NameLanguage::English);

    // How long a fitted piece's name stays on screen.
    static constexpr int fittedShownMs = 2000;
    // How long a miss's lesson stays, unless the piece fits or misses again.
    static constexpr int missShownMs = 2000;
    static constexpr int reportShownMs = 10000;
    static constexpr int reportFadeMs = 1000;

private:
    QString caption(const GameEngine &engine, const PieceRecord *troughPiece, int nowMs) const;

    overlay::Label captionLabel;
    overlay::Label reportLabel;

    qsizetype placedSeen = -1; // none yet: pieces placed before the first frame are not news
    QString fittedName;
    int fittedAt = 0;
    int missesSeen = -1;
    QString missNews; // what the last miss taught
    int missAt = 0;
    int reportFrom = -1; // put up: at the first frame after the win, or by a press
    bool reportAway = false;
};
