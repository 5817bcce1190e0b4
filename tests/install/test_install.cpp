// ctest-labels: integration
// The game as a player installs it: cmake --install into a staging directory, and cpack's Debian package,
// checked by lintian and installed by dpkg into a throw-away root; both launchers start the real game.

#include "testing/gamedata.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>

#include <X11/Xatom.h> // after Qt: its macros (None, Bool, Status) would clash
#include <X11/Xlib.h>

#include <csignal>

namespace {

const QString appId = "games.vexa.Torvane", binaryDir = TORVANE_BINARY_DIR;

struct Run { int exitCode; QString out; }; // exit code -1: did not start, crashed or hung

Run run(const QStringList &command)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    const bool finished = process.waitForFinished(240000) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, process.readAll() + (finished ? QString() : process.errorString())};
}

// How many windows the process has, raised over other tests' windows; close: asked to close as a window manager asks.
int windowsOf(qint64 pid, bool close)
{
    Display *x = XOpenDisplay(nullptr);
    Window unused, *children = nullptr;
    unsigned int count = 0, found = 0;
    XQueryTree(x, DefaultRootWindow(x), &unused, &unused, &children, &count);
    for (unsigned int i = 0; i < count; ++i) {
        int format;
        unsigned long type, items = 0, after, *value = nullptr; // type: an Atom
        XGetWindowProperty(x, children[i], XInternAtom(x, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           reinterpret_cast<unsigned char **>(&value));
        if (items == 1 && *value == static_cast<unsigned long>(pid) && ++found) {
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

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir stage, scratch;
    const QString usr = stage.path() + "/usr/", data = usr + "share/torvane/data/", deb = scratch.filePath("torvane.deb"), root = scratch.filePath("root");

private slots:
    void initTestCase()
    {
        // cmake --install and cpack write their manifest into the build directory: a real install's is put back.
        const QString manifest = binaryDir + "/install_manifest.txt", kept = scratch.filePath("manifest"), dpkgDir = root + "/var/lib/dpkg/";
        QFile::rename(manifest, kept);
        auto restore = qScopeGuard([&] { QFile::remove(manifest); QFile::rename(kept, manifest); });
        // dpkg installs with an empty database of its own, and its helpers on PATH.
        QVERIFY(QDir().mkpath(dpkgDir + "info") && QDir().mkpath(dpkgDir + "updates") && QFile(dpkgDir + "status").open(QIODevice::WriteOnly));
        qputenv("PATH", qgetenv("PATH") + ":/usr/sbin:/sbin");
        for (const Run &result : {run({"env", "DESTDIR=" + stage.path(), "cmake", "--install", binaryDir, "--prefix", "/usr"}), // in this order
                                  run({"cpack", "-G", "DEB", "--config", binaryDir + "/CPackConfig.cmake", "-B", scratch.path(), "-D", "CPACK_DEBIAN_FILE_NAME=torvane.deb"}),
                                  run({"dpkg", "--root=" + root, "--force-depends", "--force-not-root", "-i", deb}),
                                  run({"install", "-D", usr + "games/torvane", scratch.filePath("lonely/torvane")})})
            QVERIFY2(result.exitCode == 0, qPrintable(result.out));
    }

    void gameStartsFromEitherLauncherAndEndsCleanly_data()
    {
        // With arguments, DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset: they alone place the window.
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

    void gameStartsFromEitherLauncherAndEndsCleanly()
    {
        QFETCH(QString, launcher);
        QFETCH(QStringList, args);
        QFETCH(int, ending);
        QFETCH(QString, refusal);
        QProcess game; // env and the launcher exec the game: the process id stays the game's (killed at the end)
        game.setProcessChannelMode(QProcess::MergedChannels);
        game.start("env", (args.isEmpty() ? QStringList() : QStringList{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"}) + QStringList{launcher} + args);
        if (refusal.isEmpty()) {
            // Up: its sound is open (SDL's signal handlers would be in place by now) and, on X, the menu shows over black:
            // centred, its single-player button at (10, 10), the multi-player one 10 to its right, the exit one 30 + 10 below
            // (unblended, the rounded corners' rim differs in some 160 pixels; one pixel off, some 2000 differ).
            const QImage single(data + "singleplayer-up.png"), multi(data + "multiplayer-up.png"), exit(data + "exit-up.png");
            const QSize menu(single.width() + 20 + multi.width(), 30 + multi.height() + 10 + exit.height()), screen = QGuiApplication::primaryScreen()->size();
            const QRect button(QPoint((screen.width() - menu.width()) / 2 + 10, (screen.height() - menu.height()) / 2 + 10), single.size());
            bool up = false;
            for (QDeadlineTimer deadline(30000); !up && !deadline.hasExpired() && game.state() != QProcess::NotRunning; QTest::qWait(250))
                up = run({"sh", "-c", QString("grep -qs SDLAudio /proc/%1/task/*/comm").arg(game.processId())}).exitCode == 0 // SDL's sound thread
                    && (args.join(' ').contains("offscreen") || (windowsOf(game.processId(), false) > 0
                        && differingPixels(QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(button), single.convertToFormat(QImage::Format_RGB32)) < 500));
            QVERIFY2(up, qPrintable("not up within 30 s: " + game.readAll()));
            QVERIFY(ending ? ::kill(pid_t(game.processId()), ending) == 0 : windowsOf(game.processId(), true) > 0);
        }
        game.waitForFinished(10000);
        const QString out = game.readAll(); // a refusal: one line and status 1; else status 0
        QVERIFY2(game.state() == QProcess::NotRunning && game.exitStatus() == QProcess::NormalExit && game.exitCode() == !refusal.isEmpty()
                     && (refusal.isEmpty() || (out.startsWith(refusal) && out.count('\n') == 1)), qPrintable(QString("exit %1: %2").arg(game.exitCode()).arg(out)));
    }

    void installHoldsGameDataToolsManualPagesValidDesktopFilesAndThePackageIsLintianCleanInUsr()
    {
        for (const char *program : {"games/torvane", "libexec/torvane/torvane", "bin/torvane-inspect", "bin/torvane-setcheck", "bin/torvane-makeset"})
            QVERIFY2(QFileInfo(usr + program).isExecutable(), program);
        const Run diff = run({"diff", "-r", binaryDir + "/data", data}); // byte for byte; the games above wrote nothing there
        QVERIFY2(diff.exitCode == 0 && QFileInfo::exists(binaryDir + "/data/sets/bodyparts/tris4.pcx"), qPrintable(diff.out));
        for (int size : {48, 64, 128, 256}) { // dark tiles with cut corners
            const QImage icon(usr + QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
            QVERIFY(icon.size() == QSize(size, size) && qAlpha(icon.pixel(0, 0)) == 0 && qGray(icon.pixel(size / 2, 1)) < 64);
        }
        const QFileInfoList pages = QDir(TORVANE_SOURCE_DIR "/packaging/man").entryInfoList(QDir::Files); // in the section their names end in
        for (const QFileInfo &page : pages)
            QVERIFY2(QFileInfo::exists(usr + "share/man/man" + page.suffix() + "/" + page.fileName() + ".gz"), qPrintable(page.fileName()));
        const QString desktop = usr + "share/applications/" + appId + ".desktop", metainfo = usr + "share/metainfo/" + appId + ".metainfo.xml";
        for (const Run &result : {run({"desktop-file-validate", desktop}), run({"appstreamcli", "validate", "--no-net", metainfo}),
                                  run({"lintian", "--fail-on", "error,warning", deb})}) // the package lintian-clean too
            QVERIFY2(result.exitCode == 0, qPrintable(result.out));
        // Exec goes through PATH (it holds /usr/games); the listing names that command, the entry, licence and release.
        QCOMPARE(run({"grep", "-cx", "-e", "Exec=torvane", "-e", "Icon=" + appId, desktop}).out.trimmed(), "2");
        const QString release = "<release version=\"" + run({"dpkg-deb", "-f", deb, "Version"}).out.trimmed() + "\"";
        QCOMPARE(run({"grep", "-c", "-e", "<binary>torvane</binary>", "-e", ">" + appId + ".desktop</launchable>", "-e", "<project_license>GPL-3.0-or-later<", "-e", release, metainfo}).out.trimmed(), "4");
        // Found by shlibdeps in the binaries, and what only the running game needs.
        const QString depends = ", " + run({"dpkg-deb", "-f", deb, "Depends"}).out.trimmed() + ",";
        for (const char *name : {"libqt6widgets6", "libqt6openglwidgets6", "libqt6xml6", "libglu1-mesa", "libsdl2-mixer-2.0-0", "qt6-qpa-plugins", "libgl1-mesa-dri", "fonts-dejavu-core"})
            QVERIFY2(depends.contains(QRegularExpression(QString("[,|] %1[ ,]").arg(name))), qPrintable(name + depends));
        // Nothing may reach the player's ~/.config/Vexa/Torvane.conf: no maintainer script or configuration file, nothing outside /usr.
        QCOMPARE(run({"sh", "-c", QString("dpkg-deb -e %1 %2 && ls %2 && dpkg-deb -c %1 | grep -v -e ' ./usr/' -e ' ./$'").arg(deb, scratch.filePath("control"))}).out,
                 "control\nmd5sums\n");
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"

