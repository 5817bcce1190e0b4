#include "screens/screen2.h"

#include "audio/soundmanager.h"
#include "game/difficulty.h"
#include "game/difficultytext.h"
#include "screens/setchooser.h"
#include "screens/studypanel.h"
#include "widgets/pixbutton.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

void click()
{
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
}

} // namespace

Screen2::Screen2(QWidget *parent)
    : QWidget(parent)
{
    setGeometry(0, 0, 800, 600);
    difficultyPicture = QPixmap(QStringLiteral("difficulty.png"));
    namePicture = QPixmap(QStringLiteral("name.png"));
    setPicture = QPixmap(QStringLiteral("set.png"));

    easyButton = new PixButton(QStringLiteral("easy-up.png"), QStringLiteral("easy-down.png"), true,
                               100, 180, this);
    connect(easyButton, &PixButton::clicked, this, &Screen2::easySelected);
    mediumButton = new PixButton(QStringLiteral("medium-up.png"), QStringLiteral("medium-down.png"),
                                 true, easyButton->x() + easyButton->width() + 100, 180, this);
    connect(mediumButton, &PixButton::clicked, this, &Screen2::mediumSelected);
    hardButton = new PixButton(QStringLiteral("hard-up.png"), QStringLiteral("hard-down.png"), true,
                               mediumButton->x() + mediumButton->width() + 100, 180, this);
    connect(hardButton, &PixButton::clicked, this, &Screen2::hardSelected);

    chooser = new SetChooser(this);
    chooser->move(10, easyButton->y() + easyButton->height() + 140);

    backButton = new PixButton(QStringLiteral("back-up.png"), QStringLiteral("back-down.png"),
                               false, 10, chooser->y() + chooser->height() + 50, this);
    connect(backButton, &PixButton::clicked, this, &Screen2::backSelected);
    startButton = new PixButton(QStringLiteral("start-up.png"), QStringLiteral("start-down.png"),
                                false, 0, 0, this);
    startButton->move(width() - startButton->width() - 10, backButton->y());
    connect(startButton, &PixButton::clicked, this, &Screen2::startSelected);
    study = new StudyPanel(this);

    difficulty = settings.difficulty();
    name = settings.name();
    // Selecting writes the value back, so an unknown stored value becomes 1.
    switch (offeredDifficulty(difficulty)) {
    case Difficulty::Medium:
        mediumSelected();
        break;
    case Difficulty::Hard:
        hardSelected();
        break;
    case Difficulty::Easy:
        easySelected();
        break;
    }
    hide();
}

QDomDocument *Screen2::selectedSet() const
{
    return chooser->currentDocument();
}

void Screen2::select(int level)
{
    click();
    difficulty = level;
    // A toggle flips itself before clicked(); setting all three keeps exactly
    // one checked, also when the checked one is clicked again.
    easyButton->setChecked(level == 1);
    mediumButton->setChecked(level == 2);
    hardButton->setChecked(level == 3);
    settings.setDifficulty(level);
    update(); // the line of what it gives
}

void Screen2::easySelected()
{
    select(storedValue(Difficulty::Easy));
}

void Screen2::mediumSelected()
{
    select(storedValue(Difficulty::Medium));
}

void Screen2::hardSelected()
{
    select(storedValue(Difficulty::Hard));
}

void Screen2::startSelected()
{
    emit startGame();
}

void Screen2::backSelected()
{
    emit goBack();
}

void Screen2::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
        name.chop(1);
        break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        emit startGame();
        break;
    case Qt::Key_Escape:
        emit goBack();
        break;
    // The arrows carry no text: they choose the set beside the chosen one.
    case Qt::Key_Left:
        chooser->choose(chooser->selected - 1);
        break;
    case Qt::Key_Right:
        chooser->choose(chooser->selected + 1);
        break;
    default:
        name += event->text();
        break;
    }
    // Every key, including the three above, clicks and stores the name.
    click();
    settings.setName(name);
    repaint();
}

bool Screen2::event(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::event(event);
    if (!isVisible()) {
        event->ignore();
        return false;
    }
    // Qt would move the focus on Tab before the key reached keyPressEvent.
    // Leaving focusNextPrevChild alone keeps hide() able to move the focus
    // off this screen's children, so that no key finds them while hidden.
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Tab && key != Qt::Key_Backtab)
        return QWidget::event(event);
    keyPressEvent(static_cast<QKeyEvent *>(event));
    return true;
}

void Screen2::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));
    painter.setPen(QColor(255, 255, 255, 255));
    painter.setFont(QFont(QStringLiteral("Sans"), 20, QFont::Thin, false));
    painter.drawPixmap(100, 40, namePicture);
    // The bar stands for the text cursor.
    painter.drawText(QRect(200, 40, 780, 40), Qt::AlignLeft, name + QLatin1Char('|'));
    painter.drawPixmap(400 - difficultyPicture.width() / 2, 120, difficultyPicture);
    painter.drawPixmap(400 - setPicture.width() / 2, hardButton->y() + hardButton->height() + 60,
                       setPicture);
    // What the chosen difficulty gives, in the gap under its buttons.
    painter.setPen(QColor(200, 200, 200));
    painter.setFont(QFont(QStringLiteral("Sans"), 13));
    painter.drawText(QRect(0, hardButton->y() + hardButton->height() + 12, 800, 30),
                     Qt::AlignHCenter | Qt::AlignTop, whatItGives(offeredDifficulty(difficulty)));
}
