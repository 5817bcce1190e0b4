#pragma once

#include "widgets/singleplayerscreen.h"

#include <QList>

class ClassClient;
class PieceRecord;

// A student's game in a class: the single-player game screen over the
// host's set, whose engine leaves every fit to the host. What the player
// does goes to the host; the host's verdicts, the player's state (a late
// join, a return) and the class clock come back. A small box at the top
// right shows the player's place and the leader's progress, and the podium
// once the game is over.
class ClassGameScreen : public SinglePlayerScreen
{
    Q_OBJECT

public:
    // Takes the client over; it is ready and the game has begun.
    ClassGameScreen(QWidget *parent, ClassClient *client);
    ~ClassGameScreen() override;

    // "You: 3rd of 12, 40%" and "Leader: Ann, 80%", or the podium.
    QStringList standingLines() const;
    static QString ordinal(int place);

    ClassClient *client = nullptr; // owned

signals:
    // The host is gone; the game has ended.
    void hostLost(const QString &why);

protected:
    void paintEvent(QPaintEvent *event) override;
    int playTime() const override;

private:
    void applyState();
    void applyVerdict(int piece, bool fits);
    QRect standingRect() const;

    QList<PieceRecord *> order; // the engine's pieces in the set's order
    int awaiting = -1;          // the piece whose drop the host is deciding
};
