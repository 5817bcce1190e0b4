// The teacher's side of a class game under a class of forty: the host screen
// shown as the teacher sees it while forty students, in a process of their
// own, play the heart through to the podium. The figure is the longest the
// host's event loop stood still between two of its 20 ms frames (each frame
// repaints the live grid); the mean repaint is a counter beside it. Needs a
// display (xvfb-run on servers).
//   torvane-bench-class [benchmark options] [--data DIR]   default <build>/data
// With --bots PORT CODE COUNT the program is the class instead: COUNT clients
// that join, wait for the start and each drop a piece on its place every
// 50 ms until the set is done.
#include "summary.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "net/classclient.h"
#include "screens/hostscreen.h"
#include "screens/setchooser.h"
#include "widgets/pixbutton.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <memory>

namespace {

QString dataDir = TORVANE_BINARY_DIR "/data";
constexpr int classSize = 40;

// One scripted student: drops the next piece on its place every 50 ms.
struct Bot
{
    ClassClient client;
    std::unique_ptr<GameEngine> set;
    int next = 0;
};

int runBots(quint16 port, const QString &code, int count)
{
    QTemporaryDir cache;
    std::vector<std::unique_ptr<Bot>> bots;
    for (int i = 0; i < count; ++i) {
        auto bot = std::make_unique<Bot>();
        bot->client.cacheDir = cache.path();
        bot->client.join("127.0.0.1", port, code, QStringLiteral("Student %1").arg(i + 1));
        bots.push_back(std::move(bot));
    }
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        int done = 0;
        for (auto &bot : bots) {
            if (bot->client.phase() == ClassClient::Phase::Gone
                || bot->client.phase() == ClassClient::Phase::Finished) {
                ++done;
                continue;
            }
            if (bot->client.phase() != ClassClient::Phase::Playing || !bot->client.isReady())
                continue;
            if (!bot->set)
                bot->set = std::make_unique<GameEngine>(bot->client.set());
            if (bot->next < bot->set->remaining.size()) {
                const PieceRecord *piece = bot->set->remaining.at(bot->next);
                bot->client.drop(bot->next++, piece->posX() + bot->set->offsetX,
                                 piece->posY() + bot->set->offsetY);
            }
        }
        if (done == count)
            QCoreApplication::quit();
    });
    step.start(50);
    QTimer::singleShot(120000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

void classOfForty(benchmark::State &state)
{
    for (auto _ : state) {
        QUdpSocket beacons; // the beacons stay on this machine
        beacons.bind(QHostAddress::LocalHost, 0);
        HostScreen screen(nullptr);
        screen.options.address = QHostAddress::LocalHost;
        screen.options.port = 0;
        screen.options.beaconTargets = {QHostAddress::LocalHost};
        screen.options.beaconPort = beacons.localPort();
        QTemporaryDir reports;
        screen.reportFolder = reports.path();
        for (int i = 0; i < screen.chooser->entries.size(); ++i)
            if (screen.chooser->entries[i].id == "heart")
                screen.chooser->selected = i;
        screen.show();
        screen.openButton->click();
        if (!screen.host) {
            state.SkipWithError("the game could not be opened");
            return;
        }
        QProcess bots;
        bots.setProcessChannelMode(QProcess::ForwardedChannels);
        bots.start(QCoreApplication::applicationFilePath(),
                   {"--bots", QString::number(screen.host->port()), screen.host->code(),
                    QString::number(classSize)});
        QEventLoop loop;
        QElapsedTimer waited;
        waited.start();
        while (screen.host->playerCount() < classSize && waited.elapsed() < 30000)
            loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
        screen.startButton->click();

        // The teacher's frames: every 20 ms the grid is painted anew.
        QTimer frames;
        frames.setTimerType(Qt::PreciseTimer);
        QElapsedTimer sinceFrame, painting;
        qint64 longest = 0, longestAt = 0, paintedNs = 0, painted = 0;
        QElapsedTimer sinceStart;
        sinceStart.start();
        QObject::connect(&frames, &QTimer::timeout, [&] {
            if (const qint64 gap = sinceFrame.restart(); gap > longest) {
                longest = gap;
                longestAt = sinceStart.elapsed();
            }
            painting.start();
            screen.repaint();
            paintedNs += painting.nsecsElapsed();
            ++painted;
        });
        sinceFrame.start();
        frames.start(20);
        while (screen.step != HostScreen::Step::Podium && waited.elapsed() < 120000)
            loop.processEvents(QEventLoop::WaitForMoreEvents, 50);
        frames.stop();
        bots.waitForFinished(10000);
        state.SetIterationTime(double(longest) / 1e3);
        state.counters["repaintMs"] = painted ? double(paintedNs) / painted / 1e6 : 0;
        state.counters["stallAtMs"] = double(longestAt);
        state.counters["gameMs"] = double(sinceStart.elapsed());
        const QList<Standing> standings = screen.host->standings();
        state.counters["finished"] = int(std::count_if(
            standings.begin(), standings.end(), [](const Standing &s) { return s.finished; }));
    }
}
BENCHMARK(classOfForty)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    for (size_t i = 1; i + 1 < args.size(); ++i)
        if (std::string(args[i]) == "--data") {
            dataDir = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            break;
        }
    int count = int(args.size());
    QApplication app(count, args.data());
    QCoreApplication::setOrganizationName("torvane-bench");
    QCoreApplication::setApplicationName("torvane-bench");
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 5 && arguments[1] == "--bots")
        return runBots(quint16(arguments[2].toUInt()), arguments[3], arguments[4].toInt());
    if (!QDir::setCurrent(dataDir)) {
        std::fprintf(stderr, "no data in %s\n", qPrintable(dataDir));
        return 2;
    }
    const std::string name = "classOfForty/iterations:1/manual_time";
    const int missed = runAndSummarise(
        count, args.data(),
        {
            {.label = "Host screen, forty playing: longest stall", .ours = name, .goalMs = 50},
            {.label = "  mean repaint of the grid", .ours = name, .counter = "repaintMs"},
            {.label = "  players finished",
             .ours = name,
             .counter = "finished",
             .goalAtLeast = classSize},
        });
    return missed == 0 ? 0 : 3;
}
