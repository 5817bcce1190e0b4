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

    QList<PieceRecord *> remaining; // owned
    QList<PieceRecord *> placed;    // owned
    PieceRecord *current = nullptr; // owned
    PieceRecord *shapePiece = nullptr; // owned
    QDomDocument *document = nullptr;
    bool gameWon = false;
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    // Drops of the held piece that did not fit, by piece; pieces never
    // missed are not in it.
    QHash<const PieceRecord *, int> misses;

signals:
    void changed();
    void won();

private:
    double tolerance;
};
