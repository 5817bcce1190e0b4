#pragma once

// The naming question over the view on hard (game/namingquiz.h): a line
// asking for the name at the top, the choices numbered 1 to 4 under it, and
// after the answer the fitted piece's name in the caption's place. The view
// draws into a native window, so the choices are overlay labels, and a
// press in the view is matched against where they were last drawn.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "game/namingquiz.h"
#include "game/piecenames.h"
#include "view/overlay.h"

class QuizPanel
{
public:
    NameLanguage language = NameLanguage::English;

    // Draws over the finished frame; needs the view's GL context current.
    void draw(QSize view, qreal ratio, const NamingQuiz &quiz, int nowMs);
    // The choice drawn at `at` (the view's pixels), counted from 0; -1 for none.
    int choiceAt(QPoint at) const;
    // Where choice `i` was drawn last; empty when it was not.
    QRect choiceRect(int i) const { return boxes[i]; }
    void releaseGl();

    // "Fitted: Liver" after a right answer, "Fitted: Liver (not Spleen)"
    // after a wrong one.
    static QString verdict(const PieceRecord &asked, const PieceRecord &chosen,
                           NameLanguage language);
    static QString questionText() { return QStringLiteral("Name it: click a name or press 1-4"); }

    // How long the verdict stays, as long as the fitted name elsewhere.
    static constexpr int verdictShownMs = 2000;
    static constexpr int gap = 6; // between the boxes

private:
    overlay::Label title;
    overlay::Label choiceLabels[NamingQuiz::choiceCount];
    QRect boxes[NamingQuiz::choiceCount];
    int answersSeen = 0;
    int answeredAt = 0;
};
