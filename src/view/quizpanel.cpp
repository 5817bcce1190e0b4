#include "view/quizpanel.h"

#include "game/piecerecord.h"

void QuizPanel::draw(QSize view, qreal ratio, const NamingQuiz &quiz, int nowMs)
{
    if (quiz.answers != answersSeen) {
        answersSeen = quiz.answers;
        answeredAt = nowMs;
    }
    for (QRect &box : boxes)
        box = QRect();

    const bool showVerdict =
        !quiz.asking() && quiz.lastAsked && nowMs - answeredAt < verdictShownMs;
    if (!quiz.asking() && !showVerdict)
        return;

    const overlay::FlatPass flat(view);
    if (showVerdict) {
        title.setText(verdict(*quiz.lastAsked, *quiz.lastChosen, language), overlay::captionFont(),
                      ratio);
        title.draw(overlay::captionAt(view, title.size()));
        return;
    }

    title.setText(questionText(), overlay::captionFont(), ratio);
    const QPoint titleAt = overlay::captionAt(view, title.size());
    title.draw(titleAt);

    // The choices in one row under the question when they fit across the
    // view, else two to a row.
    const QList<const PieceRecord *> choices = quiz.choices();
    int across = 0;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        choiceLabels[i].setText(
            QStringLiteral("%1  %2").arg(i + 1).arg(shownName(*choices[i], language)),
            overlay::captionFont(), ratio);
        across += choiceLabels[i].size().width() + gap;
    }
    const int perRow = across - gap <= view.width() - 2 * overlay::margin ? int(choices.size()) : 2;
    int y = titleAt.y() + title.size().height() + gap;
    for (qsizetype first = 0; first < choices.size(); first += perRow) {
        const qsizetype last = qMin(choices.size(), first + perRow);
        int width = -gap;
        int height = 0;
        for (qsizetype i = first; i < last; ++i) {
            width += choiceLabels[i].size().width() + gap;
            height = qMax(height, choiceLabels[i].size().height());
        }
        int x = qMax(overlay::margin, (view.width() - width) / 2);
        for (qsizetype i = first; i < last; ++i) {
            boxes[i] = QRect(QPoint(x, y), choiceLabels[i].size());
            choiceLabels[i].draw(boxes[i].topLeft());
            x += boxes[i].width() + gap;
        }
        y += height + gap;
    }
}

int QuizPanel::choiceAt(QPoint at) const
{
    for (int i = 0; i < NamingQuiz::choiceCount; ++i)
        if (boxes[i].contains(at))
            return i;
    return -1;
}

void QuizPanel::releaseGl()
{
    title.releaseGl();
    for (overlay::Label &label : choiceLabels)
        label.releaseGl();
}

QString QuizPanel::verdict(const PieceRecord &asked, const PieceRecord &chosen,
                           NameLanguage language)
{
    const QString fitted = QStringLiteral("Fitted: ") + shownName(asked, language);
    if (chosen.name == asked.name)
        return fitted;
    return fitted + QStringLiteral(" (not ") + shownName(chosen, language) + QLatin1Char(')');
}
