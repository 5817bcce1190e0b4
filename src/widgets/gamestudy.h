#pragma once

#include <QObject>
#include <QStringList>

#include "game/difficulty.h"
#include "game/namingquiz.h"

class SinglePlayerScreen;

// What one player's game adds to the puzzle for study: on hard the naming
// question after every fit, answered with a click on a choice or the keys
// 1 to 4 on the game screen, and what the report at the win says of it.
// Made by the main window for a single-player game; a child of its screen.
class GameStudy : public QObject
{
    Q_OBJECT

public:
    GameStudy(SinglePlayerScreen *screen, Difficulty difficulty);

    // "9 of 12 named", once a name was asked.
    QStringList reportLines() const;

    NamingQuiz quiz;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pieceFitted();
    void answer(int choice);

    SinglePlayerScreen *screen;
    Difficulty difficulty;
    qsizetype placedSeen = 0;
};
