#pragma once

// The native window a view draws its frames into, and the view's GL context:
// frames are drawn straight into it and swapped there, as a software
// renderer has no time to spare for drawing them offscreen and composing
// them into the game screen afterwards. Input passes through it to the view
// underneath, which handles the mouse like any widget.

#include <QImage>
#include <QWindow>

#include <functional>
#include <memory>

class QOffscreenSurface;
class QOpenGLContext;

class ViewSurface : public QWindow
{
public:
    // `frameDue` draws a frame; it is called when the window is exposed and
    // when a requested frame falls due.
    explicit ViewSurface(std::function<void()> frameDue);
    ~ViewSurface() override;

    // Makes the context, sharing the application's group, and makes it
    // current; false when GL cannot be had.
    bool createContext();
    // Null before createContext().
    QOpenGLContext *context() const { return glContext; }
    // Frees the context; the view does so before its window goes.
    void deleteContext();
    void makeCurrent();
    void doneCurrent();
    // Makes the context current to free what was made in it, on a stand-in
    // surface when the native window has gone first (the main window closed
    // with the game on screen); keep the result until done.
    std::unique_ptr<QOffscreenSurface> makeCurrentAnyway();

    // Asks for a frame through the event loop; requests made before the next
    // frame starts are merged into one.
    void requestFrame();
    // A frame starts, asked for or not: a later request asks for another.
    void frameStarted() { frameRequested = false; }
    void swapBuffers();
    // The frame drawn last, top row first.
    QImage readFrame();

protected:
    void exposeEvent(QExposeEvent *event) override;
    bool event(QEvent *event) override;

private:
    std::function<void()> frameDue;
    QOpenGLContext *glContext = nullptr; // owned
    bool frameRequested = false;
};
