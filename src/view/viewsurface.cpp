#include "view/viewsurface.h"

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

ViewSurface::ViewSurface(std::function<void()> frameDue)
    : frameDue(std::move(frameDue))
{
    setSurfaceType(QWindow::OpenGLSurface);
    setFlag(Qt::WindowTransparentForInput);
    // No alpha: the window shows the scene's colours as they are, even
    // where a compositor would blend a translucent window.
    QSurfaceFormat opaque = QSurfaceFormat::defaultFormat();
    opaque.setAlphaBufferSize(0);
    setFormat(opaque);
}

ViewSurface::~ViewSurface()
{
    deleteContext();
}

bool ViewSurface::createContext()
{
    glContext = new QOpenGLContext;
    glContext->setFormat(format());
    glContext->setShareContext(QOpenGLContext::globalShareContext());
    create();
    return glContext->create() && glContext->makeCurrent(this);
}

void ViewSurface::deleteContext()
{
    delete glContext;
    glContext = nullptr;
}

void ViewSurface::makeCurrent()
{
    if (glContext)
        glContext->makeCurrent(this);
}

void ViewSurface::doneCurrent()
{
    if (glContext)
        glContext->doneCurrent();
}

std::unique_ptr<QOffscreenSurface> ViewSurface::makeCurrentAnyway()
{
    if (glContext->makeCurrent(this))
        return nullptr;
    auto standIn = std::make_unique<QOffscreenSurface>();
    standIn->setFormat(glContext->format());
    standIn->create();
    glContext->makeCurrent(standIn.get());
    return standIn;
}

void ViewSurface::requestFrame()
{
    if (frameRequested)
        return;
    frameRequested = true;
    QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void ViewSurface::swapBuffers()
{
    glContext->swapBuffers(this);
}

QImage ViewSurface::readFrame()
{
    const QSize pixels = size() * devicePixelRatio();
    QImage image(pixels, QImage::Format_RGBX8888);
    glReadPixels(0, 0, pixels.width(), pixels.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // GL rows run bottom to top.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

void ViewSurface::exposeEvent(QExposeEvent *)
{
    if (isExposed())
        frameDue();
}

bool ViewSurface::event(QEvent *event)
{
    if (event->type() != QEvent::UpdateRequest)
        return QWindow::event(event);
    frameDue();
    return true;
}
