#pragma once

#include <QMatrix4x4>
#include <QPointF>
#include <QSize>
#include <QVector3D>

// Where the puzzle view shows a point, worked out from the room's numbers alone: a 110-degree lens of
// aspect 1 (near 0.01, far 10), the eye lifted by 1, moved back 0.8 and looking 18 degrees down, the scene
// tilted about X, turned about Z and zoomed; pieces under a further 1.5 and 0.66. In widget pixels, from the top left.
struct Camera
{
    float turn = -80;
    float tilt = -90;
    float zoom = 1;

    QMatrix4x4 matrix(bool pieceFrame) const
    {
        QMatrix4x4 m;
        m.perspective(110, 1, 0.01f, 10);
        m.translate(0, -1, -0.8f);
        m.rotate(18, 1, 0, 0);
        m.rotate(tilt, 1, 0, 0);
        m.rotate(turn, 0, 0, 1);
        m.scale(zoom);
        if (pieceFrame)
            m.scale(1.5f * 0.66f);
        return m;
    }
    static QPointF toWidget(const QMatrix4x4 &m, QVector3D p, QSize view)
    {
        const QVector3D ndc = m.map(p); // divides by w
        return QPointF((ndc.x() + 1) / 2 * view.width(), (1 - ndc.y()) / 2 * view.height());
    }
    // A point of the frame the pieces are drawn in.
    QPointF piece(QVector3D p, QSize view) const { return toWidget(matrix(true), p, view); }
    // A point of the room (floor and world coordinates).
    QPointF world(QVector3D p, QSize view) const { return toWidget(matrix(false), p, view); }
};
