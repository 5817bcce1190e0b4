// torvane-host on a terminal: a line per event, standings on request, the report on SIGTERM, usage errors.
#include "testing/classroom.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

namespace {

const QString program = TORVANE_HOST_PROGRAM;

// Reads the program's output until a line holds `text`; the output so far.
bool waitFor(QProcess &process, QString &out, const QString &text)
{
    return QTest::qWaitFor(
        [&] {
            out += QString::fromUtf8(process.readAllStandardOutput());
            return out.contains(text);
        },
        10000);
}

} // namespace

class TestHostCommand : public QObject
{
    Q_OBJECT

private slots:
    void hostsFromATerminalWithALinePerEventAndTheReportWhenStopped()
    {
        GameData data;
        Classroom::writeSet(data);
        QTemporaryDir scratch;
        QUdpSocket ear; // where the beacons go
        QVERIFY(ear.bind(QHostAddress::LocalHost, 0));
        QProcess host;
        host.start(program, {"--data", data.path(), "--set", "class", "--code", "2468", "--port", "0", "--listen",
                             "127.0.0.1", "--beacon", "127.0.0.1", "--discovery-port", QString::number(ear.localPort()),
                             "--difficulty", "2", "--report", scratch.filePath("report.csv")});
        QString out;
        QVERIFY2(waitFor(host, out, "port "), qPrintable(out + host.readAllStandardError()));
        const auto first =
            QRegularExpression("^hosting \"Class set\" \\(class\\), difficulty 2, code 2468, port (\\d+)\n").match(out);
        QVERIFY2(first.hasMatch(), qPrintable(out));
        const quint16 port = quint16(first.captured(1).toUInt());
        QTRY_VERIFY(ear.hasPendingDatagrams());
        QVERIFY(!ear.receiveDatagram().data().contains("2468"));

        Student ann(port, scratch.filePath("cache"), "Ann", "2468");
        QVERIFY(ann.ready() && waitFor(host, out, "joined Ann\n"));
        host.write("start\n");
        QVERIFY(waitFor(host, out, "started\n"));
        QVERIFY(ann.drop(0, 0.3f) && ann.drop(0));
        QVERIFY(waitFor(host, out, "Ann: Aorta missed, 0%\nAnn: Aorta fits, 33%\n"));
        ::kill(pid_t(host.processId()), SIGUSR1);
        QVERIFY(waitFor(host, out, "missed most: Aorta 1\n"));
        QVERIFY2(QRegularExpression("\n  1\\. Ann +  33%   1 misses \\d\\d:\\d\\d playing\n").match(out).hasMatch(),
                 qPrintable(out));
        host.write("\n"); // an empty line asks for them too
        QVERIFY(waitFor(host, out, "standings at 00:0"));

        ::kill(pid_t(host.processId()), SIGTERM); // the podium goes out, the report is written, and it ends
        QVERIFY(host.waitForFinished(10000));
        out += host.readAllStandardOutput();
        QCOMPARE(QList<int>({int(host.exitStatus()), host.exitCode()}), QList<int>({QProcess::NormalExit, 0}));
        QVERIFY2(out.contains("ended\n")
                     && out.endsWith("report written to " + scratch.filePath("report.csv") + "\nclosed\n"),
                 qPrintable(out));
        QFile report(scratch.filePath("report.csv"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(report.readAll().split('\n').value(1), "1,Ann,no,,,33,1,0,1,0,0\r"); // medium: no hint after one miss
        QTRY_COMPARE(ann.failure, QStringLiteral("The host has gone."));
        QCOMPARE(ann.client.phase(), ClassClient::Phase::Gone);
    }

    void aWrongCommandLineOrSetGetsOneLineAndAStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("no set") << QStringList{"--port", "0"} << 2 << "torvane-host: --set is missing";
        QTest::newRow("difficulty 4") << QStringList{"--set", "class", "--difficulty", "4"} << 2
                                      << "--difficulty is 1, 2 or 3";
        QTest::newRow("a set that is not there")
            << QStringList{"--set", "heart", "--port", "0"} << 1 << "sets/heart.xml is missing";
        QTest::newRow("a set that reaches out")
            << QStringList{"--set", "../class", "--port", "0"} << 1 << "no set name";
    }

    void aWrongCommandLineOrSetGetsOneLineAndAStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        GameData data;
        Classroom::writeSet(data);
        QProcess host;
        host.start(program, arguments << "--data" << data.path());
        QVERIFY(host.waitForFinished(10000));
        const QString error = host.readAllStandardError();
        QCOMPARE(host.exitCode(), status);
        QVERIFY2(error.contains(says) && error.count('\n') == 1, qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestHostCommand)
#include "test_hostcommand.moc"
