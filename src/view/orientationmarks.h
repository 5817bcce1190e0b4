#pragma once

// Where the body lies: "Head" and "Feet" beyond the ends of the body along
// the set's head direction, "L" and "R" beyond its sides along the body's own
// left, in the pieces' frame. Each stands upright facing the starting camera,
// so it reads from there and turns with the scene. Sets that do not say how
// their body lies get none.

#include <QSizeF>
#include <QString>
#include <QVector3D>
#include <qopengl.h>

class GameEngine;

class OrientationMarks
{
public:
    // Reads the set's "towards_head" and "towards_left"; false when the set
    // says nothing (or nothing a body can do).
    bool setUp(const GameEngine &engine);
    bool known() const { return head != QVector3D(); }

    // The body's room along each axis: the box around every piece's place,
    // each piece as large as its own box, in the pieces' frame.
    static void bodyBox(const GameEngine &engine, QVector3D &low, QVector3D &high);
    // Where a mark's middle stands for a direction from the body's middle:
    // `gap` beyond the box's face, plus half the mark's own extent.
    static QVector3D markAt(QVector3D low, QVector3D high, QVector3D direction, QSizeF mark);

    // Draws the four marks; needs the view's GL context current. Drawn with
    // the still parts of the frame, never in the pick pass.
    void draw(const GameEngine &engine);
    void releaseGl();

    static constexpr float gap = 0.03f;
    static constexpr float markHeight = 0.07f;

private:
    QVector3D head;
    QVector3D left;
    GLuint textures[4] = {}; // owned: Head, Feet, L, R
    QSizeF sizes[4];         // each mark's width and height, in the pieces' frame
};
