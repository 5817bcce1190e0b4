#pragma once

// Public contract of the puzzle view; the view subsystem adds the rest.

#include <QOpenGLWidget>

class GameEngine;

class GLEngine : public QOpenGLWidget
{
    Q_OBJECT

public:
    GLEngine(QWidget *parent, GameEngine *engine);
    ~GLEngine() override;

    // Milliseconds of play since the view set itself up; 0 before that.
    int elapsed() const;

    void setTurn(float degrees);
    void setTilt(float degrees);
    void setZoomSpeed(float speed);

signals:
    void newTime();

private slots:
    void won();
};
