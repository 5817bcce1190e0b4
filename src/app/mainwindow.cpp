#include "app/mainwindow.h"

#include "audio/soundmanager.h"
#include "screens/multiplayerscreen.h"
#include "screens/screen0.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "widgets/gamestudy.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {

void click()
{
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
}

} // namespace

MainWindow::MainWindow()
    : QMainWindow(nullptr)
{
    setWindowState(Qt::WindowMaximized | Qt::WindowFullScreen);
    setWindowFlags(Qt::WindowStaysOnTopHint);
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        setGeometry(primary->geometry());

    QApplication::setPalette(QPalette(QColor(0, 0, 0, 255)));
    QCoreApplication::setOrganizationName(QStringLiteral("Vexa"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("vexa.games"));
    QCoreApplication::setApplicationName(QStringLiteral("Torvane"));

    screen0 = new Screen0(this);
    centre(screen0);
    screen0->show();

    QTimer::singleShot(1000, this, &MainWindow::load);
}

MainWindow::~MainWindow() = default;

QPoint MainWindow::centredPosition(QSize window, QSize screen)
{
    // Integer division truncates toward zero, also for a screen larger than
    // the window.
    return QPoint((window.width() - screen.width()) / 2, (window.height() - screen.height()) / 2);
}

void MainWindow::centre(QWidget *screen)
{
    screen->move(centredPosition(size(), screen->size()));
}

void MainWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QBrush(QColor(0, 0, 0, 255), Qt::SolidPattern));
    if (logo)
        painter.drawPixmap(10, 10, *logo);
}

void MainWindow::load()
{
    // A test may have installed its own manager already; there is only ever one.
    if (!soundManager)
        soundManager = new SoundManager();

    screen1 = new Screen1(this);
    centre(screen1);
    connect(screen1, &Screen1::singlePlayerClicked, this, &MainWindow::singlePlayer);
    connect(screen1, &Screen1::multiPlayerClicked, this, &MainWindow::multiPlayer);

    screen2 = new Screen2(this);
    centre(screen2);
    connect(screen2, &Screen2::startGame, this, &MainWindow::startGame);
    connect(screen2, &Screen2::goBack, this, &MainWindow::screen2_to_screen1);

    logo = std::make_unique<QPixmap>(QStringLiteral("logo.png"));

    screen0->hide();
    screen1->show();
    update();

    soundManager->pollMusic();
    QTimer::singleShot(1000, this, &MainWindow::soundUpdate);

    playButton = new PixButton(QStringLiteral("play.png"), QStringLiteral("play-down.png"), false,
                               10, height() / 2, this);
    playButton->show();
    connect(playButton, &PixButton::clicked, this, &MainWindow::playBg);

    stopButton = new PixButton(QStringLiteral("stop.png"), QStringLiteral("stop-down.png"), false,
                               10, playButton->y() + playButton->height() + 10, this);
    stopButton->show();
    connect(stopButton, &PixButton::clicked, this, &MainWindow::stopBg);

    nextButton = new PixButton(QStringLiteral("next.png"), QStringLiteral("next-down.png"), false,
                               10, stopButton->y() + stopButton->height() + 10, this);
    nextButton->show();
    connect(nextButton, &PixButton::clicked, this, &MainWindow::nextBg);

    prevButton = new PixButton(QStringLiteral("prev.png"), QStringLiteral("prev-down.png"), false,
                               10, 10, this);
    prevButton->move(10, playButton->y() - prevButton->height() - 10);
    prevButton->show();
    connect(prevButton, &PixButton::clicked, this, &MainWindow::prevBg);
}

void MainWindow::soundUpdate()
{
    soundManager->pollMusic();
    // Re-armed only after each poll, so one timer is pending at any time.
    QTimer::singleShot(1000, this, &MainWindow::soundUpdate);
}

void MainWindow::singlePlayer()
{
    screen1->hide();
    screen2->show();
    // The set-up screen takes every key as part of the player's name.
    screen2->grabKeyboard();
    click();
}

void MainWindow::multiPlayer()
{
    click();
    screen1->hide();
    if (!screenmp) {
        screenmp = new MultiPlayerScreen(this);
        centre(screenmp);
        connect(screenmp, &MultiPlayerScreen::goBack, this, &MainWindow::screenmp_to_screen1);
        // A student's game screen covers the window as the single-player one does.
        connect(screenmp, &MultiPlayerScreen::gameShown, this, &MainWindow::moveMusicButtonsTo);
        connect(screenmp, &MultiPlayerScreen::gameHidden, this,
                [this] { moveMusicButtonsTo(this); });
    }
    screenmp->show();
}

void MainWindow::screenmp_to_screen1()
{
    // The multi-player screens click for themselves.
    screen1->show();
}

void MainWindow::startGame()
{
    // Only from the set-up screen, and one game at a time: a start that
    // comes any other way (a key that reached the hidden set-up screen)
    // would build a second game over the first.
    if (screensp || screen2->isHidden())
        return;
    click();
    screen2->hide();
    screen2->releaseKeyboard();
    screen0->show();
    screensp = new SinglePlayerScreen(this, screen2->selectedSet());
    connect(screensp, &SinglePlayerScreen::exitClicked, this, &MainWindow::screensp_to_screen1);
    const SetChooser &sets = *screen2->chooser;
    const bool chosen = sets.selected >= 0 && sets.selected < sets.entries.size();
    new GameStudy(screensp, playedDifficulty(screensp->difficulty), screen2->name,
                  chosen ? sets.entries[sets.selected].id : QString(),
                  chosen ? sets.entries[sets.selected].name : QString());
    screen0->hide();
    screensp->show();
    moveMusicButtonsTo(screensp);
    screensp->showCardIfNew();
}

void MainWindow::screen2_to_screen1()
{
    if (screen2->isHidden())
        return;
    click();
    screen2->hide();
    screen2->releaseKeyboard();
    screen1->show();
}

void MainWindow::screensp_to_screen1()
{
    // A second exit before the event loop has deleted the game finds none.
    if (!screensp)
        return;
    click();
    screensp->hide();
    // Take the buttons back first, or they would go down with the game screen.
    moveMusicButtonsTo(this);
    // We are inside the delivery of the game screen's own signal, coming from
    // a click on its exit button: let the event loop delete it afterwards.
    screensp->deleteLater();
    screensp = nullptr;
    screen1->show();
}

void MainWindow::moveMusicButtonsTo(QWidget *parent)
{
    // Changing the parent hides a widget; the game screen sits at the
    // window's origin, so the buttons keep their place on screen.
    for (PixButton *button : {playButton, stopButton, prevButton, nextButton}) {
        button->setParent(parent);
        button->show();
    }
}

void MainWindow::playBg()
{
    soundManager->playMusic();
}

void MainWindow::nextBg()
{
    soundManager->nextTrack();
}

void MainWindow::prevBg()
{
    soundManager->previousTrack();
}

void MainWindow::stopBg()
{
    soundManager->stopMusic();
}
