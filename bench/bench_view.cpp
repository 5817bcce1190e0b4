// The puzzle view under the software renderer: from the start of a game to
// its first drawn frame, and one frame with every piece in place, for the
// largest set in the data directory. Needs a display (xvfb-run on servers).
//   torvane-bench-view [benchmark options] [--data DIR]   default <build>/data
#include "summary.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "pieces/md2format.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QApplication>
#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QDomDocument largestSet;
QString largestSetName;

// Vertices of one frame of a model, 0 when it cannot be read.
qint64 verticesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const Md2Result result = decodeMd2(file.readAll(), SkinInfo{});
    return result.ok ? result.model.vertexCount : 0;
}

// The set with the most vertices over all its pieces (the most pieces on a tie).
bool findLargestSet()
{
    qint64 bestVertices = -1;
    int bestPieces = -1;
    const QStringList files = QDir("sets").entryList({"*.xml"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : files) {
        QFile file("sets/" + name);
        QDomDocument document("set");
        if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file))
            continue;
        qint64 vertices = 0;
        int pieces = 0;
        for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() != "part" && e.tagName() != "shape")
                continue;
            pieces += e.tagName() == "part";
            vertices += verticesOf("sets/" + e.firstChildElement("filename").text());
        }
        if (vertices > bestVertices || (vertices == bestVertices && pieces > bestPieces)) {
            bestVertices = vertices;
            bestPieces = pieces;
            largestSet = document;
            largestSetName = QStringLiteral("%1 (%2 pieces, %3 vertices a frame)").arg(name).arg(pieces).arg(vertices);
        }
    }
    return bestPieces >= 0;
}

// Waits for the view's next finished frame; false after 10 s without one.
bool waitForFrame(QOpenGLWidget *view)
{
    QEventLoop loop;
    QObject::connect(view, &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

// The main window is up before any game starts, so it is not timed.
void loadToFirstFrame(benchmark::State &state)
{
    QWidget window;
    window.resize(1280, 1024);
    window.show();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto *screen = new SinglePlayerScreen(&window, &largestSet);
        screen->show();
        const bool drawn = waitForFrame(screen->view);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        delete screen;
        if (!drawn) {
            state.SkipWithError("no frame within 10 s");
            break;
        }
    }
}
BENCHMARK(loadToFirstFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Exposes the view's frame so that it can be drawn and timed by itself,
// without Qt composing the widget onto the window.
class TimedView : public GLEngine
{
public:
    using GLEngine::GLEngine;
    void drawFrame()
    {
        makeCurrent();
        paintGL();
        glFinish();
        doneCurrent();
    }
};

// The scene alone: the view's paintGL, finished by the renderer.
void frameScene(benchmark::State &state)
{
    GameEngine engine(&largestSet);
    engine.placed = engine.remaining;
    engine.remaining.clear();
    TimedView view(nullptr, &engine);
    view.resize(1280, 1024);
    view.show();
    if (!waitForFrame(&view)) {
        state.SkipWithError("the view never drew");
        return;
    }
    for (auto _ : state)
        view.drawFrame();
}
BENCHMARK(frameScene)->MinTime(2.0)->Unit(benchmark::kMillisecond);

// The whole frame as the player gets it: the scene, Qt composing the
// widget's framebuffer onto the window, and the buffer swap.
void frameOnScreen(benchmark::State &state)
{
    GameEngine engine(&largestSet);
    engine.placed = engine.remaining;
    engine.remaining.clear();
    GLEngine view(nullptr, &engine);
    view.resize(1280, 1024);
    view.show();
    if (!waitForFrame(&view)) {
        state.SkipWithError("the view never drew");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        view.update();
        const bool drawn = waitForFrame(&view);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!drawn) {
            state.SkipWithError("no frame within 10 s");
            break;
        }
    }
}
BENCHMARK(frameOnScreen)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            dataDir = QString::fromLocal8Bit(argv[++i]);
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    // The game screen reads and may write the player's settings: keep them
    // away from the real ones.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    useCompatibilityGlFormat();
    QApplication app(count, args.data());
    QCoreApplication::setOrganizationName("torvane-bench");
    QCoreApplication::setApplicationName("torvane-bench");

    if (!QDir::setCurrent(dataDir) || !findLargestSet()) {
        std::fprintf(stderr, "no puzzle set in %s/sets\n", qPrintable(dataDir));
        return 2;
    }
    std::printf("Largest set: %s\n", qPrintable(largestSetName));
    const int missed = runAndSummarise(count, args.data(),
        {
            {"Load to first frame", "loadToFirstFrame/iterations:10/manual_time", "", 0, 150},
            {"Frame, all placed, 1280 x 1024", "frameScene/min_time:2.000", "", 0, 5},
            {"  same, composed and swapped", "frameOnScreen/min_time:2.000/manual_time", "", 0, 0},
        });
    return missed == 0 ? 0 : 3;
}
