#include "widgets/classgamescreen.h"

#include "game/difficulty.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "net/classclient.h"
#include "net/classhost.h"
#include "view/glengine.h"

#include <QPainter>

ClassGameScreen::ClassGameScreen(QWidget *parent, ClassClient *client)
    : SinglePlayerScreen(parent, client->set())
    , client(client)
{
    client->setParent(this);
    // The host's difficulty and the nickname the host knows the player by.
    difficulty = client->difficulty();
    playerName = titleOf(playedDifficulty(difficulty)) + client->name();
    view->setDifficulty(playedDifficulty(difficulty));
    if (!client->modelRoot().isEmpty())
        useModelsUnder(*engine, client->modelRoot());
    engine->deferFits = true;
    order = engine->remaining;

    connect(engine, &GameEngine::taken, this,
            [this] { this->client->take(int(order.indexOf(engine->current))); });
    connect(engine, &GameEngine::dropped, this, [this](float x, float y) {
        // One drop at a time: until the verdict the piece stays in the hand.
        if (awaiting >= 0)
            return;
        awaiting = int(order.indexOf(engine->current));
        this->client->drop(awaiting, x, y);
    });
    connect(client, &ClassClient::verdict, this, &ClassGameScreen::applyVerdict);
    connect(client, &ClassClient::stateReceived, this, &ClassGameScreen::applyState);
    connect(client, &ClassClient::standingsChanged, this, [this] { update(standingRect()); });
    connect(client, &ClassClient::finished, this, [this] { update(); });
    connect(client, &ClassClient::failed, this, &ClassGameScreen::hostLost);
    applyState();
}

ClassGameScreen::~ClassGameScreen()
{
    client->leave();
}

void ClassGameScreen::applyVerdict(int piece, bool fits)
{
    awaiting = -1;
    if (!engine->current || order.indexOf(engine->current) != piece)
        return; // the state that follows puts it right
    engine->settle(fits);
    if (engine->gameWon) {
        // The time the host took, to the millisecond.
        shownTime = int(client->state().time);
        view->setWinTime(shownTime);
        update();
    }
}

void ClassGameScreen::applyState()
{
    const ClassClient::State state = client->state();
    QList<PieceRecord *> placed;
    for (int piece : state.placed)
        if (!placed.contains(order.value(piece)))
            placed << order.value(piece);
    // The piece in the hand stays there unless the host has it placed.
    PieceRecord *held = placed.contains(engine->current) ? nullptr : engine->current;
    engine->placed = placed;
    engine->current = held;
    engine->remaining.clear();
    engine->misses.clear();
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (!placed.contains(order.at(i)) && order.at(i) != held)
            engine->remaining << order.at(i);
        if (state.misses.value(i) > 0)
            engine->misses[order.at(i)] = state.misses.value(i);
    }
    if (!held)
        awaiting = -1;
    if (state.finished && !engine->gameWon && engine->remaining.isEmpty() && !held) {
        engine->gameWon = true;
        shownTime = int(state.time);
        emit engine->won();
        view->setWinTime(shownTime);
    }
    emit engine->changed();
}

int ClassGameScreen::playTime() const
{
    return int(client->state().finished ? client->state().time : client->clock());
}

QString ClassGameScreen::ordinal(int place)
{
    const int tens = place % 100;
    const char *suffix = (tens >= 11 && tens <= 13) ? "th"
                         : place % 10 == 1          ? "st"
                         : place % 10 == 2          ? "nd"
                         : place % 10 == 3          ? "rd"
                                                    : "th";
    return QString::number(place) + QLatin1String(suffix);
}

QStringList ClassGameScreen::standingLines() const
{
    const QList<Standing> standings = client->standings();
    const auto me = std::find_if(standings.begin(), standings.end(),
                                 [this](const Standing &s) { return s.name == client->name(); });
    const auto result = [](const Standing &s) {
        return s.finished ? ClassHost::formatTime(s.timeMs) : QStringLiteral("%1%").arg(s.progress);
    };
    QStringList lines;
    if (client->phase() == ClassClient::Phase::Finished) {
        QStringList podium;
        for (int i = 0; i < 3 && i < standings.size(); ++i)
            podium << QStringLiteral("%1. %2 %3")
                          .arg(i + 1)
                          .arg(standings.at(i).name, result(standings.at(i)));
        lines << QStringLiteral("Podium: ") + podium.join(QStringLiteral("   "));
    } else if (!standings.isEmpty()) {
        lines << QStringLiteral("Leader: %1, %2")
                     .arg(standings.first().name, result(standings.first()));
    }
    if (me != standings.end())
        lines.prepend(QStringLiteral("You: %1 of %2, %3")
                          .arg(ordinal(me->place))
                          .arg(standings.size())
                          .arg(result(*me)));
    return lines;
}

QRect ClassGameScreen::standingRect() const
{
    return QRect(width() - 430, 14, 420, view->y() - 24);
}

void ClassGameScreen::paintEvent(QPaintEvent *event)
{
    SinglePlayerScreen::paintEvent(event);
    const QStringList lines = standingLines();
    if (lines.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(18, 74, 82));
    painter.drawRoundedRect(standingRect(), 8, 8);
    painter.setPen(QColor(236, 226, 196));
    painter.setFont(QFont(QStringLiteral("Sans"), 14, QFont::Bold));
    painter.drawText(standingRect().adjusted(14, 8, -14, -8),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                     lines.join(QLatin1Char('\n')));
}
