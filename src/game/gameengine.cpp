#include "game/gameengine.h"

#include "audio/soundmanager.h"
#include "game/piecerecord.h"
#include "game/setformat.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

// Tools and tests may run without a sound manager.
void playEffect(const GameEngine &engine, const char *name)
{
    if (soundManager && !engine.silent)
        soundManager->playEffect(QString::fromLatin1(name));
}

} // namespace

GameEngine::GameEngine(QDomDocument *document)
    : document(document)
    , tolerance(setformat::defaultTolerance)
{
    if (document) {
        const QDomElement root = document->documentElement();
        for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
            if (!node.isElement())
                continue;
            const QString tag = node.toElement().tagName();
            if (tag == QLatin1String("part")) {
                remaining.append(new PieceRecord(node));
            } else if (tag == QLatin1String("shape")) {
                // The last shape of the set counts.
                delete shapePiece;
                shapePiece = new PieceRecord(node);
            } else if (tag == QLatin1String(setformat::tolerance)) {
                tolerance = setformat::readTolerance(node.toElement().text());
            }
        }
    }
    if (shapePiece) {
        offsetX = shapePiece->posX();
        offsetY = shapePiece->posY();
        offsetZ = shapePiece->posZ();
    }
}

GameEngine::~GameEngine()
{
    qDeleteAll(remaining);
    qDeleteAll(placed);
    delete current;
    delete shapePiece;
}

void GameEngine::takePiece(int index)
{
    if (index < 0 || index >= remaining.size())
        return;
    current = remaining.takeAt(index);
    emit taken();
}

void GameEngine::tryFit(float x, float y)
{
    if (!current)
        return;
    dropX = x;
    dropY = y;
    if (deferFits) {
        emit dropped(x, y);
        return;
    }

    settle(fitsAt(*current, x, y));
}

bool GameEngine::fitsAt(const PieceRecord &piece, float x, float y) const
{
    const float tx = piece.posX() + offsetX;
    const float ty = piece.posY() + offsetY;
    return x - tolerance < tx && tx < x + tolerance && y - tolerance < ty && ty < y + tolerance;
}

void GameEngine::settle(bool fits)
{
    if (!current)
        return;
    if (!fits) {
        ++misses[current];
        return;
    }

    placed.append(current);
    current = nullptr;
    playEffect(*this, "fits");
    emit changed();
    if (remaining.isEmpty()) {
        gameWon = true;
        emit won();
        playEffect(*this, "won");
    }
}

int GameEngine::progress() const
{
    const qsizetype total = placed.size() + remaining.size();
    if (total <= 0)
        return 0;
    return int(placed.size() * 100 / total);
}

int GameEngine::missCount() const
{
    int count = 0;
    for (int n : misses)
        count += n;
    return count;
}
