// The puzzle view under the software renderer, with the largest set in the
// data directory, in the game screen of a window as the player gets it: from
// the start of a game to its first frame (1280 x 1024); and at each screen
// size (1280 x 1024, 1920 x 1080, 2560 x 1440) what each part of the frame
// costs, the whole frame composed into the window and swapped against an
// empty one composed and swapped the same way, and frames a second while the
// set is played. Needs a display at least 2560 x 1440 (xvfb-run on servers).
//   torvane-bench-view [benchmark options] [--data DIR]   default <build>/data
//   torvane-bench-view --screenshots DIR [--data DIR]   the window still and turning, at every size
// Each figure is the median of five repetitions, run interleaved so that the
// load of a shared machine falls on all of them alike.
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
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <GL/glx.h>
#include <dlfcn.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QDomDocument largestSet;
QString largestSetName;
// What reaches the window system, counted by the wrappers below: buffer
// swaps of GL windows, and pictures of raster windows put on screen.
int swapCount = 0;
int putCount = 0;

template<typename Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The program exports these symbols, which the window system plugin binds
// before the libraries' own; each passes the call on.
extern "C" void glXSwapBuffers(Display *display, GLXDrawable drawable)
{
    static const auto swap = next<void (*)(Display *, GLXDrawable)>("glXSwapBuffers");
    ++swapCount;
    swap(display, drawable);
}

extern "C" xcb_void_cookie_t xcb_shm_put_image(xcb_connection_t *c, uint32_t drawable, uint32_t gc,
                                               uint16_t totalWidth, uint16_t totalHeight,
                                               uint16_t srcX, uint16_t srcY, uint16_t srcWidth,
                                               uint16_t srcHeight, int16_t dstX, int16_t dstY,
                                               uint8_t depth, uint8_t format, uint8_t sendEvent,
                                               uint32_t segment, uint32_t offset)
{
    static const auto put = next<xcb_void_cookie_t (*)(
        xcb_connection_t *, uint32_t, uint32_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
        uint16_t, int16_t, int16_t, uint8_t, uint8_t, uint8_t, uint32_t, uint32_t)>(
        "xcb_shm_put_image");
    ++putCount;
    return put(c, drawable, gc, totalWidth, totalHeight, srcX, srcY, srcWidth, srcHeight, dstX,
               dstY, depth, format, sendEvent, segment, offset);
}

extern "C" xcb_void_cookie_t xcb_put_image(xcb_connection_t *c, uint8_t format,
                                           xcb_drawable_t drawable, xcb_gcontext_t gc,
                                           uint16_t width, uint16_t height, int16_t dstX,
                                           int16_t dstY, uint8_t leftPad, uint8_t depth,
                                           uint32_t length, const uint8_t *data)
{
    static const auto put = next<xcb_void_cookie_t (*)(
        xcb_connection_t *, uint8_t, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t, int16_t,
        int16_t, uint8_t, uint8_t, uint32_t, const uint8_t *)>("xcb_put_image");
    ++putCount;
    return put(c, format, drawable, gc, width, height, dstX, dstY, leftPad, depth, length, data);
}

namespace {

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
    const QStringList files =
        QDir("sets").entryList({"*.xml"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : files) {
        QFile file("sets/" + name);
        QDomDocument document("set");
        if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file))
            continue;
        qint64 vertices = 0;
        int pieces = 0;
        for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull();
             e = e.nextSiblingElement()) {
            if (e.tagName() != "part" && e.tagName() != "shape")
                continue;
            pieces += e.tagName() == "part";
            vertices += verticesOf("sets/" + e.firstChildElement("filename").text());
        }
        if (vertices > bestVertices || (vertices == bestVertices && pieces > bestPieces)) {
            bestVertices = vertices;
            bestPieces = pieces;
            largestSet = document;
            largestSetName = QStringLiteral("%1 (%2 pieces, %3 vertices a frame)")
                                 .arg(name)
                                 .arg(pieces)
                                 .arg(vertices);
        }
    }
    return bestPieces >= 0;
}

// Waits for the view's next frame on screen; false after 10 s without one.
bool waitForFrame(GLEngine *view)
{
    QEventLoop loop;
    QObject::connect(view, &GLEngine::frameSwapped, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

// Lets the application run for the given time.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the view shows, built from the set's own pieces.
enum class Scene {
    Room,      // floor and furniture alone
    Ghost,     // and the translucent body
    Placed,    // and every piece in place but the last
    Trough,    // and the last gliding on the trough: a frame of play
    AllPlaced, // every piece in place, nothing on the trough
    Won,       // the same with the win text over it
};

// The window sizes measured: a common desktop of old, and today's two most
// common screens.
const QSize sizes[] = {{1280, 1024}, {1920, 1080}, {2560, 1440}};

std::string sizeName(QSize size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// A game screen covering a window of the given size, its view drawing the
// chosen scene. The engine gets its lists back before it goes, so that it
// frees each record once.
class GameWindow
{
public:
    GameWindow(Scene scene, QSize size)
    {
        window.resize(size);
        window.show();
        screen = new SinglePlayerScreen(&window, &largestSet);
        GameEngine *engine = screen->engine;
        pieces = engine->remaining;
        shape = engine->shapePiece;
        if (scene == Scene::Room)
            engine->shapePiece = nullptr;
        if (scene >= Scene::Placed) {
            engine->placed = pieces;
            engine->remaining.clear();
        }
        if (scene == Scene::Placed || scene == Scene::Trough) {
            engine->placed.removeLast();
            if (scene == Scene::Trough)
                engine->remaining = {pieces.last()};
        }
        if (scene <= Scene::Ghost)
            engine->remaining.clear();
        if (scene == Scene::Won)
            QMetaObject::invokeMethod(screen->view, "won");
        screen->show();
    }
    ~GameWindow()
    {
        screen->engine->remaining = pieces;
        screen->engine->placed.clear();
        screen->engine->shapePiece = shape;
        delete screen;
    }
    GameWindow(const GameWindow &) = delete;
    GameWindow &operator=(const GameWindow &) = delete;

    QWidget window;
    SinglePlayerScreen *screen = nullptr;

private:
    QList<PieceRecord *> pieces;
    PieceRecord *shape = nullptr;
};

// The main window is up before any game starts, so it is not timed.
void loadToFirstFrame(benchmark::State &state)
{
    QWidget window;
    window.resize(sizes[0]);
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
BENCHMARK(loadToFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Turns the camera on by a hundredth of a degree at the start of every
// frame, as a knob held by the player would: nothing drawn can be kept.
QMetaObject::Connection turnEveryFrame(GLEngine *view)
{
    return QObject::connect(view, &GLEngine::newTime, view,
                            [view, turn = roomcamera::startTurn]() mutable {
                                turn += 0.01f;
                                view->setTurn(turn);
                            });
}

// Frames as the player gets them, each asked for and timed until it is on
// screen together with every repaint it asked for (the game screen's display
// among them), back to back. The time is per frame drawn (a frame that fell
// due meanwhile is counted too), with the swaps and raster puts each cost.
void timeFrames(benchmark::State &state, GLEngine *view, bool turning)
{
    const QMetaObject::Connection turn = turning ? turnEveryFrame(view) : QMetaObject::Connection();
    // The renderer compiles its shaders for each new context in its first
    // frames: those are the load's, not the frame's.
    for (int i = 0; i < 10; ++i) {
        view->update();
        if (!waitForFrame(view)) {
            state.SkipWithError("the view never drew");
            return;
        }
    }
    int frames = 0;
    const QMetaObject::Connection counting =
        QObject::connect(view, &GLEngine::newTime, [&frames] { ++frames; });
    const int swapsBefore = swapCount, putsBefore = putCount;
    for (auto _ : state) {
        const int framesBefore = frames;
        QElapsedTimer clock;
        clock.start();
        view->update();
        const bool drawn = waitForFrame(view);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9 / qMax(1, frames - framesBefore));
        if (!drawn) {
            state.SkipWithError("no frame within 10 s");
            break;
        }
    }
    QObject::disconnect(counting);
    QObject::disconnect(turn);
    state.counters["swaps"] = double(swapCount - swapsBefore) / qMax(1, frames);
    state.counters["puts"] = double(putCount - putsBefore) / qMax(1, frames);
}

// Each part's cost comes from scenes drawn whole, the camera turning; the
// frame of play is also timed with the camera still.
void frame(benchmark::State &state, Scene scene, bool turning, QSize size)
{
    GameWindow game(scene, size);
    timeFrames(state, game.screen->view, turning);
}

// A view that only clears, standing in the real one's place on the same game
// screen: what composing and swapping cost with nothing drawn.
class EmptyView : public GLEngine
{
public:
    using GLEngine::GLEngine;

protected:
    void paintGL() override
    {
        emit newTime();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
};

void emptyFrame(benchmark::State &state, QSize size)
{
    GameWindow game(Scene::Room, size);
    auto *empty = new EmptyView(game.screen, nullptr);
    empty->setGeometry(game.screen->view->geometry());
    game.screen->view->hide();
    empty->show();
    timeFrames(state, empty, false);
}

// The game screen left to run on its own 20 ms chain for three seconds with
// one piece left on the trough, the camera still or turning: frames a second,
// counted at the start of each frame, with the buffer swaps and raster puts
// per frame counted at the window system.
void framesInPlay(benchmark::State &state, bool turning, QSize size)
{
    GameWindow game(Scene::Trough, size);
    GLEngine *view = game.screen->view;
    if (!waitForFrame(view)) {
        state.SkipWithError("the view never drew");
        return;
    }
    if (turning)
        turnEveryFrame(view);
    runFor(500); // past the renderer's first compiles
    int frames = 0;
    QObject::connect(view, &GLEngine::newTime, [&frames] { ++frames; });
    const int swapsBefore = swapCount, putsBefore = putCount;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        runFor(3000);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9 / qMax(1, frames));
    }
    state.counters["fps"] = frames / (double(clock.nsecsElapsed()) / 1e9);
    state.counters["swaps"] = double(swapCount - swapsBefore) / qMax(1, frames);
    state.counters["puts"] = double(putCount - putsBefore) / qMax(1, frames);
}
// Every frame figure at every size, named "<figure>/<size>", e.g.
// "frame/play/1920x1080".
void registerSized()
{
    struct Scenes
    {
        const char *name;
        Scene scene;
        bool turning;
    };
    const Scenes scenes[] = {
        {"room", Scene::Room, true},           {"ghost", Scene::Ghost, true},
        {"placed", Scene::Placed, true},       {"play", Scene::Trough, true},
        {"allPlaced", Scene::AllPlaced, true}, {"won", Scene::Won, true},
        {"playStill", Scene::Trough, false},
    };
    for (const QSize size : sizes) {
        const std::string at = "/" + sizeName(size);
        for (const Scenes &s : scenes)
            benchmark::RegisterBenchmark(("frame/" + std::string(s.name) + at).c_str(), frame,
                                         s.scene, s.turning, size)
                ->UseManualTime()
                ->Iterations(40)
                ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("emptyFrame" + at).c_str(), emptyFrame, size)
            ->UseManualTime()
            ->Iterations(40)
            ->Unit(benchmark::kMillisecond);
        for (const bool turning : {false, true})
            benchmark::RegisterBenchmark(
                ("framesInPlay/" + std::string(turning ? "turning" : "still") + at).c_str(),
                framesInPlay, turning, size)
                ->UseManualTime()
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
    }
}

// Saves, at every size, the window as shown with the camera still and then
// while it turns, named <size>-still.png and <size>-turning.png, to be
// looked at side by side.
bool saveScreenshots(const QString &dir)
{
    for (const QSize size : sizes) {
        GameWindow game(Scene::Trough, size);
        GLEngine *view = game.screen->view;
        const auto shoot = [&](const char *what) {
            const QString name = QStringLiteral("%1/%2-%3.png")
                                     .arg(dir, QString::fromStdString(sizeName(size)), what);
            const QImage shot = game.window.screen()->grabWindow(game.window.winId()).toImage();
            return shot.save(name) && (std::printf("%s\n", qPrintable(name)), true);
        };
        for (int i = 0; i < 5; ++i)
            waitForFrame(view);
        if (!shoot("still"))
            return false;
        turnEveryFrame(view);
        for (int i = 0; i < 5; ++i)
            waitForFrame(view);
        if (!shoot("turning"))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");
    QString screenshots;
    // Our defaults first: options given on the command line override them.
    std::vector<char *> args = {argv[0], const_cast<char *>("--benchmark_repetitions=5"),
                                const_cast<char *>("--benchmark_enable_random_interleaving=true"),
                                const_cast<char *>("--benchmark_report_aggregates_only=true")};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            dataDir = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc)
            screenshots = QDir(QString::fromLocal8Bit(argv[++i])).absolutePath();
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
    if (!screenshots.isEmpty())
        return saveScreenshots(screenshots) ? 0 : 2;
    registerSized();
    std::vector<Figure> figures = {{.label = "Load to first frame",
                                    .ours = "loadToFirstFrame/iterations:5/manual_time",
                                    .goalMs = 150}};
    for (const QSize size : sizes) {
        const std::string at = "/" + sizeName(size) + "/iterations:";
        const auto frame = [&at](const char *scene) {
            return std::string("frame/") + scene + at + "40/manual_time";
        };
        const std::string empty = "emptyFrame" + at + "40/manual_time";
        const auto play = [&at](const char *camera) {
            return std::string("framesInPlay/") + camera + at + "1/manual_time";
        };
        const std::vector<Figure> sized = {
            {.label = "At " + sizeName(size) + ": empty frame, clear and swap", .ours = empty},
            {.label = "  frame of play, camera turning",
             .ours = frame("play"),
             .peer = empty,
             .goalMs = 16,
             .goalAtMost = 3},
            {.label = "    room and furniture", .ours = frame("room"), .minus = empty},
            {.label = "    ghost", .ours = frame("ghost"), .minus = frame("room")},
            {.label = "    placed pieces (all but one)",
             .ours = frame("placed"),
             .minus = frame("ghost")},
            {.label = "    trough piece", .ours = frame("play"), .minus = frame("placed")},
            {.label = "    win text (over all placed)",
             .ours = frame("won"),
             .minus = frame("allPlaced")},
            {.label = "  frame of play, camera still",
             .ours = frame("playStill"),
             .peer = empty,
             .goalMs = 16,
             .goalAtMost = 3},
            {.label = "    GL swaps per frame", .ours = frame("playStill"), .counter = "swaps"},
            {.label = "    raster puts per frame", .ours = frame("playStill"), .counter = "puts"},
            {.label = "  frames a second in play, camera still",
             .ours = play("still"),
             .counter = "fps",
             .goalAtLeast = 47},
            {.label = "    GL swaps per frame", .ours = play("still"), .counter = "swaps"},
            {.label = "    raster puts per frame", .ours = play("still"), .counter = "puts"},
            {.label = "  frames a second in play, camera turning",
             .ours = play("turning"),
             .counter = "fps",
             .goalAtLeast = 47},
        };
        figures.insert(figures.end(), sized.begin(), sized.end());
    }
    const int missed = runAndSummarise(count, args.data(), figures);
    return missed == 0 ? 0 : 3;
}
