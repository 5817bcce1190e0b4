#pragma once

#include <QObject>
#include <QStringList>

#include "game/difficulty.h"
#include "game/namingquiz.h"
#include "game/piecenames.h"
#include "record/playerrecord.h"

class PieceRecord;
class SinglePlayerScreen;

// What one player's game adds to the puzzle for study: on hard the naming
// question after every fit, answered with a click on a choice or the keys
// 1 to 4 on the game screen; names in the chosen language; every fit and
// answer written into the player's record, and what the report at the win
// says of it (names given, the best time, the pieces to review). With
// "weakest first" the trough brings the pieces the player knows least
// first. Made by the main window for a single-player game before it is
// shown; a child of its screen.
class GameStudy : public QObject
{
    Q_OBJECT

public:
    // `player` as typed on the set-up screen; `setKey` the set's file base.
    GameStudy(SinglePlayerScreen *screen, Difficulty difficulty, const QString &player,
              const QString &setKey, const QString &setName);
    ~GameStudy() override;

    // "9 of 12 named", once a name was asked; at the win the best time and
    // the pieces to review.
    QStringList reportLines() const;

    NamingQuiz quiz;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pieceFitted();
    void answer(int choice);
    void won();
    RecordedGame::Finish finish(bool won);
    QStringList pieceKeys() const;

    SinglePlayerScreen *screen;
    Difficulty difficulty;
    NameLanguage language;
    QString player;
    QString setKey;
    RecordedGame recorded;
    bool finished = false;
    int lastTime = 0;
    qsizetype placedSeen = 0;
    QStringList afterWin;
};
