// ctest-labels: integration
// The game screen and its controls: where they stand, what the display says,
// how they move the view, and what each draws and reports when dragged.
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
#include <QPainter>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {

QColor at(QWidget &widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

// One mouse event at (5, y): a press, a move with the button held, or a release.
void mouse(QWidget *widget, QEvent::Type type, int y, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, type, QPointF(5, y), type == QEvent::MouseMove ? Qt::NoButton : button,
              type == QEvent::MouseButtonRelease ? Qt::NoButton : button);
}

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
};

} // namespace

class TestSinglePlayerScreen : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        useTheGamesSettings();
    }

private slots:
    void controlsStandAroundTheViewWhichTheKnobsTurnAndTiltAndTheSliderZooms()
    {
        Screen s(2, QStringLiteral("Ann"));
        s.window.show();
        s.screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window) && s.screen->view->isValid());
        const QList<std::tuple<QWidget *, QRect, const char *>> controls = {
            // 1024 x 768: exit 120 x 50, knobs 60 x (20 + 56) and 64 x (22 + 56), track 24 x 120, logo 160 x 100.
            {s.screen->exitButton, QRect(10, 708, 120, 50), "mainmenu-up.png"},
            {s.screen->xRotButton, QRect(954, 682, 60, 76), "x-rot.png"},
            {s.screen->yRotButton, QRect(954, 594, 64, 78), "y-rot.png"},
            {s.screen->zoomButton, QRect(974, 464, 24, 120), "mover-ground.png"},
            {s.screen->view, QRect(140, 120, 794, 648), nullptr},
        };
        const QImage shot = s.screen->grab().toImage();
        for (auto [widget, place, picture] : controls) {
            QCOMPARE(widget->geometry(), place);
            if (picture)
                QCOMPARE(shot.pixelColor(place.topLeft() + QPoint(2, 2)), GameData::colourOf(picture));
        }
        QCOMPARE(shot.pixelColor(20, 20), GameData::colourOf("logo.png"));
        QTest::mousePress(s.screen->exitButton, Qt::LeftButton);
        QCOMPARE(s.screen->grab().toImage().pixelColor(12, 710), GameData::colourOf("mainmenu-down.png"));
        QTest::mouseRelease(s.screen->exitButton, Qt::LeftButton);
        QCOMPARE(s.sound.playedEffects(), QStringList()); // leaving plays its click elsewhere
        // The display: white Sans 20 at its lightest, from (logo width + 60, 20), above the view.
        const QString text = SinglePlayerScreen::statusText("Dr. med. Ann", 0, s.screen->shownTime);
        const QImage expected = textPicture(QSize(1024 - 200, 120), QRect(20, 20, 1024 - 160 + 100, 110),
                                            QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, text);
        QCOMPARE(differingPixels(shot.copy(200, 0, 1024 - 200, 120), expected), 0);

        s.screen->engine->takePiece(0);
        s.screen->engine->tryFit(0.1f, 0.1f);
        mouse(s.screen->xRotButton, QEvent::MouseButtonPress, 40);
        mouse(s.screen->xRotButton, QEvent::MouseMove, 25); // 15 px up: turn 15
        mouse(s.screen->yRotButton, QEvent::MouseButtonPress, 40);
        mouse(s.screen->yRotButton, QEvent::MouseMove, 120); // 80 px down: tilt -80
        const QRect box = s.pieceBox();
        QRectF corners;
        for (int i = 0; i < 8; ++i) {
            const QVector3D step = 0.03f * QVector3D(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1); // the cube's corners
            corners |= QRectF(Camera{15, -80, 1}.piece(QVector3D(0.1f, 0.1f, 0.3f) + step, QSize(794, 648)), QSizeF(0.01, 0.01));
        }
        const qreal off = (QRectF(box).center() - corners.center()).manhattanLength();
        QVERIFY2(off < 3 && qAbs(box.width() - corners.width()) < 3,
                 qPrintable(QStringLiteral("%1 px off, %2 wide, not %3").arg(off).arg(box.width()).arg(corners.width())));

        // The game is won: the time on the display stands still while frames go on.
        s.screen->repaint();
        const int stopped = s.screen->shownTime;
        mouse(s.screen->zoomButton, QEvent::MouseButtonPress, 40);
        mouse(s.screen->zoomButton, QEvent::MouseMove, -10); // held at the top: zooming in
        QTest::qWait(300);
        mouse(s.screen->zoomButton, QEvent::MouseButtonRelease, -10);
        const QRect zoomed = s.pieceBox();
        QVERIFY2(zoomed.width() > box.width() + 3, qPrintable(QString::number(zoomed.width())));
        QTest::qWait(200);
        QCOMPARE(s.pieceBox(), zoomed);
        s.screen->repaint();
        QCOMPARE(s.screen->shownTime, stopped);
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

    void buttonSliderAndKnobDrawTheirPicturesAndFollowTheMouse()
    {
        GameData data; // the slider's track 24 x 120, its handle 20 x 16
        // A 40 x 40 knob whose top right quarter is red, under a 60 x 20 label.
        QImage knobPicture(40, 40, QImage::Format_RGB32);
        knobPicture.fill(Qt::white);
        QPainter(&knobPicture).fillRect(20, 0, 20, 20, Qt::red);
        knobPicture.save(QStringLiteral("knob.png"));
        QWidget parent;
        parent.resize(800, 200);
        PixButton plain(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), false, 30, 40, &parent);
        PixButton toggle(QStringLiteral("easy-up.png"), QStringLiteral("easy-down.png"), true, 200, 40, &parent);
        PixButton none(QStringLiteral("none.png"), QStringLiteral("easy-down.png"), false, 5, 5, &parent);
        MoveButton slider(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"), 500, 9, &parent);
        RotateButton knob(QStringLiteral("x-rot.png"), QStringLiteral("knob.png"), 600, 4, &parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(plain.geometry(), QRect(QPoint(30, 40), GameData::sizeOf("hard-up.png")));
        // No resting picture: nothing to see or click; the knob is as tall as its label and knob together.
        QCOMPARE(QList<QSize>({none.size(), slider.size(), knob.size()}),
                 QList<QSize>({QSize(0, 0), QSize(24, 120), QSize(60, 60)}));

        // The button's pictures while held and after letting go: a toggle shows its pressed one exactly while checked.
        const auto pressAndRelease = [](PixButton &button) {
            QTest::mousePress(&button, Qt::LeftButton);
            const QColor held = at(button, 5, 5);
            QTest::mouseRelease(&button, Qt::LeftButton);
            return QList<QColor>({held, at(button, 5, 5)});
        };
        const auto pictures = [](const char *held, const char *after) {
            return QList<QColor>({GameData::colourOf(held), GameData::colourOf(after)});
        };
        QCOMPARE(pressAndRelease(plain), pictures("start-down.png", "hard-up.png"));
        QCOMPARE(pressAndRelease(toggle), pictures("easy-up.png", "easy-down.png"));
        QCOMPARE(pressAndRelease(toggle), pictures("easy-down.png", "easy-up.png"));

        // The handle's top: 120 - ((120 - 16) * value) / 100 - 16; every move reports, clamped or not.
        QSignalSpy moved(&slider, &MoveButton::moved), turned(&knob, &RotateButton::moved);
        const auto handleTop = [&slider] {
            for (int y = 0; y < 120; ++y)
                if (at(slider, 2, y) == GameData::colourOf("slider.png"))
                    return y;
            return -1;
        };
        const auto state = [&] { return QList<int>({slider.offset(), handleTop(), int(moved.count())}); };
        mouse(&slider, QEvent::MouseButtonPress, 60);
        QCOMPARE(state(), QList<int>({0, 52, 0})); // value 50; a press alone moves nothing
        mouse(&slider, QEvent::MouseMove, 30);
        QCOMPARE(state(), QList<int>({30, 21, 1})); // 30 up: value 80
        mouse(&slider, QEvent::MouseMove, -50);
        QCOMPARE(state(), QList<int>({50, 0, 2})); // 80 more: clamped at the top
        mouse(&slider, QEvent::MouseMove, -60);
        QCOMPARE(state(), QList<int>({50, 0, 3}));
        mouse(&slider, QEvent::MouseMove, 500);
        QCOMPARE(state(), QList<int>({-50, 104, 4})); // clamped at the bottom
        mouse(&slider, QEvent::MouseButtonRelease, 500);
        QCOMPARE(state(), QList<int>({0, 52, 5}));

        // The knob turns about its centre (20, 40), clockwise on a drag up; the label never turns.
        QCOMPARE(at(knob, 30, 30), QColor(Qt::red));
        mouse(&knob, QEvent::MouseButtonPress, 50);
        mouse(&knob, QEvent::MouseMove, -40);
        QCOMPARE(QList<int>({knob.angle(), int(turned.count())}), QList<int>({90, 1}));
        const QImage shot = knob.grab().toImage(); // a quarter turn: the red quarter is now bottom right
        QCOMPARE(QList<QColor>({shot.pixelColor(30, 50), shot.pixelColor(30, 30), shot.pixelColor(30, 5)}),
                 QList<QColor>({Qt::red, Qt::white, GameData::colourOf("x-rot.png")}));
        mouse(&knob, QEvent::MouseMove, -350);
        mouse(&knob, QEvent::MouseButtonRelease, -350);
        QCOMPARE(knob.angle(), 400); // no wrap
        // Only a left press sets where a drag measures from.
        mouse(&knob, QEvent::MouseButtonPress, 100, Qt::RightButton);
        mouse(&knob, QEvent::MouseMove, -340, Qt::RightButton);
        QCOMPARE(knob.angle(), 390); // from -350, not from 100
    }
};

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
