#include "view/stillscene.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

StillScene::StillScene() = default;
StillScene::~StillScene() = default;

void StillScene::create(QSize size)
{
    valid = false;
    last = Key();
    framesSinceChange = 0;
    if (QOpenGLFramebufferObject::hasOpenGLFramebufferObjects()
        && QOpenGLFramebufferObject::hasOpenGLFramebufferBlit())
        buffer = std::make_unique<QOpenGLFramebufferObject>(
            size, QOpenGLFramebufferObject::CombinedDepthStencil, GL_TEXTURE_2D, GL_RGB8);
    // Making it leaves it bound; frames go to the window.
    QOpenGLFramebufferObject::bindDefault();
}

void StillScene::release()
{
    buffer.reset();
    valid = false;
}

StillScene::Use StillScene::next(const Key &key)
{
    const bool reuse = buffer && valid && key == kept;
    framesSinceChange = key == last ? framesSinceChange + 1 : 0;
    const bool keepNow = buffer && !reuse && framesSinceChange >= 2;
    last = key;
    return reuse ? Use::Reuse : keepNow ? Use::Keep : Use::DrawWhole;
}

void StillScene::keep(QOpenGLContext *context, QRect viewport)
{
    // Qt's own blit would name a colour attachment to read from, which the
    // window's framebuffer does not have.
    const QRect &all = viewport;
    QOpenGLExtraFunctions *gl = context->extraFunctions();
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, context->defaultFramebufferObject());
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, buffer->handle());
    gl->glBlitFramebuffer(all.left(), all.top(), all.right() + 1, all.bottom() + 1, all.left(),
                          all.top(), all.right() + 1, all.bottom() + 1,
                          GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    kept = last;
    valid = true;
}

void StillScene::restore(QRect viewport, QRect moving)
{
    const QRect &all = viewport;
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, all, buffer.get(), all, GL_COLOR_BUFFER_BIT);
    // Depth is read only by what moves, so only where that can be drawn.
    if (moving.isEmpty())
        return;
    glScissor(moving.x(), moving.y(), moving.width(), moving.height());
    glEnable(GL_SCISSOR_TEST);
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, all, buffer.get(), all, GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}
