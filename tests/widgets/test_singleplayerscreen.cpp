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
    void controlsStandAroundTheViewAndTheDisplayReadsThreeLines()
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
        QTest::mousePress(s.screen->exitButton, Qt::LeftButton);
        QCOMPARE(s.screen->grab().toImage().pixelColor(12, 710), GameData::colourOf("mainmenu-down.png"));
        QTest::mouseRelease(s.screen->exitButton, Qt::LeftButton);
        QCOMPARE(s.sound.playedEffects(), QStringList()); // leaving plays its click elsewhere

        // White Sans 20 at its lightest, from (logo width + 60, 20), above the view.
        const QString text = SinglePlayerScreen::statusText(QStringLiteral("Dr. med. Ann"), 0, s.screen->shownTime);
        const QImage expected = textPicture(QSize(1024 - 200, 120), QRect(20, 20, 1024 - 160 + 100, 110),
                                            QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, text);
        const QImage drawn = shot.copy(200, 0, 1024 - 200, 120);
        saveScreenshot(drawn, QStringLiteral("widgets/display"));
        QCOMPARE(differingPixels(drawn, expected), 0);
    }

    void displayReadsTheTitledNameTheProgressAndTheTime()
    {
        const QString rest = QStringLiteral("\nProgress: 40%\nTime elapsed: ");
        for (auto [difficulty, name, ms, text] : {std::tuple(1, "A", 65432, "B.sc.Inf A" + rest + "01:05"),
                                                  std::tuple(2, "A", 599999, "Dr. med. A" + rest + "09:59"),
                                                  std::tuple(3, "A", 3600000, "Prof. Dr. med. A" + rest + "60:00"),
                                                  std::tuple(0, "A", 6000000, "Prof. Dr. med. A" + rest + "100:00"),
                                                  std::tuple(7, "%1 %2", 0, "Prof. Dr. med. %1 %2" + rest + "00:00")}) {
            Screen s(difficulty, QString::fromUtf8(name));
            QCOMPARE(SinglePlayerScreen::statusText(s.screen->playerName, 40, ms), text);
        }
    }

    void knobsTurnAndTiltTheViewAndTheSliderZoomsWhileHeld()
    {
        Screen s(1, QString());
        QVERIFY(s.show());
        s.screen->engine->takePiece(0);
        s.screen->engine->tryFit(0.1f, 0.1f);
        // 15 px up on the x knob, 80 px down on the y knob: turn 15, tilt -80.
        s.drag(s.screen->xRotButton, -15);
        s.drag(s.screen->yRotButton, 80);
        const QRect drawn = s.pieceBox();
        QRectF expected;
        for (int i = 0; i < 8; ++i) {
            const QVector3D corner(0.1f + (i & 1 ? 0.03f : -0.03f), 0.1f + (i & 2 ? 0.03f : -0.03f), 0.3f + (i & 4 ? 0.03f : -0.03f));
            expected |= QRectF(Camera{15, -80, 1}.piece(corner, QSize(794, 648)), QSizeF(0.01, 0.01));
        }
        const qreal off = (QRectF(drawn).center() - expected.center()).manhattanLength();
        QVERIFY2(off < 3 && qAbs(drawn.width() - expected.width()) < 3,
                 qPrintable(QStringLiteral("%1 px off, %2 wide, not %3").arg(off).arg(drawn.width()).arg(expected.width())));

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
};

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
