#include "play.h"

#include "camera.h"
#include "gamedata.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "view/glengine.h"

#include <QTest>

bool takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    for (int sweep = 0; sweep < 1000 && !engine->current && !engine->remaining.isEmpty(); ++sweep, QTest::qWait(30))
        for (float y = -0.4f; y <= 0.41f && !engine->current; y += 0.08f) {
            const QPointF at = Camera().world({-0.6f, y, engine->remaining.first()->halfSizeZ() + 0.6f}, view->size());
            sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        }
    return engine->current;
}

void dropOnTarget(GLEngine *view, GameEngine *engine)
{
    const PieceRecord *piece = engine->current;
    const QPointF at =
        Camera().piece({piece->posX() + engine->offsetX, piece->posY() + engine->offsetY, 0.5f}, view->size());
    sendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
