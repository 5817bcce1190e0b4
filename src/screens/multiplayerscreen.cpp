#include "screens/multiplayerscreen.h"

#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "net/classclient.h"
#include "screens/hostscreen.h"
#include "screens/joinscreen.h"
#include "widgets/classgamescreen.h"
#include "widgets/pixbutton.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int noticeHeight = 40;

void click()
{
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
}

} // namespace

MultiPlayerScreen::MultiPlayerScreen(QWidget *parent)
    : QWidget(parent)
{
    // Laid out as the main menu: the second choice 20 pixels lower, back below.
    hostButton = new PixButton(QStringLiteral("host-up.png"), QStringLiteral("host-down.png"),
                               false, 10, 10, this);
    connect(hostButton, &PixButton::clicked, this, &MultiPlayerScreen::hostPressed);
    joinButton = new PixButton(QStringLiteral("join-up.png"), QStringLiteral("join-down.png"),
                               false, hostButton->x() + hostButton->width() + 10, 30, this);
    connect(joinButton, &PixButton::clicked, this, &MultiPlayerScreen::joinPressed);
    backButton = new PixButton(QStringLiteral("back-up.png"), QStringLiteral("back-down.png"),
                               false, 10, joinButton->y() + joinButton->height() + 10, this);
    connect(backButton, &PixButton::clicked, this, &MultiPlayerScreen::backPressed);
    setGeometry(0, 0, joinButton->x() + joinButton->width(),
                backButton->y() + backButton->height() + noticeHeight);
    setFocusPolicy(Qt::StrongFocus);
    hide();
}

void MultiPlayerScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));
    painter.setPen(QColor(255, 255, 255, 255));
    painter.setFont(QFont(QStringLiteral("Sans"), 14));
    painter.drawText(QRect(10, height() - noticeHeight, width() - 20, noticeHeight),
                     Qt::AlignCenter, notice);
}

void MultiPlayerScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        backPressed();
    else
        QWidget::keyPressEvent(event);
}

void MultiPlayerScreen::showEvent(QShowEvent *)
{
    setFocus();
}

void MultiPlayerScreen::hostPressed()
{
    click();
    notice.clear();
    hide();
    hostScreen = new HostScreen(parentWidget());
    centre(hostScreen);
    connect(hostScreen, &HostScreen::goBack, this, [this] { backHere(hostScreen); });
    hostScreen->show();
}

void MultiPlayerScreen::joinPressed()
{
    click();
    notice.clear();
    hide();
    joinScreen = new JoinScreen(parentWidget());
    centre(joinScreen);
    connect(joinScreen, &JoinScreen::goBack, this, [this] { backHere(joinScreen); });
    connect(joinScreen, &JoinScreen::gameReady, this, &MultiPlayerScreen::play);
    joinScreen->show();
}

void MultiPlayerScreen::backPressed()
{
    click();
    hide();
    emit goBack();
}

void MultiPlayerScreen::backHere(QWidget *screen)
{
    click();
    // Called from the screen's own button: it goes once that click is over.
    screen->hide();
    screen->deleteLater();
    show();
}

void MultiPlayerScreen::play(ClassClient *client)
{
    gameScreen = new ClassGameScreen(parentWidget(), client);
    connect(gameScreen, &ClassGameScreen::exitClicked, this, [this] { leaveGame(QString()); });
    connect(gameScreen, &ClassGameScreen::hostLost, this, &MultiPlayerScreen::leaveGame);
    joinScreen->hide();
    joinScreen->deleteLater();
    gameScreen->show();
    emit gameShown(gameScreen);
}

void MultiPlayerScreen::leaveGame(const QString &why)
{
    click();
    gameScreen->hide();
    // The music buttons go back to the window before the screen goes.
    emit gameHidden();
    gameScreen->deleteLater();
    if (why.isEmpty()) {
        emit goBack();
        return;
    }
    notice = QStringLiteral("The class game has ended: %1").arg(why);
    show();
    update();
}

void MultiPlayerScreen::centre(QWidget *screen)
{
    screen->move(MainWindow::centredPosition(parentWidget()->size(), screen->size()));
}
