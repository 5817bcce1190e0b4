#include "widgets/gamestudy.h"

#include "game/gameengine.h"
#include "view/glengine.h"
#include "widgets/singleplayerscreen.h"

#include <QKeyEvent>
#include <QRandomGenerator>

GameStudy::GameStudy(SinglePlayerScreen *screen, Difficulty difficulty)
    : QObject(screen), screen(screen), difficulty(difficulty)
{
    connect(screen->engine, &GameEngine::changed, this, &GameStudy::pieceFitted);
    if (difficulty == Difficulty::Hard) {
        screen->view->setQuiz(&quiz);
        connect(screen->view, &GLEngine::choiceClicked, this, &GameStudy::answer);
        // The keys 1-4 reach the game screen; the view takes none.
        screen->setFocusPolicy(Qt::StrongFocus);
        screen->installEventFilter(this);
    }
}

QStringList GameStudy::reportLines() const
{
    if (quiz.questions == 0)
        return {};
    return {QStringLiteral("%1 of %2 named").arg(quiz.rightAnswers).arg(quiz.questions)};
}

bool GameStudy::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        screen->setFocus();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key >= Qt::Key_1 && key < Qt::Key_1 + NamingQuiz::choiceCount) {
            answer(key - Qt::Key_1);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void GameStudy::pieceFitted()
{
    const GameEngine &engine = *screen->engine;
    for (; placedSeen < engine.placed.size(); ++placedSeen) {
        if (difficulty != Difficulty::Hard)
            continue;
        QList<const PieceRecord *> pieces(engine.placed.begin(), engine.placed.end());
        pieces += QList<const PieceRecord *>(engine.remaining.begin(), engine.remaining.end());
        quiz.ask(engine.placed[placedSeen], pieces, *QRandomGenerator::global());
    }
    screen->view->setReportExtra(reportLines());
}

void GameStudy::answer(int choice)
{
    if (!quiz.answer(choice))
        return;
    screen->view->setReportExtra(reportLines());
}
