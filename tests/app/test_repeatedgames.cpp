// ctest-labels: integration
// Twenty games in a row through the main window: whatever one game builds
// (records, particles, display lists, textures, the game screen itself) must
// be gone once the player is back in the menu.
#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "pieces/md2format.h"
#include "pieces/particle.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/md2writer.h"
#include "testing/pcxwriter.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <GL/glu.h>

#include <cmath>

#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVANE_ASAN 1
#endif
#endif

#ifdef TORVANE_ASAN
#include <dlfcn.h>
#include <link.h>
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else
// GCC's runtime exports it but ships no header for it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif
#else
#include <malloc.h>
#endif

namespace {

QTemporaryDir *configDir = nullptr;

constexpr int gameCount = 20;
constexpr int warmUpGames = 3;
constexpr int pieceCount = 5; // parts of the set, besides the shape

// Bytes of heap in use. Mesa's software renderer keeps textures and display
// lists in malloc'd memory, so GL objects count here too.
qint64 heapInUse()
{
#ifdef TORVANE_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

// Mesa's software driver is unloaded before LeakSanitizer looks at the heap
// at exit; its leaks would then come from an unknown module and escape the
// driver's suppression. Keep it loaded.
void keepGlDriverLoaded()
{
#ifdef TORVANE_ASAN
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            const QByteArray name(info->dlpi_name);
            if (name.endsWith("_dri.so") || name.contains("libgallium"))
                dlopen(name.constData(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
#endif
}

void savePicture(const QString &file, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY2(image.save(file), qPrintable(file));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

quint8 nearestNormal(float x, float y, float z)
{
    int best = 0;
    float bestDot = -2;
    for (int i = 0; i < md2::normalCount; ++i) {
        const float dot = x * md2::normals[i][0] + y * md2::normals[i][1] + z * md2::normals[i][2];
        if (dot > bestDot) {
            bestDot = dot;
            best = i;
        }
    }
    return quint8(best);
}

// A ball of the given diameter in scene units: 40 rings of 50 vertices
// (2000 in all, nearly 4000 triangles), so that each piece's display list is
// heavy enough for a leak of it to stand out from the heap's noise.
void writeBall(const QString &path, float diameter)
{
    constexpr int rings = 40, perRing = 50;
    Md2Writer md2;
    Md2Writer::Frame frame;
    for (float &s : frame.scale)
        s = diameter * 64.0f / 255.0f;
    for (int r = 0; r < rings; ++r) {
        const double polar = M_PI * (r + 0.5) / rings;
        for (int c = 0; c < perRing; ++c) {
            const double azimuth = 2 * M_PI * c / perRing;
            const float x = float(std::sin(polar) * std::cos(azimuth));
            const float y = float(std::sin(polar) * std::sin(azimuth));
            const float z = float(std::cos(polar));
            Md2Writer::Vertex v;
            v.x = quint8(std::lround(127.5 + 127.5 * x));
            v.y = quint8(std::lround(127.5 + 127.5 * y));
            v.z = quint8(std::lround(127.5 + 127.5 * z));
            v.normal = nearestNormal(x, y, z);
            frame.vertices.append(v);
            md2.texCoords.append({qint16(c * 255 / perRing), qint16(r * 255 / rings)});
        }
    }
    md2.frames = {frame};
    for (int r = 0; r + 1 < rings; ++r) {
        for (int c = 0; c < perRing; ++c) {
            const auto a = quint16(r * perRing + c);
            const auto b = quint16(r * perRing + (c + 1) % perRing);
            const auto d = quint16(a + perRing);
            const auto e = quint16(b + perRing);
            md2.triangles.append(Md2Writer::Triangle{{a, b, e}, {a, b, e}});
            md2.triangles.append(Md2Writer::Triangle{{a, e, d}, {a, e, d}});
        }
    }
    md2.skinWidth = 256;
    md2.skinHeight = 256;
    QVERIFY(md2.writeFile(path));
}

QByteArray part(const char *tag, const char *model, float x, float y, float z)
{
    return QStringLiteral("<%1><filename>bodyparts/%2</filename><pos_x>%3</pos_x>"
                          "<pos_y>%4</pos_y><pos_z>%5</pos_z></%1>")
        .arg(QLatin1String(tag), QLatin1String(model))
        .arg(x)
        .arg(y)
        .arg(z)
        .toUtf8();
}

void writeData()
{
    const QList<QPair<QString, QSize>> buttons = {
        {"singleplayer", {220, 90}}, {"multiplayer", {220, 90}}, {"exit", {120, 60}},
        {"easy", {120, 50}},         {"medium", {120, 50}},      {"hard", {120, 50}},
        {"back", {120, 50}},         {"start", {120, 50}},       {"mainmenu", {120, 50}}};
    for (const auto &[name, size] : buttons) {
        savePicture(name + "-up.png", size, QColor(60, 90, 140));
        savePicture(name + "-down.png", size, QColor(120, 150, 200));
    }
    for (const char *name : {"play", "stop", "next", "prev"}) {
        savePicture(QString("%1.png").arg(name), QSize(40, 30), QColor(90, 90, 160));
        savePicture(QString("%1-down.png").arg(name), QSize(40, 30), QColor(160, 160, 230));
    }
    savePicture("loading.png", QSize(300, 120), QColor(40, 80, 40));
    savePicture("logo.png", QSize(120, 80), QColor(150, 30, 30));
    for (const char *name : {"name.png", "difficulty.png", "set.png"})
        savePicture(name, QSize(120, 30), QColor(80, 80, 80));
    savePicture("x-rot.png", QSize(60, 20), QColor(60, 60, 120));
    savePicture("y-rot.png", QSize(60, 20), QColor(60, 120, 60));
    savePicture("rotation.png", QSize(60, 60), QColor(200, 200, 200));
    savePicture("mover-ground.png", QSize(24, 120), QColor(70, 70, 70));
    savePicture("slider.png", QSize(24, 16), QColor(220, 220, 220));
    savePicture("marmor.png", QSize(64, 64), QColor(0, 0, 255));
    savePicture("bambou.png", QSize(64, 64), QColor(255, 255, 0));
    savePicture("carpet.png", QSize(64, 64), QColor(255, 255, 255));

    QVERIFY(QDir().mkpath("sets/bodyparts"));
    PcxWriter pcx(256, 256);
    for (int i = 0; i < pcx.indices.size(); ++i)
        pcx.indices[i] = char((i % 256) ^ (i / 256));
    for (int i = 0; i < 256; ++i)
        pcx.setColour(i, QColor(i, 255 - i, (i * 7) % 256));
    QVERIFY(pcx.writeFile("sets/bodyparts/tris4.pcx"));
    writeBall("sets/bodyparts/piece.md2", 0.1f);
    writeBall("sets/bodyparts/body.md2", 0.3f);
    savePicture("sets/body.png", QSize(80, 100), QColor(60, 160, 200));
    writeFile("sets/body.xml", "<set><name>Body</name><icon>body.png</icon>"
                               + part("shape", "body.md2", 0, 0, 0)
                               + part("part", "piece.md2", 0, -0.3f, 0.2f)
                               + part("part", "piece.md2", 0, -0.15f, 0.2f)
                               + part("part", "piece.md2", 0, 0, 0.2f)
                               + part("part", "piece.md2", 0, 0.15f, 0.2f)
                               + part("part", "piece.md2", 0, 0.3f, 0.2f) + "</set>");

    QVERIFY(QDir().mkpath("sound"));
    writeFile("sound/sounds.xml", "<sounds>"
                                  "<sound><name>click</name><file>click.wav</file></sound>"
                                  "<sound><name>fits</name><file>fits.wav</file></sound>"
                                  "<sound><name>won</name><file>won.wav</file></sound>"
                                  "</sounds>");
    QVERIFY(QDir().mkpath("music"));
    writeFile("music/a.ogg", "a");
}

// Straight to the view, past the window system: no implicit mouse grab is
// left behind for the clicks on the game screen's buttons.
void sendMouse(QWidget *widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Window position of a point in the frame the pieces are drawn in, from the
// view's own matrices as its last frame left them.
QPointF project(GLEngine *view, float x, float y, float z)
{
    view->makeCurrent();
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    view->doneCurrent();
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
    const qreal ratio = view->devicePixelRatioF();
    return QPointF(wx / ratio, (viewport[3] - wy) / ratio);
}

// Presses along the trough until the gliding piece is taken.
bool takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const float lift = engine->remaining.first()->halfSizeZ() + 0.6f;
        for (float y = -0.45f; y <= 0.45f; y += 0.06f) {
            const QPointF at = project(view, -0.6f, y, lift);
            sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            if (engine->current)
                return true;
            sendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        }
        QTest::qWait(20);
    }
    return false;
}

// Carries the held piece to (x, y) in the scene and lets go there.
void dropAt(GLEngine *view, float x, float y)
{
    const QPointF target = project(view, x, y, 0.5f);
    sendMouse(view, QEvent::MouseMove, target, Qt::NoButton, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
}

// A context of its own in a game view's share group. It outlives the view,
// so names the view created can still be asked about after it is gone: a
// display list or texture that was not deleted stays alive in the group.
class ShareGroupProbe
{
public:
    bool attach(QOpenGLContext *viewContext)
    {
        context.setFormat(viewContext->format());
        context.setShareContext(viewContext);
        if (!context.create())
            return false;
        surface.setFormat(context.format());
        surface.create();
        return surface.isValid() && context.shareGroup() == viewContext->shareGroup();
    }

    QOpenGLContextGroup *shareGroup() const { return context.shareGroup(); }

    struct Names
    {
        QSet<GLuint> lists;
        QSet<GLuint> textures;
    };

    // Every list and texture name alive in the group up to well past the
    // highest name seen so far.
    Names live()
    {
        Names names;
        if (!context.makeCurrent(&surface))
            return names;
        const GLuint limit = std::max<GLuint>(4096, highest * 2);
        for (GLuint name = 1; name <= limit; ++name) {
            if (glIsList(name))
                names.lists.insert(name);
            if (glIsTexture(name))
                names.textures.insert(name);
        }
        context.doneCurrent();
        for (GLuint name : names.lists + names.textures)
            highest = std::max(highest, name);
        return names;
    }

private:
    QOpenGLContext context;
    QOffscreenSurface surface;
    GLuint highest = 0;
};

QString describe(const QSet<GLuint> &names)
{
    QList<GLuint> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList text;
    for (GLuint name : sorted)
        text << QString::number(name);
    return text.join(' ');
}

} // namespace

class TestRepeatedGames : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        configDir = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", configDir->path().toLocal8Bit());
    }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void twentyGamesLeaveNothingBehind();

private:
    // One game from the menu back to the menu. Even games are won; odd ones
    // are left with a record in every list of the engine.
    void playGame(MainWindow &window, int game);
    // Back in the menu with the game screen deleted and the window repainted.
    void settle(MainWindow &window);

    QTemporaryDir workDir;
    FakeAudioBackend *fake = nullptr; // owned by the sound manager
    std::unique_ptr<ShareGroupProbe> probe;
};

void TestRepeatedGames::initTestCase()
{
    QVERIFY(configDir->isValid());
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    writeData();
    fake = new FakeAudioBackend;
    soundManager = new SoundManager(std::unique_ptr<AudioBackend>(fake));
}

void TestRepeatedGames::cleanupTestCase()
{
    probe.reset();
    QVERIFY2(fake->faults.isEmpty(), qPrintable(fake->faults.join("; ")));
    delete soundManager;
    soundManager = nullptr;
}

void TestRepeatedGames::settle(MainWindow &window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.repaint();
    QTest::qWait(30);
}

void TestRepeatedGames::playGame(MainWindow &window, int game)
{
    const QString which = QStringLiteral("game %1").arg(game + 1);
    QVERIFY(window.screen1->isVisible());
    // The group's names before the game, once there is a probe to ask.
    const bool probed = probe != nullptr;
    ShareGroupProbe::Names before;
    if (probed)
        before = probe->live();

    QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
    QVERIFY(window.screen2->isVisible());
    QTest::mouseClick(window.screen2->startButton, Qt::LeftButton);
    QPointer<SinglePlayerScreen> screen = window.screensp;
    QVERIFY2(screen, qPrintable(which));
    GLEngine *view = screen->view;
    GameEngine *engine = screen->engine;
    QCOMPARE(engine->remaining.size(), pieceCount);
    QVERIFY(QTest::qWaitFor([&] { return view->elapsed() > 0; }, 20000));
    QTest::qWait(40); // a frame or two, for the matrices project() reads

    if (!probe) {
        probe = std::make_unique<ShareGroupProbe>();
        QVERIFY2(probe->attach(view->context()), "no GL context in the view's share group");
        keepGlDriverLoaded();
    }
    // Successive views must share with the window, or the probe of the first
    // game would see nothing of the later ones.
    QCOMPARE(view->context()->shareGroup(), probe->shareGroup());

    // Even games are played to the win; odd ones are left with one piece
    // placed, one in the hand and the rest on the trough.
    const int toFit = game % 2 == 0 ? pieceCount : 1;
    for (int fitted = 0; fitted < toFit; ++fitted) {
        QVERIFY2(takeTroughPiece(view, engine), qPrintable(which));
        const PieceRecord *held = engine->current;
        dropAt(view, held->posX() + engine->offsetX, held->posY() + engine->offsetY);
        QVERIFY2(!engine->current && engine->placed.size() == fitted + 1, qPrintable(which));
    }
    if (game % 2 == 0) {
        QVERIFY2(engine->gameWon, qPrintable(which));
        QTest::qWait(40); // the win drawn once, text and all
    } else {
        QVERIFY2(takeTroughPiece(view, engine), qPrintable(which));
        // Dropped far from its place: it stays in the hand.
        dropAt(view, engine->offsetX + 0.5f, engine->offsetY + 0.5f);
        QVERIFY2(engine->current && !engine->gameWon, qPrintable(which));
    }

    // Every name the game's records hold, and what the group holds now.
    QList<const PieceRecord *> records(engine->placed.begin(), engine->placed.end());
    records += QList<const PieceRecord *>(engine->remaining.begin(), engine->remaining.end());
    records << engine->current << engine->shapePiece;
    records.removeAll(nullptr);
    QCOMPARE(records.size(), pieceCount + 1);
    QSet<GLuint> recordLists, recordTextures;
    for (const PieceRecord *record : std::as_const(records)) {
        QVERIFY(record->displayList != 0 && record->particle && record->particle->texture > 0);
        recordLists.insert(record->displayList);
        recordTextures.insert(GLuint(record->particle->texture));
    }
    const ShareGroupProbe::Names during = probe->live();
    // The probe really sees the view's objects.
    QVERIFY2(during.lists.contains(recordLists), qPrintable(which));
    QVERIFY2(during.textures.contains(recordTextures), qPrintable(which));
    // The pieces' lists and the furniture's; the skins and the room's textures.
    QVERIFY2(during.lists.size() >= pieceCount + 1 + 10, qPrintable(describe(during.lists)));
    const QSet<GLuint> gameLists = during.lists - before.lists;
    // Qt's own textures (the window's composition) live on between games;
    // without a look before the game only the pieces' are known to be ours.
    QSet<GLuint> gameTextures = recordTextures;
    if (probed) {
        gameTextures = during.textures - before.textures;
        QVERIFY2(gameTextures.size() >= pieceCount + 1 + 3, qPrintable(describe(gameTextures)));
    }

    QTest::mouseClick(screen->exitButton, Qt::LeftButton);
    QVERIFY(!window.screensp);
    QVERIFY(window.screen1->isVisible());
    QVERIFY2(QTest::qWaitFor([&] { return screen.isNull(); }, 5000), qPrintable(which));
    settle(window);

    const ShareGroupProbe::Names after = probe->live();
    const QSet<GLuint> keptLists = gameLists & after.lists;
    const QSet<GLuint> keptTextures = (gameTextures + recordTextures) & after.textures;
    QVERIFY2(keptLists.isEmpty(),
             qPrintable(which + ": display lists left alive: " + describe(keptLists)));
    QVERIFY2(keptTextures.isEmpty(),
             qPrintable(which + ": textures left alive: " + describe(keptTextures)));
    // No other code in the group uses display lists: none may outlive a game.
    QVERIFY2(after.lists.isEmpty(),
             qPrintable(which + ": display lists alive in the menu: " + describe(after.lists)));
}

void TestRepeatedGames::twentyGamesLeaveNothingBehind()
{
    MainWindow window;
    // Small and windowed: every frame is drawn in software.
    window.setWindowState(Qt::WindowNoState);
    window.setGeometry(0, 0, 800, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(QTest::qWaitFor([&] { return window.screen1 != nullptr; }, 5000));
    QCOMPARE(window.screen2->chooser->entries.size(), 1);

    QList<qint64> heap;
    qint64 start = 0;
    for (int game = 0; game < gameCount; ++game) {
        playGame(window, game);
        if (QTest::currentTestFailed())
            return;
        heap << heapInUse();
        if (game == warmUpGames - 1)
            start = heap.last();
    }
    const qint64 growth = heap.last() - start;
    QStringList trend;
    for (qint64 bytes : std::as_const(heap))
        trend << QString::number(bytes / 1024);
    qInfo("heap in the menu after each game (KiB): %s", qPrintable(trend.join(' ')));
    qInfo("growth over the last %d games: %lld KiB", gameCount - warmUpGames, growth / 1024);

    // Mesa's llvmpipe (22.3) never frees the display-list vertex buffer a
    // selection pass last read from when the context goes: one buffer of
    // 1 MiB per game view, whatever the game does (it measures 1028 KiB a
    // game, steadily). Allowed for here, with little slack: the game's own
    // share (six pieces of 2000 vertices with 256x256 skins, about 5 MiB),
    // or only the meshes of the placed pieces, left behind every game pile
    // up well beyond it.
    const qint64 driverAllowancePerGame = 1100 * 1024;
    const qint64 bound = driverAllowancePerGame * (gameCount - warmUpGames);
    QVERIFY2(growth < bound, qPrintable(QString("heap grew by %1 KiB over %2 games")
                                            .arg(growth / 1024)
                                            .arg(gameCount - warmUpGames)));
}

QTEST_MAIN(TestRepeatedGames)
#include "test_repeatedgames.moc"
