#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSize>

#include <memory>

class QOpenGLFramebufferObject;

// A current compatibility-profile context drawing into an offscreen
// framebuffer (colour and depth), for GL code tested without a window. Call
// useCompatibilityGlFormat() first; a missing context is a failure to report
// with errorString(), never a reason to skip.
class GlWindow
{
public:
    explicit GlWindow(QSize size);
    ~GlWindow();
    GlWindow(const GlWindow &) = delete;
    GlWindow &operator=(const GlWindow &) = delete;

    bool isValid() const { return fbo != nullptr; }
    QString errorString() const { return error; }
    void makeCurrent();
    QImage grab(); // top row first

private:
    QSize fboSize;
    QOffscreenSurface surface;
    QOpenGLContext context;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;
    QString error;
};
