// The pieces of the view's frame: the held piece, the placed ones, the ghost
// of the body and the piece gliding on the trough, in the still and the
// moving parts of the frame.
#include "view/glengine.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <QVector3D>
#include <QVector4D>

#include <algorithm>
#include <cmath>

StillScene::Key GLEngine::stillKeyNow() const
{
    StillScene::Key key{turn, tilt, zoom, {}, ghostKeepsStill(), marksShown()};
    if (engine)
        key.placed = engine->placed;
    return key;
}

bool GLEngine::ghostKeepsStill() const
{
    // A carried piece is drawn before the ghost, which adds onto it.
    return !engine || !engine->current;
}

QRect GLEngine::movingRect() const
{
    const QRect all = viewportRect();
    // A carried piece brings the ghost along, and that lies all over.
    if (!engine || engine->current)
        return all;
    const PieceRecord *record = troughPiece();
    if (!record)
        return QRect();
    // The trough piece is drawn centred on where drawPieces() puts it,
    // turned any way: it stays within the ball through its box's corners,
    // and the box around that ball is projected.
    const QVector3D half(record->halfSizeX(), record->halfSizeY(), record->halfSizeZ());
    const float radius = half.length() * std::abs(record->drawnScale());
    const QVector3D centre(roomcamera::troughX, conveyorPos,
                           engine->remaining.first()->halfSizeZ() + roomcamera::troughLift);
    const QMatrix4x4 toClip = roomcamera::projection() * roomcamera::pieceFrame(turn, tilt, zoom);
    float left = viewport[2], right = 0, bottom = viewport[3], top = 0;
    for (int i = 0; i < 8; ++i) {
        const QVector3D corner = centre
                                 + QVector3D(i & 1 ? radius : -radius, i & 2 ? radius : -radius,
                                             i & 4 ? radius : -radius);
        const QVector4D clip = toClip * QVector4D(corner, 1);
        if (clip.w() <= 0)
            return all; // behind the eye: no box on screen to speak of
        const float x = (clip.x() / clip.w() + 1) / 2 * viewport[2],
                    y = (clip.y() / clip.w() + 1) / 2 * viewport[3];
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
    // A pixel more all round for the rasteriser's rounding.
    const QRect box(QPoint(int(std::floor(left)) - 1, int(std::floor(bottom)) - 1),
                    QPoint(int(std::ceil(right)) + 1, int(std::ceil(top)) + 1));
    return box.translated(viewport[0], viewport[1]) & all;
}

void GLEngine::drawPieces()
{
    if (!engine)
        return;
    const int ghostParts = ghostKeepsStill() ? StillParts : MovingParts;

    if (engine->current && (drawnParts & MovingParts)) {
        glPushMatrix();
        glTranslatef(heldPos[0], heldPos[1], heldPos[2]);
        drawOpaque(engine->current);
        glPopMatrix();
    }

    for (const PieceRecord *record : std::as_const(engine->placed)) {
        if (!(drawnParts & StillParts))
            break;
        glPushMatrix();
        glTranslatef(record->posX() + engine->offsetX, record->posY() + engine->offsetY,
                     record->posZ() + engine->offsetZ);
        drawOpaque(record);
        glPopMatrix();
    }

    glPushMatrix();
    // Its colour stays for the trough piece, whether the ghost is drawn in
    // this part or not.
    if (engine->shapePiece)
        glColor4f(1, 1, 1, 0.5f);
    if (const PieceRecord *shape = engine->shapePiece; shape && (drawnParts & ghostParts)) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
        glRotatef(shape->rotX(), 1, 0, 0);
        glRotatef(shape->rotY(), 0, 1, 0);
        glRotatef(shape->rotZ(), 0, 0, 1);
        glTranslatef(shape->posX(), shape->posY(), shape->posZ());
        shape->draw();
        glDisable(GL_BLEND);
    }
    glPopMatrix();

    if (!(drawnParts & MovingParts))
        return;
    const int count = int(engine->remaining.size());
    if (conveyorIndex >= count) {
        if (count == 0)
            return;
        conveyorIndex = 0;
    }
    // The lift follows the first remaining piece, whichever is shown.
    const float lift = engine->remaining.first()->halfSizeZ();
    glPushMatrix();
    glTranslatef(roomcamera::troughX, conveyorPos, lift + roomcamera::troughLift);
    glPushName(1);
    drawOpaque(engine->remaining.at(conveyorIndex));
    glPopName();
    glPopMatrix();
    stepTrough();
}

void GLEngine::drawOpaque(const PieceRecord *piece)
{
    // What a closed piece turns away from the eye lies behind the rest of
    // it: the renderer skips it unseen.
    if (piece->closed())
        glEnable(GL_CULL_FACE);
    piece->draw();
    glDisable(GL_CULL_FACE);
}

void GLEngine::stepTrough()
{
    conveyorPos = float(conveyorPos + (now() - lastFrameMs) * roomcamera::troughSpeed);
    if (conveyorPos > roomcamera::troughExit) {
        ++conveyorIndex;
        conveyorPos = roomcamera::troughEntry;
    }
}

const PieceRecord *GLEngine::troughPiece() const
{
    // Past the last piece the trough comes round to the first.
    const auto &remaining = engine->remaining;
    return remaining.isEmpty() ? nullptr
                               : remaining.at(conveyorIndex < remaining.size() ? conveyorIndex : 0);
}
