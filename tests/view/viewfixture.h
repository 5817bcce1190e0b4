#pragma once

// A tiny puzzle on disk and a shown puzzle view over it, shared by the view
// tests. The room and the pieces get plain, distinct colours so that pixels
// tell what was drawn where:
//   floor ("marmor.png")      blue
//   furniture ("bambou.png")  yellow
//   carpet ("carpet.png")     white
//   pieces (the shared skin)  green; the ghost adds green onto what lies behind

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "testing/md2writer.h"
#include "testing/pcxwriter.h"
#include "view/glengine.h"

#include <QDir>
#include <QDomDocument>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <GL/glu.h>

#include <memory>

// A view whose play clock the test steps by hand.
class SteppedView : public GLEngine
{
public:
    using GLEngine::GLEngine;
    int clockMs = 0;

protected:
    int now() const override { return clockMs; }
};

namespace viewtest {

constexpr int viewSize = 400;

// A cube of the given edge (scene units) as an MD2 file; every normal
// points up so that each face is lit alike.
inline bool writeCube(const QString &path, float edge)
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    const float step = edge * 64.0f / 255.0f;
    for (float &s : frame.scale)
        s = step;
    for (int i = 0; i < 8; ++i) {
        Md2Writer::Vertex v;
        v.x = (i & 1) ? 255 : 0;
        v.y = (i & 2) ? 255 : 0;
        v.z = (i & 4) ? 255 : 0;
        v.normal = 5; // (0, 0, 1)
        frame.vertices.append(v);
    }
    md2.frames = {frame};
    const quint16 faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto &f : faces) {
        md2.triangles.append(Md2Writer::Triangle{{f[0], f[1], f[2]}, {0, 0, 0}});
        md2.triangles.append(Md2Writer::Triangle{{f[0], f[2], f[3]}, {0, 0, 0}});
    }
    md2.texCoords = {{0, 0}};
    md2.skinWidth = 2;
    md2.skinHeight = 2;
    return md2.writeFile(path);
}

inline bool writeSolidPng(const QString &path, QColor colour)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

// Writes the data files into `dir`: three room textures, the skin and
// cubes of edge 0.06 ("small.md2"), 0.1 ("cube.md2") and 0.2 ("big.md2").
inline bool writeData(const QString &dir)
{
    QDir root(dir);
    if (!root.mkpath(QStringLiteral("sets/bodyparts")))
        return false;
    PcxWriter pcx(2, 2);
    pcx.setColour(0, QColor(0, 255, 0));
    return writeSolidPng(root.filePath(QStringLiteral("marmor.png")), QColor(0, 0, 255))
        && writeSolidPng(root.filePath(QStringLiteral("bambou.png")), QColor(255, 255, 0))
        && writeSolidPng(root.filePath(QStringLiteral("carpet.png")), QColor(255, 255, 255))
        && pcx.writeFile(root.filePath(QStringLiteral("sets/bodyparts/tris4.pcx")))
        && writeCube(root.filePath(QStringLiteral("sets/bodyparts/small.md2")), 0.06f)
        && writeCube(root.filePath(QStringLiteral("sets/bodyparts/cube.md2")), 0.1f)
        && writeCube(root.filePath(QStringLiteral("sets/bodyparts/big.md2")), 0.2f);
}

inline QString piece(const char *tag, const char *model, float x, float y, float z)
{
    return QStringLiteral("<%1><filename>bodyparts/%2</filename><pos_x>%3</pos_x>"
                          "<pos_y>%4</pos_y><pos_z>%5</pos_z></%1>")
        .arg(QLatin1String(tag), QLatin1String(model))
        .arg(x)
        .arg(y)
        .arg(z);
}

inline bool isBlue(QRgb c) { return qBlue(c) > 100 && qRed(c) < 60 && qGreen(c) < 60; }
inline bool isYellow(QRgb c)
{
    return qRed(c) > 40 && qGreen(c) > 40 && qBlue(c) < qRed(c) / 3 && qAbs(qRed(c) - qGreen(c)) < 30;
}
inline bool isGreen(QRgb c) { return qGreen(c) > 60 && qRed(c) < qGreen(c) / 3 && qBlue(c) < qGreen(c) / 3; }
inline bool isRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 60 && qBlue(c) < 60; }

inline QString describe(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// The game on disk, the engine over a document and the shown view.
struct Game
{
    QTemporaryDir dir;
    QString previousDir = QDir::currentPath();
    QDomDocument document{QStringLiteral("set")};
    std::unique_ptr<GameEngine> engine;
    std::unique_ptr<SteppedView> view;

    ~Game()
    {
        view.reset(); // releases the records' GL objects before the engine deletes them
        engine.reset();
        QDir::setCurrent(previousDir);
    }

    // Data files, the set of the given children and a shown view; false
    // when any step fails.
    bool start(const QString &children, QSize size = QSize(viewSize, viewSize))
    {
        if (!dir.isValid() || !writeData(dir.path()) || !QDir::setCurrent(dir.path()))
            return false;
        if (!document.setContent(QStringLiteral("<set>%1</set>").arg(children)))
            return false;
        engine = std::make_unique<GameEngine>(&document);
        view = std::make_unique<SteppedView>(nullptr, engine.get());
        view->setFixedSize(size);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return false;
        return view->isValid();
    }

    // Draws one frame at the given clock reading and returns it.
    QImage frame(int clockMs)
    {
        view->clockMs = clockMs;
        return view->grabFramebuffer();
    }
    QImage frame() { return frame(view->clockMs); }

    // Window position (widget pixels, origin top left) of a point given in
    // the frame the pieces are drawn in, from the view's own matrices as
    // the last frame left them.
    QPointF project(float x, float y, float z)
    {
        view->makeCurrent();
        GLdouble mv[16], pr[16];
        GLint vp[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        glGetIntegerv(GL_VIEWPORT, vp);
        view->doneCurrent();
        GLdouble wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, mv, pr, vp, &wx, &wy, &wz);
        return QPointF(wx, vp[3] - wy);
    }
    // The same for a point in world coordinates (pieces are drawn at 0.99).
    QPointF projectWorld(float x, float y, float z)
    {
        const float pieceScale = 1.5f * 0.66f;
        return project(x / pieceScale, y / pieceScale, z / pieceScale);
    }

    void saveScreenshot(const QImage &image, const QString &name)
    {
        const QString root = qEnvironmentVariable("TORVANE_SCREENSHOTS");
        if (root.isEmpty())
            return;
        QDir().mkpath(root + QStringLiteral("/view"));
        image.save(root + QStringLiteral("/view/") + name + QStringLiteral(".png"));
    }
};

} // namespace viewtest
