#include "widgets/gamestudy.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/studysettings.h"
#include "record/apprecord.h"
#include "view/glengine.h"
#include "widgets/singleplayerscreen.h"

#include <QKeyEvent>
#include <QRandomGenerator>

#include <algorithm>

namespace {

QString clock(int ms)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2").arg(ms / 60000, 2, 10, zero).arg(ms / 1000 % 60, 2, 10, zero);
}

} // namespace

GameStudy::GameStudy(SinglePlayerScreen *screen, Difficulty difficulty, const QString &player,
                     const QString &setKey, const QString &setName)
    : QObject(screen)
    , screen(screen)
    , difficulty(difficulty)
    , player(player)
    , setKey(setKey)
{
    const StudySettings settings;
    language = settings.language();
    screen->view->setNameLanguage(language);
    GameEngine &engine = *screen->engine;
    if (settings.weakestFirst() && !setKey.isEmpty()) {
        // Pieces of one key keep the set's order among themselves.
        const QStringList order = appRecord().weakestFirst(player, setKey, pieceKeys());
        std::stable_sort(engine.remaining.begin(), engine.remaining.end(),
                         [&order](const PieceRecord *a, const PieceRecord *b) {
                             return order.indexOf(PlayerRecord::pieceKey(*a))
                                    < order.indexOf(PlayerRecord::pieceKey(*b));
                         });
    }
    if (!setKey.isEmpty())
        recorded = appRecord().startGame(player, setKey, setName, storedValue(difficulty));

    connect(screen->engine, &GameEngine::changed, this, &GameStudy::pieceFitted);
    connect(screen->engine, &GameEngine::won, this, &GameStudy::won);
    connect(screen, &SinglePlayerScreen::exitClicked, this, [this] {
        lastTime = this->screen->shownTime;
        finish(false);
    });
    if (difficulty == Difficulty::Hard) {
        screen->view->setQuiz(&quiz);
        connect(screen->view, &GLEngine::choiceClicked, this, &GameStudy::answer);
        // The keys 1-4 reach the game screen; the view takes none.
        screen->setFocusPolicy(Qt::StrongFocus);
        screen->installEventFilter(this);
    }
}

GameStudy::~GameStudy()
{
    // The window closed with the game on screen: the game stands as left.
    finish(false);
}

QStringList GameStudy::pieceKeys() const
{
    QStringList keys;
    const GameEngine &engine = *screen->engine;
    for (const QList<PieceRecord *> *list : {&engine.placed, &engine.remaining})
        for (const PieceRecord *piece : *list)
            if (const QString key = PlayerRecord::pieceKey(*piece); !keys.contains(key))
                keys << key;
    return keys;
}

QStringList GameStudy::reportLines() const
{
    QStringList lines;
    if (quiz.questions > 0)
        lines << QStringLiteral("%1 of %2 named").arg(quiz.rightAnswers).arg(quiz.questions);
    return lines + afterWin;
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
    lastTime = screen->shownTime;
    for (; placedSeen < engine.placed.size(); ++placedSeen) {
        const PieceRecord *piece = engine.placed[placedSeen];
        const int misses = engine.misses.value(piece);
        const int needed = missesBeforeHint(difficulty);
        recorded.fitted(PlayerRecord::pieceKey(*piece), misses, needed > 0 && misses >= needed);
        if (difficulty != Difficulty::Hard)
            continue;
        QList<const PieceRecord *> pieces(engine.placed.begin(), engine.placed.end());
        pieces += QList<const PieceRecord *>(engine.remaining.begin(), engine.remaining.end());
        quiz.ask(piece, pieces, *QRandomGenerator::global());
    }
    screen->view->setReportExtra(reportLines());
}

void GameStudy::answer(int choice)
{
    if (!quiz.answer(choice))
        return;
    recorded.named(PlayerRecord::pieceKey(*quiz.lastAsked),
                   PlayerRecord::pieceKey(*quiz.lastChosen),
                   quiz.lastChosen->name == quiz.lastAsked->name);
    screen->view->setReportExtra(reportLines());
}

void GameStudy::won()
{
    lastTime = screen->shownTime;
    const RecordedGame::Finish result = finish(true);
    if (result.newBest && result.previousBestMs < 0)
        afterWin << QStringLiteral("New best time: your first win here");
    else if (result.newBest)
        afterWin << QStringLiteral("New best time! It was %1").arg(clock(result.previousBestMs));
    else if (result.previousBestMs >= 0)
        afterWin << QStringLiteral("Best time: %1").arg(clock(result.previousBestMs));

    const QStringList review = appRecord().toReview(player, setKey, pieceKeys());
    QStringList names;
    for (const QString &key : review)
        for (const PieceRecord *piece : std::as_const(screen->engine->placed))
            if (PlayerRecord::pieceKey(*piece) == key && !piece->name.isEmpty()) {
                names << shownName(*piece, language);
                break;
            }
    if (!names.isEmpty())
        afterWin << QStringLiteral("To review: ") + names.mid(0, 4).join(QStringLiteral(", "));
    screen->view->setReportExtra(reportLines());
}

RecordedGame::Finish GameStudy::finish(bool won)
{
    if (finished)
        return {};
    finished = true;
    return recorded.finish(lastTime, won);
}
