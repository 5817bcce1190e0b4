// ctest-labels: integration
// The game screen: where its controls stand, what its display says, and how
// the knobs and the slider move the view.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/movebutton.h"
#include "widgets/pixbutton.h"
#include "widgets/rotatebutton.h"
#include "widgets/singleplayerscreen.h"

#include <QDomDocument>
#include <QSettings>
#include <QTest>

namespace {

struct Screen
{
    GameData data;
    FakeSoundScope sound;
    QDomDocument document;
    QWidget window;
    std::unique_ptr<SinglePlayerScreen> screen;

    Screen(int difficulty, const QString &name)
    {
        QSettings settings;
        settings.setValue(QStringLiteral("singleplayer/difficulty"), difficulty);
        settings.setValue(QStringLiteral("singleplayer/name"), name);
        document.setContent(QStringLiteral("<set>%1</set>").arg(GameData::piece("part", "small.md2", 0.1f, 0.1f, 0.3f)));
        window.resize(1024, 768);
        screen = std::make_unique<SinglePlayerScreen>(&window, &document);
    }
    bool show()
    {
        window.show();
        screen->show();
        return QTest::qWaitForWindowExposed(&window) && screen->view->isValid();
    }
    QRect pieceBox()
    {
        const QImage image = screen->view->grabFramebuffer();
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGreen(image.pixel(x, y)) > 50 && qRed(image.pixel(x, y)) < 30)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    void drag(QWidget *control, int dy, bool release = true)
    {
        sendMouse(control, QEvent::MouseButtonPress, QPointF(5, 40), Qt::LeftButton, Qt::LeftButton);
        sendMouse(control, QEvent::MouseMove, QPointF(5, 40 + dy), Qt::NoButton, Qt::LeftButton);
        if (release)
            sendMouse(control, QEvent::MouseButtonRelease, QPointF(5, 40 + dy), Qt::LeftButton, Qt::NoButton);
    }
};

} // namespace

class TestSinglePlayerScreen : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        QCoreApplication::setOrganizationName(QStringLiteral("Vexa"));
        QCoreApplication::setApplicationName(QStringLiteral("Torvane"));
    }

private slots:
    void controlsStandAroundTheViewAndTheDisplayReadsThreeLines();
    void titleFollowsTheStoredDifficulty_data();
    void titleFollowsTheStoredDifficulty();
    void displayFormatsTimeAndShowsTheNameAsTyped_data();
    void displayFormatsTimeAndShowsTheNameAsTyped();
    void knobsTurnAndTiltTheViewAndTheSliderZoomsWhileHeld();
};

void TestSinglePlayerScreen::controlsStandAroundTheViewAndTheDisplayReadsThreeLines()
{
    Screen s(2, QStringLiteral("Ann"));
    QVERIFY(s.show());
    const struct
    {
        QWidget *widget;
        QRect place;
        const char *picture;
    } controls[] = {
        // 1024 x 768: exit 120 x 50, knobs 60 x (20 + 56) and 64 x (22 + 56), track 24 x 120, logo 160 x 100.
        {s.screen->exitButton, QRect(10, 708, 120, 50), "mainmenu-up.png"},
        {s.screen->xRotButton, QRect(954, 682, 60, 76), "x-rot.png"},
        {s.screen->yRotButton, QRect(954, 594, 64, 78), "y-rot.png"},
        {s.screen->zoomButton, QRect(974, 464, 24, 120), "mover-ground.png"},
        {s.screen->view, QRect(140, 120, 794, 648), nullptr},
    };
    const QImage shot = s.screen->grab().toImage();
    for (const auto &c : controls) {
        QCOMPARE(c.widget->geometry(), c.place);
        if (c.picture)
            QCOMPARE(shot.pixelColor(c.place.topLeft() + QPoint(2, 2)), GameData::colourOf(c.picture));
    }
    QCOMPARE(shot.pixelColor(20, 20), GameData::colourOf("logo.png"));
    QTest::mouseClick(s.screen->exitButton, Qt::LeftButton);
    QCOMPARE(s.sound.playedEffects(), QStringList()); // leaving plays its click elsewhere

    // White Sans 20 at its lightest, from (logo width + 60, 20), above the view.
    const int ms = s.screen->shownTime;
    const QString text = QStringLiteral("Dr. med. Ann\nProgress: 0%\nTime elapsed: %1:%2")
                             .arg(ms / 60000, 2, 10, QLatin1Char('0'))
                             .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    const QImage expected = textPicture(QSize(1024 - 200, 120), QRect(20, 20, 1024 - 160 + 100, 110), QFont("Sans", 20, QFont::Thin),
                                        Qt::AlignLeft, text);
    const QImage drawn = shot.copy(200, 0, 1024 - 200, 120);
    saveScreenshot(drawn, QStringLiteral("widgets/display"));
    QCOMPARE(differingPixels(drawn, expected), 0);
}

void TestSinglePlayerScreen::titleFollowsTheStoredDifficulty_data()
{
    QTest::addColumn<int>("difficulty");
    QTest::addColumn<QString>("title");
    QTest::newRow("easy") << 1 << "B.sc.Inf ";
    QTest::newRow("medium") << 2 << "Dr. med. ";
    QTest::newRow("hard") << 3 << "Prof. Dr. med. ";
    QTest::newRow("0") << 0 << "Prof. Dr. med. ";
    QTest::newRow("7") << 7 << "Prof. Dr. med. ";
}

void TestSinglePlayerScreen::titleFollowsTheStoredDifficulty()
{
    QFETCH(int, difficulty);
    QFETCH(QString, title);
    Screen s(difficulty, QStringLiteral("Bo"));
    QCOMPARE(s.screen->playerName, title + QStringLiteral("Bo"));
}

void TestSinglePlayerScreen::displayFormatsTimeAndShowsTheNameAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("01:05") << "A" << 65432 << "A\nProgress: 40%\nTime elapsed: 01:05";
    QTest::newRow("09:59") << "A" << 599999 << "A\nProgress: 40%\nTime elapsed: 09:59";
    QTest::newRow("60:00") << "A" << 3600000 << "A\nProgress: 40%\nTime elapsed: 60:00";
    QTest::newRow("100:00") << "A" << 6000000 << "A\nProgress: 40%\nTime elapsed: 100:00";
    QTest::newRow("markers in the name") << "%1 %2" << 0 << "%1 %2\nProgress: 40%\nTime elapsed: 00:00";
}

void TestSinglePlayerScreen::displayFormatsTimeAndShowsTheNameAsTyped()
{
    QFETCH(QString, name);
    QFETCH(int, ms);
    QFETCH(QString, text);
    QCOMPARE(SinglePlayerScreen::statusText(name, 40, ms), text);
}

void TestSinglePlayerScreen::knobsTurnAndTiltTheViewAndTheSliderZoomsWhileHeld()
{
    Screen s(1, QString());
    QVERIFY(s.show());
    s.screen->engine->takePiece(0);
    s.screen->engine->tryFit(0.1f, 0.1f);
    // 15 px up on the x knob, 80 px down on the y knob: turn 15, tilt -80.
    s.drag(s.screen->xRotButton, -15);
    s.drag(s.screen->yRotButton, 80);
    QRect drawn = s.pieceBox();
    QRectF expected;
    for (int i = 0; i < 8; ++i) {
        const QVector3D corner(0.1f + (i & 1 ? 0.03f : -0.03f), 0.1f + (i & 2 ? 0.03f : -0.03f), 0.3f + (i & 4 ? 0.03f : -0.03f));
        expected |= QRectF(Camera{15, -80, 1}.piece(corner, QSize(794, 648)), QSizeF(0.01, 0.01));
    }
    QVERIFY2((QRectF(drawn).center() - expected.center()).manhattanLength() < 3 && qAbs(drawn.width() - expected.width()) < 3,
             qPrintable(QStringLiteral("drawn %1,%2 %3 wide; expected %4,%5 %6 wide").arg(QRectF(drawn).center().x()).arg(QRectF(drawn).center().y()).arg(drawn.width()).arg(expected.center().x()).arg(expected.center().y()).arg(expected.width())));

    // The game is won: the time on the display stands still while frames go on.
    s.screen->repaint();
    const int stopped = s.screen->shownTime;
    s.drag(s.screen->zoomButton, -50, false); // held at the top: zooming in
    QTest::qWait(300);
    sendMouse(s.screen->zoomButton, QEvent::MouseButtonRelease, QPointF(5, -10), Qt::LeftButton, Qt::NoButton);
    const QRect zoomed = s.pieceBox();
    QVERIFY2(zoomed.width() > drawn.width() + 3, qPrintable(QString::number(zoomed.width())));
    QTest::qWait(200);
    QCOMPARE(s.pieceBox(), zoomed);
    s.screen->repaint();
    QCOMPARE(s.screen->shownTime, stopped);
}

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
