// ctest-labels: integration
// The main window: how it starts, when it loads, the music buttons and the
// poll that keeps the music going, and the way back from the set-up screen.
#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "screens/screen0.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QTest>

namespace {

// The window over a manager of our own, with three tracks of music.
struct Window
{
    GameData data;
    FakeAudioBackend *fake = nullptr;
    std::unique_ptr<MainWindow> window;
    QElapsedTimer clock;

    Window()
    {
        for (const char *track : {"music/a.ogg", "music/b.ogg", "music/c.ogg"})
            data.write(QLatin1String(track), "x");
        data.write(QStringLiteral("sound/sounds.xml"), "<s><sound><name>click</name><file>c.wav</file></sound></s>");
        fake = new FakeAudioBackend;
        soundManager = new SoundManager(std::unique_ptr<AudioBackend>(fake));
        clock.start();
        window = std::make_unique<MainWindow>();
        window->show();
    }
    ~Window()
    {
        window.reset();
        delete soundManager;
        soundManager = nullptr;
    }
    bool loaded() { return QTest::qWaitFor([this] { return window->screen1 != nullptr; }, 5000); }
    QString music() const { return fake->sounding(SoundMode::Stream); }
    int clicks() const { return int(fake->playedEffectFiles().size()); }
    QColor at(QPoint p) { return window->grab().toImage().pixelColor(p); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startsFullScreenAndBlackWithTheLoadingScreenCentred();
    void musicButtonsStandAtTheLeftAndTheMusicIsPolledEverySecond();
    void backAndEscapeLeaveTheSetUpScreenAndItsKeyboard();
};

void TestMainWindow::startsFullScreenAndBlackWithTheLoadingScreenCentred()
{
    Window w;
    MainWindow &window = *w.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.windowState() & Qt::WindowFullScreen);
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(window.size(), screen);
    // 300 x 120 centred with truncating division; 1023 x 767 would give odd halves.
    QCOMPARE(window.screen0->geometry(), QRect((screen.width() - 300) / 2, (screen.height() - 120) / 2, 300, 120));
    QCOMPARE(MainWindow::centredPosition(QSize(1023, 767), QSize(300, 200)), QPoint(361, 283));
    QCOMPARE(w.at(window.screen0->geometry().center()), GameData::colourOf("loading.png"));
    QCOMPARE(w.at(QPoint(20, 20)), QColor(Qt::black)); // no logo yet
    QVERIFY(!window.screen1 && !window.playButton);

    // A second after construction: the menu, centred, and the logo in the corner.
    QVERIFY(w.loaded());
    QVERIFY(w.clock.elapsed() >= 1000);
    QVERIFY(window.screen0->isHidden() && window.screen1->isVisible() && window.screen2->isHidden());
    QCOMPARE(window.screen1->pos(), QPoint((screen.width() - 440) / 2, (screen.height() - 180) / 2));
    QCOMPARE(window.screen2->pos(), QPoint((screen.width() - 800) / 2, (screen.height() - 600) / 2));
    QCOMPARE(w.at(QPoint(10, 10)), GameData::colourOf("logo.png"));
    QCOMPARE(w.at(QPoint(9, 9)), QColor(Qt::black));
}

void TestMainWindow::musicButtonsStandAtTheLeftAndTheMusicIsPolledEverySecond()
{
    Window w;
    MainWindow &window = *w.window;
    soundManager->playMusic(); // a.ogg, now free to move on
    w.fake->finishMusic();
    QVERIFY(w.loaded());
    QCOMPARE(w.music(), QStringLiteral("music/b.ogg")); // the poll in load() itself
    // Previous, play, stop, next from the top, 10 apart, play's top at half the height.
    const int half = window.height() / 2;
    const struct
    {
        PixButton *button;
        QRect place;
        const char *picture;
        QString after;
    } buttons[] = {
        {window.prevButton, QRect(10, half - 46, 46, 36), "prev", "music/a.ogg"},
        {window.playButton, QRect(10, half, 40, 30), "play", "music/a.ogg"},
        {window.nextButton, QRect(10, half + 82, 44, 34), "next", "music/b.ogg"},
        {window.stopButton, QRect(10, half + 40, 42, 32), "stop", ""},
    };
    const int clicks = w.clicks();
    for (const auto &b : buttons) {
        QCOMPARE(b.button->geometry(), b.place);
        const QPoint inside = b.place.topLeft() + QPoint(2, 2);
        QCOMPARE(w.at(inside), GameData::colourOf(QLatin1String(b.picture) + ".png"));
        QTest::mousePress(b.button, Qt::LeftButton);
        QCOMPARE(w.at(inside), GameData::colourOf(QLatin1String(b.picture) + "-down.png"));
        QTest::mouseRelease(b.button, Qt::LeftButton);
        QCOMPARE(w.music(), b.after);
    }
    QCOMPARE(w.clicks(), clicks); // the music buttons make no click
    // Once a second the poll moves on from a track that has ended.
    QTest::mouseClick(window.playButton, Qt::LeftButton);
    for (const char *next : {"music/c.ogg", "music/a.ogg"}) {
        w.fake->finishMusic();
        QTRY_COMPARE_WITH_TIMEOUT(w.music(), QLatin1String(next), 2500);
    }
}

void TestMainWindow::backAndEscapeLeaveTheSetUpScreenAndItsKeyboard()
{
    Window w;
    MainWindow &window = *w.window;
    QVERIFY(w.loaded());
    for (bool escape : {false, true}) {
        int clicks = w.clicks();
        QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
        QVERIFY(window.screen1->isHidden() && window.screen2->isVisible());
        QCOMPARE(QWidget::keyboardGrabber(), window.screen2);
        QCOMPARE(w.clicks(), ++clicks);
        if (escape)
            QTest::keyClick(window.screen2, Qt::Key_Escape); // the window's click and the key's
        else
            QTest::mouseClick(window.screen2->backButton, Qt::LeftButton);
        QVERIFY(window.screen2->isHidden() && window.screen1->isVisible());
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
        QCOMPARE(w.clicks(), clicks + (escape ? 2 : 1));
    }
    // Multi player only takes the menu away: no click, nothing in its place.
    const int clicks = w.clicks();
    QTest::mouseClick(window.screen1->multiPlayerButton, Qt::LeftButton);
    QVERIFY(window.screen1->isHidden() && window.screen2->isHidden() && !window.screensp);
    QCOMPARE(w.clicks(), clicks);
    QVERIFY(window.playButton->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
