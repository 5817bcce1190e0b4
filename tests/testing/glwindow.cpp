#include "glwindow.h"

#include <QOpenGLFramebufferObject>
#include <qopengl.h>

GlWindow::GlWindow(QSize size)
    : fboSize(size)
{
    surface.setFormat(QSurfaceFormat::defaultFormat());
    surface.create();
    context.setFormat(QSurfaceFormat::defaultFormat());
    if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface)) {
        error = QStringLiteral("no OpenGL context");
        return;
    }
    if (context.format().profile() == QSurfaceFormat::CoreProfile) {
        error = QStringLiteral("a core-profile context cannot draw fixed-function GL");
        return;
    }
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    fbo = std::make_unique<QOpenGLFramebufferObject>(size, format);
    if (!fbo->isValid()) {
        fbo.reset();
        error = QStringLiteral("no framebuffer");
        return;
    }
    makeCurrent();
}

GlWindow::~GlWindow()
{
    if (context.makeCurrent(&surface))
        fbo.reset();
}

void GlWindow::makeCurrent()
{
    context.makeCurrent(&surface);
    fbo->bind();
    glViewport(0, 0, fboSize.width(), fboSize.height());
}

QImage GlWindow::grab()
{
    glFinish();
    return fbo->toImage();
}
