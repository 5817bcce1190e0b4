#pragma once

#include <QHash>
#include <QList>
#include <QObject>

class PieceRecord;
class QDomDocument;

// The state and rules of one game. The view and the game screen read the
// fields below; only the engine writes them.
class GameEngine : public QObject
{
    Q_OBJECT

public:
    // The document belongs to the set chooser; null gives an empty game.
    explicit GameEngine(QDomDocument *document);
    // Deletes every record it created (the view releases their GL objects
    // beforehand, with its context current).
    ~GameEngine() override;

    void takePiece(int index);
    void tryFit(float x, float y);
    int progress() const;
    // Misses with every piece together.
    int missCount() const;
    // How close to its target a drop must be, on x and on y: the set's
    // "tolerance", 0.1 without one.
    double fitTolerance() const { return tolerance; }
    // Whether a drop at (x, y) fits `piece`'s target, by the rule above.
    bool fitsAt(const PieceRecord &piece, float x, float y) const;

    // What follows a drop of the held piece: it fits (placed, "fits", and
    // the win after the last) or it is a miss (it stays in the hand).
    void settle(bool fits);
    // A class game's student leaves every fit to the host: tryFit() only
    // reports the drop (dropped()), and the host's verdict comes back
    // through settle().
    bool deferFits = false;
    // The host keeps an engine for every student; those play no sound.
    bool silent = false;

    QList<PieceRecord *> remaining;    // owned
    QList<PieceRecord *> placed;       // owned
    PieceRecord *current = nullptr;    // owned
    PieceRecord *shapePiece = nullptr; // owned
    QDomDocument *document = nullptr;
    bool gameWon = false;
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    // Drops of the held piece that did not fit, by piece; pieces never
    // missed are not in it.
    QHash<const PieceRecord *, int> misses;
    // Where the held piece was last let go, for what a miss tells.
    float dropX = 0, dropY = 0;

signals:
    void changed();
    void won();
    // A piece has been taken into the hand.
    void taken();
    // The held piece was dropped there and the verdict is left to the host.
    void dropped(float x, float y);

private:
    double tolerance;
};
