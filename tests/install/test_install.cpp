// ctest-labels: integration
// The game as a player installs it: cmake --install into a staging directory,
// and cpack's Debian package, checked by lintian and installed by dpkg into a
// throw-away root; both launchers start the real game, which is then ended.

#include <QDir>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString appId = "games.vexa.Torvane", binaryDir = TORVANE_BINARY_DIR;

// A command run to its end: exit code -1 when it did not start, crashed or hung.
struct Run { int exitCode; QString out; };

Run run(const QStringList &command)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(240000) && process.exitStatus() == QProcess::NormalExit;
    process.kill();
    return {finished ? process.exitCode() : -1, process.readAll() + (finished ? QString() : process.errorString())};
}

// How many windows the process has; they are raised over other tests' windows
// and, with close, asked to close as a window manager asks (Xlib, at the end).
int windowsOf(qint64 pid, bool close);

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void gameStartsFromEitherLauncherAndEndsCleanly_data();
    void gameStartsFromEitherLauncherAndEndsCleanly();
    void installedTreeHoldsTheGameItsDataToolsManualPagesAndValidDesktopFiles();
    void debianPackageIsLintianCleanDependsOnItsLibrariesAndKeepsToUsr();

private:
    QTemporaryDir stage, scratch;
    const QString usr = stage.path() + "/usr/", deb = scratch.filePath("torvane.deb"), root = scratch.filePath("root");
};

void TestInstall::initTestCase()
{
    // cmake --install and cpack write their manifest into the build directory:
    // the one a real install left there is put back.
    const QString manifest = binaryDir + "/install_manifest.txt", kept = scratch.filePath("manifest"), dpkgDir = root + "/var/lib/dpkg/";
    QFile::rename(manifest, kept);
    auto restore = qScopeGuard([&] { QFile::remove(manifest); QFile::rename(kept, manifest); });
    // dpkg installs with an empty database of its own, and its helpers on PATH.
    QVERIFY(QDir().mkpath(dpkgDir + "info") && QDir().mkpath(dpkgDir + "updates") && QFile(dpkgDir + "status").open(QIODevice::WriteOnly));
    qputenv("PATH", qgetenv("PATH") + ":/usr/sbin:/sbin");
    for (const QStringList &command : {QStringList{"env", "DESTDIR=" + stage.path(), "cmake", "--install", binaryDir, "--prefix", "/usr"},
                                       {"cpack", "-G", "DEB", "--config", binaryDir + "/CPackConfig.cmake", "-B", scratch.path(), "-D", "CPACK_DEBIAN_FILE_NAME=torvane.deb"},
                                       {"dpkg", "--root=" + root, "--force-depends", "--force-not-root", "-i", deb},
                                       {"install", "-D", usr + "games/torvane", scratch.filePath("lonely/torvane")}}) {
        const Run result = run(command);
        QVERIFY2(result.exitCode == 0, qPrintable(result.out));
    }
}

void TestInstall::gameStartsFromEitherLauncherAndEndsCleanly_data()
{
    // With arguments, the game starts with DISPLAY, WAYLAND_DISPLAY and
    // QT_QPA_PLATFORM unset: the arguments alone say where its window goes.
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("ending"); // 0: window closed, else the signal sent
    QTest::addColumn<QString>("refusal");
    const QString staged = usr + "games/torvane";
    QTest::newRow("staged, window closed") << staged << QStringList() << 0 << "";
    QTest::newRow("staged, SIGTERM") << staged << QStringList() << SIGTERM << "";
    QTest::newRow("package's /usr/games, SIGINT") << root + "/usr/games/torvane" << QStringList() << SIGINT << "";
    QTest::newRow("-display") << staged << QStringList{"-display", qgetenv("DISPLAY")} << SIGTERM << "";
    QTest::newRow("-platform offscreen") << staged << QStringList{"-platform", "offscreen"} << SIGTERM << "";
    QTest::newRow("-platform=offscreen") << staged << QStringList{"-platform=offscreen"} << SIGINT << "";
    QTest::newRow("--platform offscreen") << staged << QStringList{"--platform", "offscreen"} << SIGTERM << "";
    QTest::newRow("-platform without a value") << staged << QStringList{"-platform"} << 0 << "torvane: no display available";
    QTest::newRow("no data") /* a launcher on its own */ << scratch.filePath("lonely/torvane") << QStringList() << 0 << "torvane: the game's data is missing";
}

void TestInstall::gameStartsFromEitherLauncherAndEndsCleanly()
{
    QFETCH(QString, launcher);
    QFETCH(QStringList, args);
    QFETCH(int, ending);
    QFETCH(QString, refusal);
    QProcess game; // env and the launcher exec the game: the process id stays the game's
    game.setProcessChannelMode(QProcess::MergedChannels);
    game.start("env", (args.isEmpty() ? QStringList() : QStringList{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"}) + QStringList{launcher} + args);
    auto stop = qScopeGuard([&game] { game.kill(); game.waitForFinished(); });
    if (!refusal.isEmpty()) {
        const QString out = game.waitForFinished() ? game.readAll() : QString();
        QVERIFY2(game.exitCode() == 1 && out.startsWith(refusal) && out.count('\n') == 1, qPrintable(out));
        return;
    }

    // Up: its sound is open (SDL's signal handlers would be in place by now)
    // and, on X, the menu shows: centred, its single-player button at (10, 10),
    // the multi-player one 10 to its right, the exit button 30 + 10 below them.
    const QString data = usr + "share/torvane/data/";
    const QImage single(data + "singleplayer-up.png"), multi(data + "multiplayer-up.png"), exit(data + "exit-up.png");
    const QSize menu(single.width() + 20 + multi.width(), 30 + multi.height() + 10 + exit.height()), screen = QGuiApplication::primaryScreen()->size();
    const QRect button(QPoint((screen.width() - menu.width()) / 2 + 10, (screen.height() - menu.height()) / 2 + 10), single.size());
    const bool onX = !args.join(' ').contains("offscreen");
    const QDeadlineTimer deadline(30000);
    double difference = 255; // mean over the button, 0 to 255 a colour channel; 0 off X
    while (difference >= 12 && !deadline.hasExpired() && game.state() != QProcess::NotRunning) {
        QTest::qWait(250);
        // SDL names its sound thread "SDLAudioP<n>".
        if (run({"sh", "-c", QString("grep -qs SDLAudio /proc/%1/task/*/comm").arg(game.processId())}).exitCode != 0
            || (onX && windowsOf(game.processId(), false) == 0))
            continue;
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(button);
        qint64 total = 0;
        for (int i = 0; onX && i < single.width() * single.height() * 3; ++i) {
            const QRgb drawn = single.pixel(i / 3 % single.width(), i / 3 / single.width()), shown = shot.pixel(i / 3 % single.width(), i / 3 / single.width());
            total += qAbs(int(drawn >> i % 3 * 8 & 0xff) * qAlpha(drawn) / 255 - int(shown >> i % 3 * 8 & 0xff));
        }
        difference = double(total) / (3 * single.width() * single.height());
    }
    QVERIFY2(difference < 12, qPrintable(QString("not up after %1 ms, the menu differs by %2: %3").arg(30000 - deadline.remainingTime()).arg(difference).arg(game.readAll())));
    QVERIFY(ending ? ::kill(pid_t(game.processId()), ending) == 0 : windowsOf(game.processId(), true) > 0);
    game.waitForFinished(10000);
    QVERIFY2(game.state() == QProcess::NotRunning && game.exitStatus() == QProcess::NormalExit && game.exitCode() == 0,
             qPrintable(QString("state %1, exit status %2, code %3").arg(game.state()).arg(game.exitStatus()).arg(game.exitCode())));
}

void TestInstall::installedTreeHoldsTheGameItsDataToolsManualPagesAndValidDesktopFiles()
{
    for (const char *program : {"games/torvane", "libexec/torvane/torvane", "bin/torvane-inspect", "bin/torvane-setcheck"})
        QVERIFY2(QFileInfo(usr + program).isExecutable(), program);
    // Every generated file arrives, byte for byte, and the games run above
    // wrote nothing beside them.
    const Run diff = run({"diff", "-r", binaryDir + "/data", usr + "share/torvane/data"});
    QVERIFY2(diff.exitCode == 0 && QFileInfo::exists(binaryDir + "/data/sets/bodyparts/tris4.pcx"), qPrintable(diff.out));
    // Icons: dark tiles with cut corners.
    for (int size : {48, 64, 128, 256}) {
        const QImage icon(usr + QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
        QVERIFY(icon.size() == QSize(size, size) && qAlpha(icon.pixel(0, 0)) == 0 && qGray(icon.pixel(size / 2, 1)) < 64);
    }
    // Every page in packaging/man, in the section its name ends in.
    const QFileInfoList pages = QDir(TORVANE_SOURCE_DIR "/packaging/man").entryInfoList(QDir::Files);
    for (const QFileInfo &page : pages)
        QVERIFY2(QFileInfo::exists(usr + "share/man/man" + page.suffix() + "/" + page.fileName() + ".gz"), qPrintable(page.fileName()));
    QVERIFY(pages.size() >= 3);

    // Desktop entry and store listing: valid, and naming the installed game.
    const QString desktop = usr + "share/applications/" + appId + ".desktop", metainfo = usr + "share/metainfo/" + appId + ".metainfo.xml";
    for (const Run &result : {run({"desktop-file-validate", desktop}), run({"appstreamcli", "validate", "--no-net", metainfo})})
        QVERIFY2(result.exitCode == 0, qPrintable(result.out));
    // Exec goes through PATH, which holds /usr/games; the listing names the
    // same command, the entry, the licence and the release in the package.
    QCOMPARE(run({"grep", "-cx", "-e", "Exec=torvane", "-e", "Icon=" + appId, desktop}).out.trimmed(), "2");
    const QString release = "<release version=\"" + run({"dpkg-deb", "-f", deb, "Version"}).out.trimmed() + "\"";
    QCOMPARE(run({"grep", "-c", "-e", "<binary>torvane</binary>", "-e", ">" + appId + ".desktop</launchable>", "-e", "<project_license>GPL-3.0-or-later<", "-e", release, metainfo}).out.trimmed(), "4");
}

void TestInstall::debianPackageIsLintianCleanDependsOnItsLibrariesAndKeepsToUsr()
{
    Run result = run({"lintian", "--fail-on", "error,warning", deb});
    QVERIFY2(result.exitCode == 0 && !result.out.contains(QRegularExpression("^[EW]: ", QRegularExpression::MultilineOption)), qPrintable(result.out));
    // Found by shlibdeps in the binaries, and what only the running game needs.
    const QString depends = ", " + run({"dpkg-deb", "-f", deb, "Depends"}).out.trimmed() + ",";
    for (const char *name : {"libqt6widgets6", "libqt6openglwidgets6", "libqt6xml6", "libglu1-mesa", "libsdl2-mixer-2.0-0", "qt6-qpa-plugins", "libgl1-mesa-dri", "fonts-dejavu-core"})
        QVERIFY2(depends.contains(QRegularExpression(QString("[,|] %1[ ,]").arg(name))), qPrintable(name + depends));
    // Nothing may reach the player's ~/.config/Vexa/Torvane.conf: no
    // maintainer script or configuration file, nothing outside /usr.
    QVERIFY(run({"dpkg-deb", "-e", deb, scratch.filePath("control")}).exitCode == 0);
    QCOMPARE(QDir(scratch.filePath("control")).entryList(QDir::Files), QStringList({"control", "md5sums"}));
    QCOMPARE(run({"sh", "-c", "dpkg-deb -c " + deb + " | grep -v -e ' ./usr/' -e ' ./$'"}).out, "");
}

QTEST_MAIN(TestInstall)
#include "test_install.moc"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

int windowsOf(qint64 pid, bool close)
{
    Display *x = XOpenDisplay(nullptr);
    Window unused = 0, *children = nullptr;
    unsigned int count = 0, found = 0;
    if (!x || !XQueryTree(x, DefaultRootWindow(x), &unused, &unused, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0, *value = nullptr;
        if (XGetWindowProperty(x, children[i], XInternAtom(x, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                  &after, reinterpret_cast<unsigned char **>(&value)) == Success
            && items == 1 && *value == static_cast<unsigned long>(pid)) {
            ++found;
            XRaiseWindow(x, children[i]);
            XClientMessageEvent message = {ClientMessage, 0, False, x, children[i], XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
            message.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
            if (close)
                XSendEvent(x, children[i], False, NoEventMask, reinterpret_cast<XEvent *>(&message));
        }
        XFree(value);
    }
    XFree(children);
    XCloseDisplay(x);
    return int(found);
}

} // namespace
