#include "widgets/singleplayerscreen.h"

#include "game/cardseen.h"
#include "game/difficulty.h"
#include "game/gameengine.h"
#include "view/glengine.h"
#include "widgets/movebutton.h"
#include "widgets/pixbutton.h"
#include "widgets/rotatebutton.h"

#include <QKeyEvent>
#include <QPainter>

SinglePlayerScreen::SinglePlayerScreen(QWidget *parent, QDomDocument *set)
    : QWidget(parent)
{
    setGeometry(0, 0, parent->width(), parent->height());
    const int W = width();
    const int H = height();

    difficulty = settings.difficulty();
    playerName = titleOf(playedDifficulty(difficulty)) + settings.name();

    exitButton = new PixButton(QStringLiteral("mainmenu-up.png"),
                               QStringLiteral("mainmenu-down.png"), false, 10, 10, this);
    exitButton->move(10, H - exitButton->height() - 10);
    connect(exitButton, &PixButton::clicked, this, &SinglePlayerScreen::exitPressed);

    xRotButton =
        new RotateButton(QStringLiteral("x-rot.png"), QStringLiteral("rotation.png"), 10, 10, this);
    xRotButton->move(W - xRotButton->width() - 10, H - xRotButton->height() - 10);
    connect(xRotButton, &RotateButton::moved, this, &SinglePlayerScreen::xrotated);

    yRotButton =
        new RotateButton(QStringLiteral("y-rot.png"), QStringLiteral("rotation.png"), 10, 10, this);
    yRotButton->move(xRotButton->x(), xRotButton->y() - yRotButton->height() - 10);
    connect(yRotButton, &RotateButton::moved, this, &SinglePlayerScreen::yrotated);

    // The slider stands centred over the upper knob.
    zoomButton = new MoveButton(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"),
                                10, 10, this);
    zoomButton->move(yRotButton->x() + yRotButton->width() / 2 - zoomButton->width() / 2,
                     yRotButton->y() - zoomButton->height() - 10);
    connect(zoomButton, &MoveButton::moved, this, &SinglePlayerScreen::zooming);

    // Reset view and the card's "?" side by side above the slider, the
    // column's edges theirs.
    resetViewButton = new PixButton(QStringLiteral("resetview-up.png"),
                                    QStringLiteral("resetview-down.png"), false, 10, 10, this);
    resetViewButton->move(yRotButton->x(), zoomButton->y() - resetViewButton->height() - 10);
    connect(resetViewButton, &PixButton::clicked, this, &SinglePlayerScreen::resetView);
    helpButton = new PixButton(QStringLiteral("help-up.png"), QStringLiteral("help-down.png"),
                               false, 10, 10, this);
    helpButton->move(yRotButton->x() + yRotButton->width() - helpButton->width(),
                     resetViewButton->y());
    connect(helpButton, &PixButton::clicked, this, &SinglePlayerScreen::showCard);
    setFocusPolicy(Qt::StrongFocus);

    logo = QPixmap(QStringLiteral("logo.png"));

    engine = new GameEngine(set);
    connect(engine, &GameEngine::changed, this, qOverload<>(&QWidget::update));

    view = new GLEngine(this, engine);
    // Of the screen only the display can change with a frame, the view
    // drawing itself into its own window; and the display only when its
    // text does, once a second while the clock runs.
    connect(view, &GLEngine::newTime, this, [this] {
        const int time = engine->gameWon ? shownTime : playTime();
        if (statusText(playerName, engine->progress(), time) != paintedText)
            update(displayRect());
    });
    view->setDifficulty(playedDifficulty(difficulty));
    // The report at the win gives the time the display stops at.
    connect(engine, &GameEngine::won, this, [this] { view->setWinTime(shownTime); });
    view->setGeometry(exitButton->width() + 20, logo.height() + 20,
                      yRotButton->x() - exitButton->width() - 40, H - logo.height() - 20);

    hide();
    shownTime = 0;
}

SinglePlayerScreen::~SinglePlayerScreen()
{
    // The view releases its GL objects, the pieces' among them, while the
    // engine's records still exist.
    delete view;
    view = nullptr;
    delete engine;
}

QString SinglePlayerScreen::statusText(const QString &playerName, int progress, int milliseconds)
{
    const int minutes = milliseconds / 60000;
    const int seconds = (milliseconds / 1000) % 60;
    const QLatin1Char zero('0');
    // One pass over the format: markers inside the name are not substituted.
    return QStringLiteral("%1\nProgress: %2%\nTime elapsed: %3:%4")
        .arg(playerName, QString::number(progress), QStringLiteral("%1").arg(minutes, 2, 10, zero),
             QStringLiteral("%1").arg(seconds, 2, 10, zero));
}

void SinglePlayerScreen::paintEvent(QPaintEvent *)
{
    // The clock stops at the last reading before the win.
    if (!engine->gameWon)
        shownTime = playTime();

    QPainter painter(this);
    painter.fillRect(rect(), QBrush(QColor(0, 0, 0, 255), Qt::SolidPattern));
    painter.drawPixmap(10, 10, logo);
    painter.setPen(QColor(255, 255, 255, 255));
    painter.setFont(QFont(QStringLiteral("Sans"), 20, QFont::Thin, false));
    paintedText = statusText(playerName, engine->progress(), shownTime);
    painter.drawText(displayRect(), Qt::AlignLeft, paintedText);
}

int SinglePlayerScreen::playTime() const
{
    return view->elapsed();
}

QRect SinglePlayerScreen::displayRect() const
{
    return QRect(logo.width() + 60, 20, width() - logo.width() + 100, logo.height() + 10);
}

void SinglePlayerScreen::exitPressed()
{
    emit exitClicked();
}

void SinglePlayerScreen::xrotated()
{
    view->setTurn(float(xRotButton->angle()));
}

void SinglePlayerScreen::yrotated()
{
    view->setTilt(float(yRotButton->angle()));
}

void SinglePlayerScreen::zooming()
{
    view->setZoomSpeed(float(zoomButton->offset()));
}

void SinglePlayerScreen::resetView()
{
    // The knobs start from 0 again, so their first touch jumps as at the
    // start of a game.
    xRotButton->resetAngle();
    yRotButton->resetAngle();
    view->resetView();
}

void SinglePlayerScreen::showCard()
{
    view->showCard();
    // For the Escape that puts it away.
    setFocus();
}

void SinglePlayerScreen::showCardIfNew()
{
    if (cardseen::seenBy(settings.name()))
        return;
    cardseen::markSeen(settings.name());
    showCard();
}

void SinglePlayerScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        view->closeCard();
}

void SinglePlayerScreen::mousePressEvent(QMouseEvent *)
{
    view->closeCard();
}
