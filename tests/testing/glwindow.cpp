#include "glwindow.h"

#include <QOpenGLFramebufferObject>
#include <qopengl.h>

GlWindow::GlWindow(QSize size)
    : fboSize(size)
{
    surface.setFormat(QSurfaceFormat::defaultFormat());
    surface.create();
    if (!surface.isValid()) {
        error = QStringLiteral("could not create an offscreen surface");
        return;
    }
    glContext.setFormat(QSurfaceFormat::defaultFormat());
    if (!glContext.create()) {
        error = QStringLiteral("could not create an OpenGL context");
        return;
    }
    if (!glContext.makeCurrent(&surface)) {
        error = QStringLiteral("could not make the OpenGL context current");
        return;
    }
    if (glContext.format().profile() == QSurfaceFormat::CoreProfile) {
        error = QStringLiteral("got a core-profile context; fixed-function GL needs compatibility");
        return;
    }
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    fbo = std::make_unique<QOpenGLFramebufferObject>(size, format);
    if (!fbo->isValid()) {
        error = QStringLiteral("could not create a %1 x %2 framebuffer").arg(size.width()).arg(size.height());
        return;
    }
    valid = true;
    makeCurrent();
}

GlWindow::~GlWindow()
{
    // The framebuffer goes with the context current.
    if (glContext.isValid() && glContext.makeCurrent(&surface)) {
        fbo.reset();
        glContext.doneCurrent();
    }
}

void GlWindow::makeCurrent()
{
    glContext.makeCurrent(&surface);
    if (fbo) {
        fbo->bind();
        glViewport(0, 0, fboSize.width(), fboSize.height());
    }
}

void GlWindow::doneCurrent()
{
    glContext.doneCurrent();
}

QImage GlWindow::grab()
{
    if (!fbo)
        return QImage();
    glFinish();
    return fbo->toImage();
}

QRgb GlWindow::pixel(int x, int y)
{
    return grab().pixel(x, y);
}
