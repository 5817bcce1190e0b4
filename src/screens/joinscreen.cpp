#include "screens/joinscreen.h"

#include "audio/soundmanager.h"
#include "net/classclient.h"
#include "widgets/pixbutton.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>

namespace {

constexpr int listRows = 6;
constexpr int rowHeight = 28;
const QColor white(255, 255, 255, 255);
const QColor bone(236, 226, 196);

void click()
{
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
}

QFont sans(int points, bool bold = false)
{
    return QFont(QStringLiteral("Sans"), points, bold ? QFont::Bold : QFont::Normal);
}

} // namespace

JoinScreen::JoinScreen(QWidget *parent)
    : QWidget(parent)
{
    setGeometry(0, 0, 800, 600);
    heading = QPixmap(QStringLiteral("joingame.png"));

    QSettings settings;
    gamePort = protocol::portSetting(settings.value(QStringLiteral("multiplayer/port")),
                                     protocol::defaultGamePort);
    finder = new GameFinder(this);
    const quint16 beaconPort = protocol::portSetting(
        settings.value(QStringLiteral("multiplayer/discoveryPort")), protocol::defaultBeaconPort);
    if (!finder->listen(beaconPort))
        status = QStringLiteral(
                     "Games on this network cannot be heard (port %1 is taken): type the address.")
                     .arg(beaconPort);
    connect(finder, &GameFinder::changed, this, qOverload<>(&QWidget::update));

    // The fields in the colours of the picture buttons: bone on dark teal.
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(6, 30, 36));
    palette.setColor(QPalette::Text, bone);
    palette.setColor(QPalette::Highlight, QColor(44, 132, 140));
    const auto field = [&](int row, const QString &text) {
        auto *edit = new QLineEdit(text, this);
        edit->setGeometry(260, listRect().bottom() + 24 + row * 48, 440, 36);
        edit->setFont(sans(16));
        edit->setPalette(palette);
        connect(edit, &QLineEdit::returnPressed, this, &JoinScreen::joinPressed);
        return edit;
    };
    addressEdit = field(0, settings.value(QStringLiteral("multiplayer/address")).toString());
    codeEdit = field(1, QString());
    codeEdit->setMaxLength(protocol::codeDigits);
    nameEdit = field(2, settings.value(QStringLiteral("singleplayer/name"))
                            .toString()
                            .left(protocol::maxNameLength));
    nameEdit->setMaxLength(protocol::maxNameLength);

    backButton = new PixButton(QStringLiteral("back-up.png"), QStringLiteral("back-down.png"),
                               false, 10, 0, this);
    backButton->move(10, height() - backButton->height() - 10);
    connect(backButton, &PixButton::clicked, this, &JoinScreen::backPressed);
    joinButton = new PixButton(QStringLiteral("connect-up.png"), QStringLiteral("connect-down.png"),
                               false, 0, 0, this);
    joinButton->move(width() - joinButton->width() - 10, backButton->y());
    connect(joinButton, &PixButton::clicked, this, &JoinScreen::joinPressed);
    hide();
}

bool JoinScreen::parseAddress(const QString &text, quint16 defaultPort, QString *host,
                              quint16 *port)
{
    const QString trimmed = text.trimmed();
    const QStringList parts = trimmed.split(QLatin1Char(':'));
    if (trimmed.isEmpty() || parts.size() > 2 || parts.first().isEmpty()
        || trimmed.contains(QLatin1Char(' ')))
        return false;
    *host = parts.first();
    *port = defaultPort;
    if (parts.size() == 2) {
        bool ok = false;
        const uint number = parts.last().toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            return false;
        *port = quint16(number);
    }
    return true;
}

void JoinScreen::joinPressed()
{
    click();
    if (client)
        return;
    QString host;
    quint16 port = 0;
    if (!parseAddress(addressEdit->text(), gamePort, &host, &port)) {
        status = QStringLiteral(
            "Choose a game above or type the teacher's address (such as 192.168.1.20).");
        update();
        return;
    }
    QSettings().setValue(QStringLiteral("multiplayer/address"), addressEdit->text().trimmed());
    client = new ClassClient(this);
    connect(client, &ClassClient::failed, this, [this](const QString &why) {
        status = why;
        client->deleteLater();
        client = nullptr;
        update();
    });
    for (auto signal : {&ClassClient::ready, &ClassClient::lobbyChanged, &ClassClient::started,
                        &ClassClient::finished})
        connect(client, signal, this, &JoinScreen::follow);
    status = QStringLiteral("Joining the game at %1...").arg(host);
    client->join(host, port, codeEdit->text(), nameEdit->text());
    update();
}

void JoinScreen::follow()
{
    if (!client || !client->isReady())
        return;
    if (client->phase() == ClassClient::Phase::Playing
        || client->phase() == ClassClient::Phase::Finished) {
        ClassClient *joined = client;
        client = nullptr;
        joined->disconnect(this);
        joined->setParent(nullptr);
        emit gameReady(joined);
        return;
    }
    status = QStringLiteral("%1: waiting for the teacher to start. Players: %2")
                 .arg(client->setName(), client->lobby().join(QStringLiteral(", ")));
    update();
}

void JoinScreen::backPressed()
{
    if (client)
        client->leave();
    emit goBack();
}

void JoinScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        backPressed();
    else
        QWidget::keyPressEvent(event);
}

void JoinScreen::mousePressEvent(QMouseEvent *event)
{
    const QList<GameFinder::Game> games = finder->games();
    for (int row = 0; row < games.size() && row < listRows; ++row) {
        if (!rowRect(row).contains(event->position().toPoint()))
            continue;
        click();
        addressEdit->setText(
            QStringLiteral("%1:%2").arg(games.at(row).address.toString()).arg(games.at(row).port));
        codeEdit->setFocus();
        update();
        return;
    }
}

void JoinScreen::showEvent(QShowEvent *)
{
    (addressEdit->text().isEmpty() ? addressEdit : codeEdit)->setFocus();
}

QRect JoinScreen::listRect() const
{
    return QRect(10, 20 + heading.height() + 40, 780, listRows * rowHeight);
}

QRect JoinScreen::rowRect(int row) const
{
    return QRect(listRect().x(), listRect().y() + row * rowHeight, listRect().width(), rowHeight);
}

void JoinScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));
    painter.drawPixmap(400 - heading.width() / 2, 10, heading);
    painter.setPen(white);
    painter.setFont(sans(14, true));
    painter.drawText(QRect(10, listRect().top() - 34, 780, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Games on this network"));
    painter.fillRect(listRect(), QColor(6, 30, 36));
    painter.setFont(sans(13));
    const QList<GameFinder::Game> games = finder->games();
    QString host;
    quint16 port = 0;
    parseAddress(addressEdit->text(), gamePort, &host, &port);
    for (int row = 0; row < games.size() && row < listRows; ++row) {
        const GameFinder::Game &g = games.at(row);
        if (g.address.toString() == host && g.port == port)
            painter.fillRect(rowRect(row), QColor(44, 132, 140));
        const QString state =
            g.version != protocol::version        ? QStringLiteral("another version of the game")
            : g.phase == QLatin1String("lobby")   ? QStringLiteral("waiting to start")
            : g.phase == QLatin1String("playing") ? QStringLiteral("under way")
                                                  : QStringLiteral("over");
        painter.drawText(rowRect(row).adjusted(10, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("%1  —  %2   (%3 players, %4)")
                             .arg(g.hostName, g.setName)
                             .arg(g.players)
                             .arg(state));
    }
    if (games.isEmpty())
        painter.drawText(listRect(), Qt::AlignCenter,
                         QStringLiteral("No game heard yet: type the teacher's address below."));
    painter.setFont(sans(16));
    const char *labels[] = {"Address:", "Code:", "Nickname:"};
    for (int i = 0; i < 3; ++i)
        painter.drawText(QRect(100, addressEdit->y() + i * 48, 150, 36),
                         Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(labels[i]));
    painter.setFont(sans(12));
    painter.drawText(QRect(10, backButton->y() - 56, 780, 50), Qt::AlignCenter | Qt::TextWordWrap,
                     status);
}
