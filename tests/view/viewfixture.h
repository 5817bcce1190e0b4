#pragma once

// A shown puzzle view over a set written into GameData, with a play clock
// the test steps by hand, and the tools to find what it drew.

#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/gamedata.h"
#include "view/glengine.h"

#include <QDomDocument>
#include <QTest>

#include <memory>

class SteppedView : public GLEngine
{
public:
    using GLEngine::GLEngine;
    int clockMs = 0;

protected:
    int now() const override { return clockMs; }
};

struct ViewGame
{
    GameData data;
    QDomDocument document{QStringLiteral("set")};
    std::unique_ptr<GameEngine> engine;
    std::unique_ptr<SteppedView> view;

    ~ViewGame()
    {
        view.reset(); // its GL objects go while the engine's records exist
        engine.reset();
    }

    bool start(const QString &children, QSize size = QSize(400, 400))
    {
        if (!data.isValid() || !document.setContent(QStringLiteral("<set>%1</set>").arg(children)))
            return false;
        engine = std::make_unique<GameEngine>(&document);
        view = std::make_unique<SteppedView>(nullptr, engine.get());
        view->setFixedSize(size);
        view->show();
        return QTest::qWaitForWindowExposed(view.get()) && view->isValid();
    }
    QImage frame(int clockMs)
    {
        view->clockMs = clockMs;
        return view->grabFramebuffer();
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        // A move reports no button of its own, a release no button still held.
        sendMouse(view.get(), type, at, type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button));
    }
};

// The pieces wear a plain green skin; nothing else in the room is green.
inline bool isPiece(QRgb c) { return qGreen(c) > 50 && qRed(c) < 30; }

// Bounding box of the piece-green pixels.
inline QRect pieceBox(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isPiece(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Where a cube of the given edge centred on `centre` should cover, by the
// camera's numbers (corner points projected, box of the results).
inline QRectF cubeBox(const Camera &camera, QVector3D centre, float edge, QSize view, bool pieceFrame = true)
{
    QRectF box;
    for (int i = 0; i < 8; ++i) {
        const QVector3D corner = centre + QVector3D(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f) * edge;
        const QPointF p = pieceFrame ? camera.piece(corner, view) : camera.world(corner, view);
        box = box.isNull() ? QRectF(p, QSizeF(0.001, 0.001)) : box.united(QRectF(p, QSizeF(0.001, 0.001)));
    }
    return box;
}

// The drawn box matches the expected one within a pixel and a half on each side.
inline bool sameBox(const QRect &drawn, const QRectF &expected)
{
    return qAbs(drawn.left() - expected.left()) < 1.5 && qAbs(drawn.right() + 1 - expected.right()) < 1.5
        && qAbs(drawn.top() - expected.top()) < 1.5 && qAbs(drawn.bottom() + 1 - expected.bottom()) < 1.5;
}

inline QString describe(const QRect &drawn, const QRectF &expected)
{
    return QStringLiteral("drawn (%1,%2)-(%3,%4), expected (%5,%6)-(%7,%8)")
        .arg(drawn.left()).arg(drawn.top()).arg(drawn.right() + 1).arg(drawn.bottom() + 1)
        .arg(expected.left(), 0, 'f', 1).arg(expected.top(), 0, 'f', 1)
        .arg(expected.right(), 0, 'f', 1).arg(expected.bottom(), 0, 'f', 1);
}
