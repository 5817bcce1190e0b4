#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSize>
#include <QString>

#include <memory>

class QOpenGLFramebufferObject;

// A current compatibility-profile GL context drawing into an offscreen
// framebuffer (colour + depth) of the given size, for tests of GL code
// without a window. Call useCompatibilityGlFormat() first (from the test
// class's initMain()). Check isValid() and fail on errorString(): a missing
// context is a test failure, never a skip.
//
//   GlWindow gl(QSize(64, 64));
//   QVERIFY2(gl.isValid(), qPrintable(gl.errorString()));
//   glClear(...); ... ; QImage image = gl.grab();
class GlWindow
{
public:
    explicit GlWindow(QSize size);
    ~GlWindow();

    GlWindow(const GlWindow &) = delete;
    GlWindow &operator=(const GlWindow &) = delete;

    bool isValid() const { return valid; }
    QString errorString() const { return error; }

    // Makes the context current with the framebuffer bound and the viewport
    // covering it (the constructor already does this).
    void makeCurrent();
    void doneCurrent();

    // The framebuffer's pixels, top row first (finishes pending drawing).
    QImage grab();
    QRgb pixel(int x, int y);

    QOpenGLContext *context() { return &glContext; }
    QSize size() const { return fboSize; }

private:
    QSize fboSize;
    QOffscreenSurface surface;
    QOpenGLContext glContext;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;
    bool valid = false;
    QString error;
};
