#include "screens/hostscreen.h"

#include "audio/soundmanager.h"
#include "screens/setchooser.h"
#include "widgets/pixbutton.h"

#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QNetworkInterface>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QColor white(255, 255, 255, 255);
const QColor dim(150, 160, 165);
const QColor gold(244, 176, 82);
const char *const levels[] = {"", "Easy", "Medium", "Hard"};
constexpr int rowsPerColumn = 20;

void click()
{
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
}

QFont sans(int points, bool bold = false)
{
    return QFont(QStringLiteral("Sans"), points, bold ? QFont::Bold : QFont::Normal);
}

// The addresses a student can type: the one the game listens on, or this
// machine's, at most three.
QString addresses(const QHostAddress &listening)
{
    if (listening != QHostAddress::Any && listening != QHostAddress::AnyIPv4
        && listening != QHostAddress::AnyIPv6)
        return listening.toString();
    QStringList found;
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && found.size() < 3)
            found << a.toString();
    return found.isEmpty() ? QStringLiteral("this computer's address")
                           : found.join(QStringLiteral(", "));
}

} // namespace

HostScreen::HostScreen(QWidget *parent)
    : QWidget(parent)
{
    setGeometry(0, 0, 800, 600);
    setFocusPolicy(Qt::StrongFocus);
    heading = QPixmap(QStringLiteral("hostgame.png"));
    difficultyPicture = QPixmap(QStringLiteral("difficulty.png"));
    setPicture = QPixmap(QStringLiteral("set.png"));

    QSettings settings;
    settings.beginGroup(QStringLiteral("multiplayer"));
    options.port =
        protocol::portSetting(settings.value(QStringLiteral("port")), protocol::defaultGamePort);
    options.beaconPort = protocol::portSetting(settings.value(QStringLiteral("discoveryPort")),
                                               protocol::defaultBeaconPort);
    const int stored = settings.value(QStringLiteral("difficulty"), 1).toInt();
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    reportFolder =
        (documents.isEmpty() ? QDir::homePath() : documents) + QStringLiteral("/Torvane");

    // The set-up screen's difficulty row and chooser, under the heading.
    const int difficultyTop = 20 + heading.height() + 10;
    easyButton = new PixButton(QStringLiteral("easy-up.png"), QStringLiteral("easy-down.png"), true,
                               100, difficultyTop + difficultyPicture.height() + 10, this);
    connect(easyButton, &PixButton::clicked, this, [this] { select(1); });
    mediumButton =
        new PixButton(QStringLiteral("medium-up.png"), QStringLiteral("medium-down.png"), true,
                      easyButton->x() + easyButton->width() + 100, easyButton->y(), this);
    connect(mediumButton, &PixButton::clicked, this, [this] { select(2); });
    hardButton =
        new PixButton(QStringLiteral("hard-up.png"), QStringLiteral("hard-down.png"), true,
                      mediumButton->x() + mediumButton->width() + 100, easyButton->y(), this);
    connect(hardButton, &PixButton::clicked, this, [this] { select(3); });
    chooser = new SetChooser(this);
    chooser->move(10, hardButton->y() + hardButton->height() + 20 + setPicture.height() + 10);

    backButton = new PixButton(QStringLiteral("back-up.png"), QStringLiteral("back-down.png"),
                               false, 10, 0, this);
    backButton->move(10, height() - backButton->height() - 10);
    connect(backButton, &PixButton::clicked, this, &HostScreen::backPressed);
    const auto rightButton = [this](const char *name, void (HostScreen::*slot)()) {
        auto *button = new PixButton(QStringLiteral("%1-up.png").arg(QLatin1String(name)),
                                     QStringLiteral("%1-down.png").arg(QLatin1String(name)), false,
                                     0, 0, this);
        button->move(width() - button->width() - 10, backButton->y());
        connect(button, &PixButton::clicked, this, slot);
        return button;
    };
    openButton = rightButton("open", &HostScreen::openGame);
    startButton = rightButton("start", &HostScreen::startGame);
    endButton = rightButton("end", &HostScreen::endPressed);

    clockTimer.setInterval(1000);
    connect(&clockTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    select(stored == 2 || stored == 3 ? stored : 1);
    showStep(Step::Setup);
    hide();
}

HostScreen::~HostScreen()
{
    // The report of a game left before its end is not lost.
    if (host && step == Step::Playing)
        host->writeReport(reportFileName(), nullptr);
}

QString HostScreen::reportFileName() const
{
    const QString set = host ? host->set().id : QStringLiteral("class");
    return QStringLiteral("%1/class-%2-%3.csv")
        .arg(reportFolder, set,
             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

void HostScreen::select(int level)
{
    click();
    difficulty = level;
    easyButton->setChecked(level == 1);
    mediumButton->setChecked(level == 2);
    hardButton->setChecked(level == 3);
    QSettings().setValue(QStringLiteral("multiplayer/difficulty"), level);
}

void HostScreen::showStep(Step next)
{
    step = next;
    for (QWidget *w : {static_cast<QWidget *>(easyButton), static_cast<QWidget *>(mediumButton),
                       static_cast<QWidget *>(hardButton), static_cast<QWidget *>(chooser),
                       static_cast<QWidget *>(openButton)})
        w->setVisible(step == Step::Setup);
    startButton->setVisible(step == Step::Lobby);
    endButton->setVisible(step == Step::Playing);
    if (step == Step::Playing)
        clockTimer.start();
    else
        clockTimer.stop();
    update();
}

void HostScreen::openGame()
{
    click();
    const QDomDocument *chosen = chooser->currentDocument();
    if (!chosen) {
        status = QStringLiteral("There is no puzzle set to share.");
        update();
        return;
    }
    QString why;
    const auto set =
        SetBundle::read(QStringLiteral("."), chooser->entries.at(chooser->selected).id, &why);
    if (!set) {
        status = QStringLiteral("This set cannot be shared: %1.").arg(why);
        update();
        return;
    }
    options.difficulty = difficulty;
    auto *opened = new ClassHost(*set, options, this);
    if (!opened->listen(&why)) {
        delete opened;
        status = QStringLiteral("The game cannot be opened: %1.").arg(why);
        update();
        return;
    }
    host = opened;
    status.clear();
    connect(host, &ClassHost::changed, this, qOverload<>(&QWidget::update));
    connect(host, &ClassHost::finished, this, &HostScreen::finishGame);
    showStep(Step::Lobby);
}

void HostScreen::startGame()
{
    click();
    host->start();
    showStep(Step::Playing);
}

void HostScreen::endPressed()
{
    click();
    host->end(); // its finished() brings the podium
}

void HostScreen::finishGame()
{
    if (step == Step::Podium)
        return;
    QString why;
    QDir().mkpath(reportFolder);
    const QString path = reportFileName();
    if (host->writeReport(path, &why)) {
        reportPath = path;
        status = QStringLiteral("Report for a spreadsheet: %1").arg(path);
    } else {
        status = QStringLiteral("The report could not be written to %1: %2").arg(path, why);
    }
    showStep(Step::Podium);
}

void HostScreen::backPressed()
{
    emit goBack();
}

void HostScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        backPressed();
    else
        QWidget::keyPressEvent(event);
}

void HostScreen::showEvent(QShowEvent *)
{
    setFocus();
}

QRect HostScreen::statusRect() const
{
    return QRect(10, backButton->y() - 34, width() - 20, 28);
}

void HostScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));
    painter.drawPixmap(400 - heading.width() / 2, 10, heading);
    painter.setPen(white);
    switch (step) {
    case Step::Setup:
        painter.drawPixmap(400 - difficultyPicture.width() / 2, 20 + heading.height() + 10,
                           difficultyPicture);
        painter.drawPixmap(400 - setPicture.width() / 2,
                           hardButton->y() + hardButton->height() + 20, setPicture);
        break;
    case Step::Lobby:
        paintLobby(painter);
        break;
    case Step::Playing:
        paintGrid(painter);
        break;
    case Step::Podium:
        paintPodium(painter);
        break;
    }
    painter.setPen(white);
    painter.setFont(sans(11));
    painter.drawText(statusRect(), Qt::AlignCenter | Qt::TextWordWrap, status);
}

void HostScreen::paintLobby(QPainter &painter)
{
    const int top = 20 + heading.height();
    painter.setFont(sans(14));
    painter.drawText(QRect(0, top, 800, 30), Qt::AlignCenter, QStringLiteral("The game's code"));
    painter.setFont(sans(80, true));
    painter.setPen(gold);
    painter.drawText(QRect(0, top + 30, 800, 130), Qt::AlignCenter, host->code());
    painter.setPen(white);
    painter.setFont(sans(14));
    painter.drawText(QRect(0, top + 165, 800, 60), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("%1  ·  %2\nJoin a game: %3, port %4")
                         .arg(host->set().name, QLatin1String(levels[host->difficulty()]),
                              addresses(options.address))
                         .arg(host->port()));
    const QStringList players = host->playerNames();
    painter.setFont(sans(16, true));
    painter.drawText(QRect(10, top + 235, 780, 30), Qt::AlignLeft,
                     QStringLiteral("Players: %1").arg(players.size()));
    painter.setFont(sans(14));
    painter.drawText(QRect(10, top + 270, 780, statusRect().top() - top - 275),
                     Qt::AlignLeft | Qt::TextWordWrap,
                     players.isEmpty() ? QStringLiteral("Waiting for the first student...")
                                       : players.join(QStringLiteral(",  ")));
}

void HostScreen::paintGrid(QPainter &painter)
{
    const QList<Standing> standings = host->standings();
    const int finished = int(std::count_if(standings.begin(), standings.end(),
                                           [](const Standing &s) { return s.finished; }));
    const int top = 20 + heading.height();
    painter.setFont(sans(13, true));
    painter.drawText(
        QRect(10, top, 780, 24), Qt::AlignLeft,
        QStringLiteral("%1  ·  code %2  ·  time %3")
            .arg(host->set().name, host->code(), ClassHost::formatTime(host->clock())));
    painter.drawText(QRect(10, top, 780, 24), Qt::AlignRight,
                     QStringLiteral("%1 players, %2 finished").arg(standings.size()).arg(finished));

    // Up to twenty rows a column, as many columns as it takes.
    const int columns = qBound(1, int((standings.size() + rowsPerColumn - 1) / rowsPerColumn), 5);
    const int width = 780 / columns;
    const int rowHeight = 19;
    const int gridTop = top + 32;
    const int points = columns <= 2 ? 11 : 8;
    // Shares of a column: place, name, progress, misses, time.
    const double shares[] = {0.09, 0.37, 0.24, 0.12, 0.18};
    const auto cells = [&](int column, int row) {
        QList<QRect> list;
        double x = 10 + column * width;
        for (double share : shares) {
            list << QRect(int(x), gridTop + row * rowHeight, int(width * share) - 4, rowHeight);
            x += width * share;
        }
        return list;
    };
    for (int column = 0; column < columns; ++column) {
        painter.setPen(dim);
        painter.setFont(sans(points, true));
        const QList<QRect> head = cells(column, 0);
        const char *titles[] = {"#", "Name", "Progress", "Misses", "Time"};
        for (int i = 0; i < 5; ++i)
            painter.drawText(head[i], Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(titles[i]));
    }
    painter.setFont(sans(points));
    for (int i = 0; i < standings.size() && i < rowsPerColumn * columns; ++i) {
        const Standing &s = standings.at(i);
        const QList<QRect> c = cells(i / rowsPerColumn, i % rowsPerColumn + 1);
        painter.setPen(s.finished ? gold : s.connected ? white : dim);
        painter.drawText(c[0], Qt::AlignLeft | Qt::AlignVCenter, QString::number(s.place));
        painter.drawText(c[1], Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(s.name, Qt::ElideRight, c[1].width()));
        const QRect bar = c[2].adjusted(
            0, 5, -painter.fontMetrics().horizontalAdvance(QStringLiteral("100% ")), -5);
        painter.fillRect(bar, QColor(30, 60, 66));
        painter.fillRect(QRect(bar.topLeft(), QSize(bar.width() * s.progress / 100, bar.height())),
                         s.finished ? gold : QColor(44, 160, 170));
        painter.drawText(c[2], Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1%").arg(s.progress));
        painter.drawText(c[3], Qt::AlignLeft | Qt::AlignVCenter, QString::number(s.misses));
        painter.drawText(c[4], Qt::AlignLeft | Qt::AlignVCenter, ClassHost::formatTime(s.timeMs));
    }
    QStringList missed;
    for (const auto &[name, count] : host->mostMissed(3))
        missed << QStringLiteral("%1 %2").arg(name).arg(count);
    painter.setPen(white);
    painter.setFont(sans(13, true));
    painter.drawText(QRect(10, statusRect().top() - 30, 780, 26), Qt::AlignLeft,
                     QStringLiteral("Missed most: %1")
                         .arg(missed.isEmpty() ? QStringLiteral("nothing yet")
                                               : missed.join(QStringLiteral(",  "))));
}

void HostScreen::paintPodium(QPainter &painter)
{
    const QList<Standing> standings = host->standings();
    const int top = 20 + heading.height();
    const int ground = top + 230;
    // Second, first and third, left to right; the first stands highest.
    const struct
    {
        int place, x, height;
        QColor colour;
    } blocks[] = {{2, 190, 110, QColor(190, 200, 205)},
                  {1, 330, 150, gold},
                  {3, 470, 80, QColor(190, 120, 60)}};
    for (const auto &block : blocks) {
        if (block.place > standings.size())
            continue;
        const Standing &s = standings.at(block.place - 1);
        const QRect box(block.x, ground - block.height, 140, block.height);
        painter.fillRect(box, block.colour);
        painter.setPen(QColor(20, 20, 20));
        painter.setFont(sans(30, true));
        painter.drawText(box.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(block.place));
        painter.setFont(sans(12, true));
        painter.drawText(box.adjusted(0, 0, 0, -8), Qt::AlignHCenter | Qt::AlignBottom,
                         s.finished ? ClassHost::formatTime(s.timeMs)
                                    : QStringLiteral("%1%").arg(s.progress));
        painter.setPen(white);
        painter.setFont(sans(14, true));
        painter.drawText(QRect(box.x() - 20, box.y() - 30, 180, 28), Qt::AlignCenter,
                         painter.fontMetrics().elidedText(s.name, Qt::ElideRight, 180));
    }
    // Everyone, in up to three even columns under the podium.
    painter.setFont(sans(11));
    const int room = qMax(1, (statusRect().top() - ground - 20) / 18);
    const int columns = qBound(1, int((standings.size() + room - 1) / room), 3);
    const int rows = qMin(room, int((standings.size() + columns - 1) / columns));
    const int left = 10 + (780 - columns * 260) / 2;
    for (int i = 0; i < standings.size() && i < rows * columns; ++i) {
        const Standing &s = standings.at(i);
        painter.setPen(s.finished ? white : dim);
        const QString line = QStringLiteral("%1. %2  %3")
                                 .arg(s.place)
                                 .arg(s.name, s.finished ? ClassHost::formatTime(s.timeMs)
                                                         : QStringLiteral("%1%").arg(s.progress));
        painter.drawText(QRect(left + i / rows * 260, ground + 14 + i % rows * 18, 250, 18),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(line, Qt::ElideRight, 250));
    }
}
