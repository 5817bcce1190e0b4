// torvane-host: hosts a class game from a terminal, with the same host as
// the game's own host screen.
//
//   torvane-host --set ID [--difficulty N] [--code NNNN] [--port P]
//                [--report FILE] [--data DIR] [--listen ADDRESS]
//                [--discovery-port P] [--beacon ADDRESS]... [--autostart N]
//
// One line on standard output per event; the standings on a line typed on
// standard input (an empty one, or "standings") and on SIGUSR1; "start",
// "end" and "quit" do what they say. The report is written when the game
// ends, and on SIGINT or SIGTERM, which end the program cleanly. Exit status
// 0, 1 when the game cannot be hosted, 2 for a wrong command line.

#include "net/classhost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void writeSignal(int number)
{
    // Only async-signal-safe calls here.
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int usageError(const QString &what)
{
    std::fprintf(stderr, "torvane-host: %s (see --help)\n", qPrintable(what));
    return 2;
}

// The data directory: as given, else the current one when it holds sets,
// else the installed game's beside this program, else the build tree's.
QString findData(const QString &given)
{
    if (!given.isEmpty())
        return given;
    if (QDir(QStringLiteral("sets")).exists())
        return QStringLiteral(".");
    const QString bin = QCoreApplication::applicationDirPath();
    for (const QString &candidate :
         {bin + QStringLiteral("/../share/torvane/data"), bin + QStringLiteral("/../../data")})
        if (QDir(candidate + QStringLiteral("/sets")).exists())
            return QDir::cleanPath(candidate);
    return QStringLiteral(".");
}

class Console : public QObject
{
public:
    Console(ClassHost &host, QString reportPath, int autostart)
        : host(host)
        , reportPath(std::move(reportPath))
        , autostart(autostart)
    {
        connect(&host, &ClassHost::joined, this, [this](const QString &name, bool again) {
            say(QStringLiteral("joined %1%2")
                    .arg(name, again ? QStringLiteral(" (again)") : QString()));
            if (this->autostart > 0 && this->host.playerCount() >= this->autostart
                && this->host.phase() == ClassHost::Phase::Lobby)
                start();
        });
        connect(&host, &ClassHost::left, this,
                [](const QString &name) { say(QStringLiteral("left %1").arg(name)); });
        connect(&host, &ClassHost::refused, this, [](const QString &peer, const QString &reason) {
            say(QStringLiteral("refused %1: %2").arg(peer, reason));
        });
        connect(
            &host, &ClassHost::played, this,
            [](const QString &name, const QString &piece, bool fits, int progress) {
                say(QStringLiteral("%1: %2 %3, %4%")
                        .arg(name, piece, fits ? QStringLiteral("fits") : QStringLiteral("missed"))
                        .arg(progress));
            });
        connect(&host, &ClassHost::playerFinished, this, [](const QString &name, qint64 ms) {
            say(QStringLiteral("finished %1 in %2").arg(name, ClassHost::formatTime(ms)));
        });
        connect(&host, &ClassHost::finished, this, [this] {
            say(QStringLiteral("ended"));
            standings();
            writeReport();
        });

        // Signals arrive through a pipe the event loop watches.
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
            auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, &Console::signalled);
            struct sigaction action = {};
            action.sa_handler = writeSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            for (int number : {SIGINT, SIGTERM, SIGUSR1})
                sigaction(number, &action, nullptr);
        }
        input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(input, &QSocketNotifier::activated, this, &Console::readInput);
    }

private:
    void start()
    {
        host.start();
        say(QStringLiteral("started"));
    }

    void standings()
    {
        say(QStringLiteral("standings at %1, %2 players")
                .arg(ClassHost::formatTime(host.clock()))
                .arg(host.playerCount()));
        for (const Standing &s : host.standings())
            say(QStringLiteral("%1. %2 %3% %4 misses %5 %6%7")
                    .arg(s.place, 3)
                    .arg(s.name.leftJustified(protocol::maxNameLength))
                    .arg(s.progress, 3)
                    .arg(s.misses, 3)
                    .arg(ClassHost::formatTime(s.timeMs))
                    .arg(s.finished ? QStringLiteral("finished") : QStringLiteral("playing"),
                         s.connected ? QString() : QStringLiteral(" (gone)")));
        QStringList missed;
        for (const auto &[name, count] : host.mostMissed(3))
            missed << QStringLiteral("%1 %2").arg(name).arg(count);
        if (!missed.isEmpty())
            say(QStringLiteral("missed most: %1").arg(missed.join(QStringLiteral(", "))));
    }

    void writeReport()
    {
        if (reportWritten || host.phase() == ClassHost::Phase::Lobby)
            return;
        QString why;
        if (host.writeReport(reportPath, &why)) {
            reportWritten = true;
            say(QStringLiteral("report written to %1").arg(reportPath));
        } else {
            std::fprintf(stderr, "torvane-host: the report could not be written to %s: %s\n",
                         qPrintable(reportPath), qPrintable(why));
        }
    }

    void command(const QString &line)
    {
        const QString word = line.trimmed().toLower();
        if (word.isEmpty() || word == QLatin1String("standings") || word == QLatin1String("s"))
            standings();
        else if (word == QLatin1String("start"))
            host.phase() == ClassHost::Phase::Lobby
                ? start()
                : say(QStringLiteral("the game has started already"));
        else if (word == QLatin1String("end"))
            host.phase() == ClassHost::Phase::Playing ? host.end()
                                                      : say(QStringLiteral("no game under way"));
        else if (word == QLatin1String("quit") || word == QLatin1String("q"))
            quit();
        else
            say(QStringLiteral("commands: start, end, standings (or an empty line), quit"));
    }

    void readInput()
    {
        char bytes[512];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) {
            // Standard input has ended: signals still work.
            input->setEnabled(false);
            return;
        }
        pending.append(bytes, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            command(QString::fromUtf8(pending.left(end)));
        if (pending.size() > 4096)
            pending.clear();
    }

    void signalled()
    {
        char numbers[16];
        ssize_t n;
        while ((n = ::read(signalPipe[0], numbers, sizeof numbers)) > 0)
            for (ssize_t i = 0; i < n; ++i) {
                if (numbers[i] == SIGUSR1)
                    standings();
                else
                    quit();
            }
    }

    void quit()
    {
        if (host.phase() == ClassHost::Phase::Playing)
            host.end(); // the students see the podium; the report is written
        writeReport();
        say(QStringLiteral("closed"));
        QCoreApplication::quit();
    }

    ClassHost &host;
    QString reportPath;
    int autostart;
    bool reportWritten = false;
    QSocketNotifier *input = nullptr;
    QByteArray pending;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("torvane-host"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Hosts a Torvane class game: students join from their games (Multi player,\n"
        "Join a game) with the code, and the host decides every fit.\n"
        "Type start, end, quit, or an empty line for the standings.");
    parser.addHelpOption();
    const QCommandLineOption set(
        "set", "The puzzle set: ID names sets/ID.xml in the data directory.", "ID");
    const QCommandLineOption difficulty("difficulty", "1 easy, 2 medium, 3 hard (default 1).", "N",
                                        "1");
    const QCommandLineOption code("code", "The four-digit code (default: a random one).", "NNNN");
    const QCommandLineOption port("port",
                                  "The TCP port of the game (default 47820; 0 for any free port).",
                                  "P", QString::number(protocol::defaultGamePort));
    const QCommandLineOption report(
        "report", "Where the report goes (default torvane-class-ID-DATE.csv here).", "FILE");
    const QCommandLineOption data(
        "data",
        "The game's data directory (default: here if it has sets/, else the installed one).",
        "DIR");
    const QCommandLineOption listen(
        "listen", "Listen on this address only (default: every address).", "ADDRESS");
    const QCommandLineOption discovery("discovery-port",
                                       "The UDP port of the beacons (default 47821).", "P",
                                       QString::number(protocol::defaultBeaconPort));
    const QCommandLineOption beacon(
        "beacon",
        "Send the beacons to this address instead of every broadcast address; "
        "may be given more than once.",
        "ADDRESS");
    const QCommandLineOption autostart("autostart", "Start as soon as N players have joined.", "N",
                                       "0");
    parser.addOptions(
        {set, difficulty, code, port, report, data, listen, discovery, beacon, autostart});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (!parser.isSet(set))
        return usageError(QStringLiteral("--set is missing"));

    ClassHost::Options options;
    bool ok = false;
    options.difficulty = parser.value(difficulty).toInt(&ok);
    if (!ok || options.difficulty < 1 || options.difficulty > 3)
        return usageError(QStringLiteral("--difficulty is 1, 2 or 3"));
    if (parser.isSet(code) && !protocol::validCode(parser.value(code)))
        return usageError(QStringLiteral("--code has four digits"));
    options.code = parser.value(code);
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return usageError(QStringLiteral("--port is a number up to 65535"));
    options.port = quint16(portNumber);
    const uint beaconPort = parser.value(discovery).toUInt(&ok);
    if (!ok || beaconPort == 0 || beaconPort > 65535)
        return usageError(QStringLiteral("--discovery-port is a number from 1 to 65535"));
    options.beaconPort = quint16(beaconPort);
    if (parser.isSet(listen) && !options.address.setAddress(parser.value(listen)))
        return usageError(QStringLiteral("--listen needs an address"));
    for (const QString &address : parser.values(beacon)) {
        QHostAddress target;
        if (!target.setAddress(address))
            return usageError(QStringLiteral("--beacon needs an address"));
        options.beaconTargets << target;
    }
    const int startWith = parser.value(autostart).toInt(&ok);
    if (!ok || startWith < 0)
        return usageError(QStringLiteral("--autostart is a number of players"));

    const QString id = parser.value(set);
    const QString dataDir = findData(parser.value(data));
    QString why;
    const auto bundle = SetBundle::read(dataDir, id, &why);
    if (!bundle) {
        std::fprintf(stderr, "torvane-host: cannot host %s from %s: %s\n", qPrintable(id),
                     qPrintable(dataDir), qPrintable(why));
        return 1;
    }
    ClassHost host(*bundle, options);
    if (!host.listen(&why)) {
        std::fprintf(stderr, "torvane-host: %s\n", qPrintable(why));
        return 1;
    }
    const QString reportPath =
        parser.isSet(report)
            ? parser.value(report)
            : QStringLiteral("torvane-class-%1-%2.csv")
                  .arg(id,
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    say(QStringLiteral("hosting \"%1\" (%2), difficulty %3, code %4, port %5")
            .arg(bundle->name, id)
            .arg(options.difficulty)
            .arg(host.code())
            .arg(host.port()));
    Console console(host, reportPath, startWith);
    return app.exec();
}
