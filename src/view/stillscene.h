#pragma once

// What keeps still between frames (the room, the placed pieces and, while
// nothing is carried, the ghost) is copied aside once it has not changed for
// two frames, and later frames start from that copy instead of drawing it:
// while the player is not turning the camera, a frame draws only what moves.

#include <QList>
#include <QRect>
#include <QSize>

#include <memory>

class PieceRecord;
class QOpenGLContext;
class QOpenGLFramebufferObject;

class StillScene
{
public:
    // What the still parts are drawn from: a kept copy serves only frames
    // with the same key.
    struct Key
    {
        float turn = 0, tilt = 0, zoom = 0;
        QList<PieceRecord *> placed;
        bool ghost = false;
        bool marks = false; // where the body lies
        bool operator==(const Key &) const = default;
    };
    enum class Use { DrawWhole, Keep, Reuse };

    StillScene();
    ~StillScene();

    // A buffer of the view's size, where the driver has framebuffers and
    // blits; without, every frame is drawn whole. Needs the context current.
    void create(QSize size);
    // Needs the context current; safe to call twice.
    void release();

    // What this frame, with this key, does with the kept copy: reuses it
    // when it was kept for the key; keeps it from the third frame with one
    // key (the renderer's first copy in a context costs a few frames' time,
    // and a game's first frame on screen is its second); else draws whole.
    Use next(const Key &key);
    // Copies the frame drawn so far, colour and depth, into the kept copy,
    // for the key of this frame.
    void keep(QOpenGLContext *context, QRect viewport);
    // Copies the kept copy into the frame: all its colour, and its depth
    // only within `moving`, where what moves can be drawn.
    void restore(QRect viewport, QRect moving);

private:
    // Made and freed with the view's context current.
    std::unique_ptr<QOpenGLFramebufferObject> buffer;
    bool valid = false;
    Key kept;
    Key last;                  // the last frame's
    int framesSinceChange = 0; // drawn with `last` before this one
};
