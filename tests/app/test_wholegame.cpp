// ctest-labels: integration
#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/screen0.h"
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
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <GL/glu.h>

namespace {

QTemporaryDir *configDir = nullptr;

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
    file.write(content);
}

// A cube of the given edge in scene units, every normal pointing up.
void writeCube(const QString &path, float edge)
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    for (float &s : frame.scale)
        s = edge * 64.0f / 255.0f;
    for (int i = 0; i < 8; ++i) {
        Md2Writer::Vertex v;
        v.x = (i & 1) ? 255 : 0;
        v.y = (i & 2) ? 255 : 0;
        v.z = (i & 4) ? 255 : 0;
        v.normal = 5;
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
    // Menu pictures in plain colours, each "-down" a little lighter.
    const QList<QPair<QString, QSize>> buttons = {
        {"singleplayer", {220, 90}}, {"multiplayer", {220, 90}}, {"exit", {120, 60}},
        {"easy", {120, 50}},         {"medium", {120, 50}},      {"hard", {120, 50}},
        {"back", {120, 50}},         {"start", {120, 50}},       {"mainmenu", {120, 50}}};
    int hue = 0;
    for (const auto &[name, size] : buttons) {
        savePicture(name + "-up.png", size, QColor::fromHsv(hue, 200, 140));
        savePicture(name + "-down.png", size, QColor::fromHsv(hue, 120, 230));
        hue += 37;
    }
    for (const char *name : {"play", "stop", "next", "prev"}) {
        savePicture(QString("%1.png").arg(name), QSize(40, 30), QColor(90, 90, 160));
        savePicture(QString("%1-down.png").arg(name), QSize(40, 30), QColor(160, 160, 230));
    }
    savePicture("loading.png", QSize(300, 120), QColor(40, 80, 40));
    savePicture("logo.png", QSize(160, 100), QColor(150, 30, 30));
    savePicture("name.png", QSize(90, 36), QColor(80, 80, 80));
    savePicture("difficulty.png", QSize(200, 40), QColor(80, 80, 80));
    savePicture("set.png", QSize(200, 40), QColor(80, 80, 80));
    savePicture("x-rot.png", QSize(60, 20), QColor(60, 60, 120));
    savePicture("y-rot.png", QSize(60, 20), QColor(60, 120, 60));
    savePicture("rotation.png", QSize(60, 60), QColor(200, 200, 200));
    savePicture("mover-ground.png", QSize(24, 120), QColor(70, 70, 70));
    savePicture("slider.png", QSize(24, 16), QColor(220, 220, 220));
    savePicture("marmor.png", QSize(8, 8), QColor(0, 0, 255));
    savePicture("bambou.png", QSize(8, 8), QColor(255, 255, 0));
    savePicture("carpet.png", QSize(8, 8), QColor(255, 255, 255));

    QVERIFY(QDir().mkpath("sets/bodyparts"));
    PcxWriter pcx(2, 2);
    pcx.setColour(0, QColor(0, 255, 0));
    QVERIFY(pcx.writeFile("sets/bodyparts/tris4.pcx"));
    writeCube("sets/bodyparts/cube.md2", 0.1f);
    writeCube("sets/bodyparts/big.md2", 0.2f);
    savePicture("sets/arm.png", QSize(100, 80), QColor(200, 120, 60));
    savePicture("sets/body.png", QSize(80, 100), QColor(60, 160, 200));
    writeFile("sets/arm.xml", "<set><name>Arm</name><icon>arm.png</icon>"
                              + part("part", "cube.md2", 0, 0, 0.2f) + "</set>");
    writeFile("sets/Body.xml", "<set><name>Body</name><icon>body.png</icon>"
                               + part("shape", "big.md2", 0, 0, 0)
                               + part("part", "cube.md2", 0, -0.3f, 0.2f)
                               + part("part", "cube.md2", 0, 0, 0.2f)
                               + part("part", "cube.md2", 0, 0.3f, 0.2f) + "</set>");

    QVERIFY(QDir().mkpath("sound"));
    writeFile("sound/sounds.xml", "<sounds>"
                                  "<sound><name>click</name><file>click.wav</file></sound>"
                                  "<sound><name>fits</name><file>fits.wav</file></sound>"
                                  "<sound><name>won</name><file>won.wav</file></sound>"
                                  "</sounds>");
    QVERIFY(QDir().mkpath("music"));
    writeFile("music/a.ogg", "a");
    writeFile("music/b.ogg", "b");
    writeFile("music/c.ogg", "c");
}

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

QString screenshotFolder()
{
    const QString root = qEnvironmentVariable("TORVANE_SCREENSHOTS",
                                              QDir::tempPath() + "/torvane-screenshots");
    return root + "/app";
}

// What the player sees: the X server's pixels, GL view included.
void screenshot(QWidget &window, const QString &name)
{
    QDir().mkpath(screenshotFolder());
    QTest::qWait(100);
    const QPixmap shot = window.screen()->grabWindow(0).copy(window.geometry());
    QVERIFY(shot.save(screenshotFolder() + "/" + name + ".png"));
}

int countPixels(const QImage &image, QRect area, bool (*test)(QColor))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y));
    return count;
}

} // namespace

class TestWholeGame : public QObject
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
    void playsTwoGamesAndRemembersThePlayer();

private:
    // Presses along the trough until the gliding piece is taken.
    static bool takeTroughPiece(GLEngine *view, GameEngine *engine);
    void checkMusicButtons(MainWindow &window);

    QTemporaryDir workDir;
    FakeAudioBackend *fake = nullptr; // owned by the sound manager
};

void TestWholeGame::initTestCase()
{
    QVERIFY(configDir->isValid());
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    writeData();
    // The game's one sound manager, over a fake device; the window keeps it.
    fake = new FakeAudioBackend;
    soundManager = new SoundManager(std::unique_ptr<AudioBackend>(fake));
    qInfo("screenshots in %s", qPrintable(screenshotFolder()));
}

void TestWholeGame::cleanupTestCase()
{
    QVERIFY2(fake->faults.isEmpty(), qPrintable(fake->faults.join("; ")));
    delete soundManager;
    soundManager = nullptr;
}

bool TestWholeGame::takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const float lift = engine->remaining.first()->halfSizeZ() + 0.6f;
        for (float y = -0.6f; y <= 0.45f; y += 0.1f) {
            const QPointF at = project(view, -0.6f, y, lift);
            QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at.toPoint());
            if (engine->current)
                return true;
            QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at.toPoint());
        }
        QTest::qWait(50);
    }
    return false;
}

void TestWholeGame::checkMusicButtons(MainWindow &window)
{
    const int before = int(fake->playedMusicFiles().size());
    QTest::mouseClick(window.nextButton, Qt::LeftButton);
    QTest::mouseClick(window.prevButton, Qt::LeftButton);
    const QStringList played = fake->playedMusicFiles().mid(before);
    QVERIFY2(played.size() == 2, qPrintable(played.join(' ')));
    QVERIFY(played.at(0) != played.at(1));
    fake->clearCalls();
    QTest::mouseClick(window.stopButton, Qt::LeftButton);
    QVERIFY2(fake->calls.contains("stop music"), qPrintable(fake->calls.join("; ")));
    QTest::mouseClick(window.playButton, Qt::LeftButton);
    QCOMPARE(fake->playedMusicFiles().size(), before + 3);
    QVERIFY(window.playButton->isVisible() && window.prevButton->isVisible());
}

void TestWholeGame::playsTwoGamesAndRemembersThePlayer()
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!window->screen0->isHidden());
    screenshot(*window, "1-loading");

    // Menu.
    QTRY_VERIFY_WITH_TIMEOUT(window->screen1, 5000);
    QTRY_VERIFY(window->screen1->isVisible());
    QCOMPARE(fake->playedMusicFiles().value(0), QString("music/a.ogg"));
    screenshot(*window, "2-menu");
    checkMusicButtons(*window);

    // Set-up: type a name with a correction, choose hard and the second set.
    const int clicksBefore = int(fake->playedEffectFiles().size());
    QTest::mouseClick(window->screen1->singlePlayerButton, Qt::LeftButton);
    Screen2 *setup = window->screen2;
    QVERIFY(setup->isVisible());
    QCOMPARE(QWidget::keyboardGrabber(), setup);
    for (Qt::Key key : {Qt::Key_A, Qt::Key_N, Qt::Key_X, Qt::Key_Backspace, Qt::Key_N})
        QTest::keyClick(QWidget::keyboardGrabber(), key);
    QTest::keyClicks(QWidget::keyboardGrabber(), " %2");
    QCOMPARE(setup->name, QString("ann %2"));
    QTest::mouseClick(setup->hardButton, Qt::LeftButton);
    const int rowLeft = 400 - setup->chooser->rowWidth / 2;
    QCOMPARE(setup->chooser->entries.size(), 2);
    QTest::mouseClick(setup->chooser, Qt::LeftButton, {}, {rowLeft + 100 + 10 + 40, 50});
    QCOMPARE(setup->chooser->selected, 1);
    QCOMPARE(setup->chooser->entries.at(1).name, QString("Body"));
    screenshot(*window, "3-setup");
    // single player, six keys, hard and the chooser: one click each.
    QCOMPARE(fake->playedEffectFiles().size(), clicksBefore + 1 + 8 + 1 + 1);

    // The game, started with the Enter key.
    QTest::keyClick(QWidget::keyboardGrabber(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(!QWidget::keyboardGrabber());
    QPointer<SinglePlayerScreen> game = window->screensp;
    QVERIFY(game);
    QVERIFY(game->isVisible() && !setup->isVisible() && !window->screen0->isVisible());
    QCOMPARE(game->geometry(), window->rect());
    for (PixButton *button : {window->playButton, window->stopButton, window->nextButton,
                              window->prevButton}) {
        QCOMPARE(button->parentWidget(), game.data());
        QVERIFY(button->isVisible());
    }
    QCOMPARE(game->playerName, QString("Prof. Dr. med. ann %2"));
    GLEngine *view = game->view;
    GameEngine *engine = game->engine;
    QCOMPARE(engine->remaining.size(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
    QTest::qWait(200);
    screenshot(*window, "4-game");
    checkMusicButtons(*window);

    // Solve it with the mouse: take each piece off the trough, carry it to
    // its target and let go.
    for (int piece = 0; piece < 3; ++piece) {
        QVERIFY2(takeTroughPiece(view, engine), qPrintable(QString::number(piece)));
        const PieceRecord *held = engine->current;
        const QPointF start = project(view, -0.6f, 0, 0.6f);
        const QPointF target = project(view, held->posX() + engine->offsetX,
                                       held->posY() + engine->offsetY, 0.5f);
        sendMouse(view, QEvent::MouseMove, (start + target) / 2, Qt::NoButton, Qt::LeftButton);
        sendMouse(view, QEvent::MouseMove, target, Qt::NoButton, Qt::LeftButton);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, target.toPoint());
        QVERIFY2(!engine->current, qPrintable(QString::number(piece)));
        QCOMPARE(engine->placed.size(), piece + 1);
        if (piece == 0)
            screenshot(*window, "5-first-piece");
    }
    QVERIFY(engine->gameWon);
    QCOMPARE(engine->progress(), 100);
    QCOMPARE(fake->playedEffectFiles().mid(fake->playedEffectFiles().size() - 2),
             QStringList({"sound/fits.wav", "sound/won.wav"}));

    // "YOU WIN!" in red from the view's centre, and the time stands still.
    QTest::qWait(200);
    const QImage frame = view->grabFramebuffer();
    const QRect winText(frame.width() / 2, frame.height() / 2 - 70, 300, 70);
    const int red = countPixels(frame, winText.intersected(frame.rect()), [](QColor c) {
        return c.red() > 180 && c.green() < 60 && c.blue() < 60;
    });
    QVERIFY2(red > 200, qPrintable(QString::number(red)));
    {
        // And as the player sees it: the composed window on the X server,
        // which a slow (sanitizer) build may take a few frames to update.
        const QRect onScreen = winText.translated(view->mapTo(window.get(), QPoint(0, 0)));
        const auto shownRed = [&] {
            const QImage shown = window->screen()->grabWindow(0).toImage();
            return countPixels(shown, onScreen.intersected(shown.rect()), [](QColor c) {
                return c.red() > 180 && c.green() < 60 && c.blue() < 60;
            });
        };
        QTRY_VERIFY2_WITH_TIMEOUT(shownRed() > 200, qPrintable(QString::number(shownRed())), 5000);
    }
    const int frozen = game->shownTime;
    QVERIFY(frozen > 0);
    QTest::qWait(1200);
    QVERIFY(view->elapsed() > frozen + 1000);
    QCOMPARE(game->shownTime, frozen);
    screenshot(*window, "6-won");
    const QImage display = game->grab().toImage();
    QVERIFY(countPixels(display, QRect(220, 20, 400, 60), [](QColor c) {
                return c.lightness() > 200;
            }) > 100);
    checkMusicButtons(*window);

    // Back to the menu; the game screen goes, the music buttons stay.
    QTest::mouseClick(game->exitButton, Qt::LeftButton);
    QVERIFY(!window->screensp);
    QVERIFY(window->screen1->isVisible());
    QTRY_VERIFY(!game);
    for (PixButton *button : {window->playButton, window->stopButton, window->nextButton,
                              window->prevButton})
        QCOMPARE(button->parentWidget(), window.get());
    checkMusicButtons(*window);
    screenshot(*window, "7-menu-again");

    // A second game over the same set-up, started with the start button.
    QTest::mouseClick(window->screen1->singlePlayerButton, Qt::LeftButton);
    QCOMPARE(setup->name, QString("ann %2"));
    QVERIFY(setup->hardButton->isChecked());
    QCOMPARE(setup->chooser->selected, 1);
    QTest::mouseClick(setup->startButton, Qt::LeftButton);
    QPointer<SinglePlayerScreen> second = window->screensp;
    QVERIFY(second);
    QCOMPARE(second->engine->remaining.size(), 3);
    QCOMPARE(second->engine->placed.size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(second->view->elapsed() > 0, 20000);
    QVERIFY(!second->engine->gameWon);
    checkMusicButtons(*window);
    QTest::mouseClick(second->exitButton, Qt::LeftButton);
    QTRY_VERIFY(!second);
    QVERIFY(window->screen1->isVisible());
    window.reset();

    // A new start finds the player again.
    MainWindow again;
    QTRY_VERIFY_WITH_TIMEOUT(again.screen2, 5000);
    QCOMPARE(again.screen2->name, QString("ann %2"));
    QCOMPARE(again.screen2->difficulty, 3);
    QVERIFY(again.screen2->hardButton->isChecked());
    QCOMPARE(QSettings().value("singleplayer/name").toString(), QString("ann %2"));
}

QTEST_MAIN(TestWholeGame)
#include "test_wholegame.moc"
