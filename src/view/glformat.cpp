#include "view/glformat.h"

#include <QCoreApplication>
#include <QSurfaceFormat>

void useCompatibilityGlFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(8);
    QSurfaceFormat::setDefaultFormat(format);
    // Every game's view makes its own context; all of them share one group
    // that lives for the whole run, so that GL objects a finished game left
    // behind can still be found from any later context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
