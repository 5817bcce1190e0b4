// ctest-labels: integration
// The game staged by cmake --install and as cpack's Debian package (lintian, dpkg into a throw-away root).

#include "testing/gamedata.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <X11/Xatom.h> // after Qt: its macros (None, Bool, Status) would clash
#include <X11/Xlib.h>

#include <csignal>

namespace {

const QString appId = "games.vexa.Torvane", binaryDir = TORVANE_BINARY_DIR;

struct Run
{
    int exitCode;
    QString out;
}; // exit code -1: did not start, crashed or hung

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
        XGetWindowProperty(x, children[i], XInternAtom(x, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                           &format, &items, &after, reinterpret_cast<unsigned char **>(&value));
        if (items == 1 && *value == static_cast<unsigned long>(pid) && ++found) {
            XRaiseWindow(x, children[i]);
            XClientMessageEvent m = {
                ClientMessage, 0, False, x, children[i], XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
            m.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
            if (close)
                XSendEvent(x, children[i], False, NoEventMask, reinterpret_cast<XEvent *>(&m));
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
    const QString usr = stage.path() + "/usr/", data = usr + "share/torvane/data/",
                  deb = scratch.filePath("torvane.deb");

private slots:
    void initTestCase()
    {
        // cmake --install and cpack write their manifest into the build directory: a real install's is put back. dpkg
        // installs with an empty database of its own and its helpers on PATH. Then a launcher on its own.
        const QString script =
            "mv %2/install_manifest.txt %3/kept || true; trap 'mv -f %3/kept %2/install_manifest.txt || rm -f "
            "%2/install_manifest.txt' EXIT; export PATH=$PATH:/usr/sbin:/sbin; DESTDIR=%1 cmake --install %2 --prefix "
            "/usr; "
            "cpack -G DEB --config %2/CPackConfig.cmake -B %3 -D CPACK_DEBIAN_FILE_NAME=torvane.deb; mkdir -p "
            "%4/var/lib/dpkg/info %4/var/lib/dpkg/updates; touch %4/var/lib/dpkg/status; dpkg --root=%4 "
            "--force-depends "
            "--force-not-root -i %3/torvane.deb; install -D %1/usr/games/torvane %3/lonely/torvane";
        const Run setUp =
            run({"sh", "-ec", script.arg(stage.path(), binaryDir, scratch.path(), scratch.filePath("root"))});
        QVERIFY2(setUp.exitCode == 0, qPrintable(setUp.out));
    }

    void gameStartsFromEitherLauncherAndEndsCleanly_data()
    {
        QTest::addColumn<QStringList>("command"); // run by env
        QTest::addColumn<int>("ending");          // 0: window closed, else the signal sent
        QTest::addColumn<QString>("refusal");
        // With arguments, DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset: they alone place the window.
        const QString staged = usr + "games/torvane";
        const QStringList bare = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", staged};
        QTest::newRow("staged, window closed") << QStringList{staged} << 0 << "";
        QTest::newRow("staged, SIGTERM") << QStringList{staged} << SIGTERM << "";
        QTest::newRow("package's /usr/games, SIGINT")
            << QStringList{scratch.filePath("root/usr/games/torvane")} << SIGINT << "";
        QTest::newRow("-display") << bare + QStringList{"-display", qgetenv("DISPLAY")} << SIGTERM << "";
        QTest::newRow("-platform offscreen") << bare + QStringList{"-platform", "offscreen"} << SIGTERM << "";
        QTest::newRow("-platform=offscreen") << bare + QStringList{"-platform=offscreen"} << SIGINT << "";
        QTest::newRow("--platform offscreen") << bare + QStringList{"--platform", "offscreen"} << SIGTERM << "";
        QTest::newRow("-platform without a value")
            << bare + QStringList{"-platform"} << 0 << "torvane: no display available";
        QTest::newRow("no data: a launcher on its own")
            << QStringList{scratch.filePath("lonely/torvane")} << 0 << "torvane: the game's data is missing";
    }

    void gameStartsFromEitherLauncherAndEndsCleanly()
    {
        QFETCH(QStringList, command);
        QFETCH(int, ending);
        QFETCH(QString, refusal);
        QProcess game; // env and the launcher exec the game: the process id stays the game's (killed at the end)
        game.start("env", command);
        if (refusal.isEmpty()) {
            // Up: its sound open (SDL's signal handlers in place by now) and, on X, the menu centred over black: single-player
            // at (10, 10), multi-player 10 right of it, exit 30 + 10 below (unblended rim: 160 pixels differ; 1 px off: 2000).
            const QImage single(data + "singleplayer-up.png"), multi(data + "multiplayer-up.png"),
                exit(data + "exit-up.png");
            const QSize menu(single.width() + 20 + multi.width(), 30 + multi.height() + 10 + exit.height());
            QScreen *screen = QGuiApplication::primaryScreen();
            const QSize free = screen->size() - menu; // half of it left of the menu, half above
            const QRect button(QPoint(free.width() / 2 + 10, free.height() / 2 + 10), single.size());
            const QString soundThread = QString("grep -qs SDLAudio /proc/%1/task/*/comm").arg(game.processId());
            const bool offscreen = command.join(' ').contains("offscreen");
            bool up = false;
            for (QDeadlineTimer wait(30000); !up && !wait.hasExpired() && game.state() != QProcess::NotRunning;
                 QTest::qWait(250))
                up = run({"sh", "-c", soundThread}).exitCode == 0
                     && (offscreen
                         || (windowsOf(game.processId(), false) > 0
                             && differingPixels(single, screen->grabWindow(0).toImage().copy(button)) < 500));
            QVERIFY2(up, qPrintable("not up within 30 s: " + game.readAllStandardError()));
            QVERIFY(ending ? ::kill(pid_t(game.processId()), ending) == 0 : windowsOf(game.processId(), true) > 0);
        }
        game.waitForFinished(10000);
        const QString out = game.readAllStandardError(); // a refusal: one line and status 1; else status 0
        QVERIFY2(game.state() == QProcess::NotRunning && game.exitStatus() == QProcess::NormalExit
                     && game.exitCode() == !refusal.isEmpty()
                     && (refusal.isEmpty() || (out.startsWith(refusal) && out.count('\n') == 1)),
                 qPrintable(QString("exit %1: %2").arg(game.exitCode()).arg(out)));
    }

    void installHoldsGameDataToolsManualPagesValidDesktopFilesAndThePackageIsLintianCleanInUsr()
    {
        for (const char *tool : {"torvane-inspect", "torvane-setcheck", "torvane-makeset",
                                 "torvane-host"}) // the game's launchers ran above
            QVERIFY2(QFileInfo(usr + "bin/" + tool).isExecutable(), tool);
        for (int size : {48, 64, 128, 256}) { // dark tiles with cut corners
            const QImage icon(usr + QString("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
            QVERIFY(icon.size() == QSize(size, size) && qAlpha(icon.pixel(0, 0)) == 0
                    && qGray(icon.pixel(size / 2, 1)) < 64);
        }
        for (const QString &page :
             QDir(TORVANE_SOURCE_DIR "/packaging/man").entryList(QDir::Files)) // in its section, 1 or 6
            QVERIFY2(QFile::exists(usr + "share/man/man" + page.back() + "/" + page + ".gz"), qPrintable(page));
        const QString desktop = usr + "share/applications/" + appId + ".desktop",
                      metainfo = usr + "share/metainfo/" + appId;
        // The data byte for byte (the games above wrote nothing there), both files valid, the package lintian-clean.
        for (const Run &result :
             {run({"diff", "-r", binaryDir + "/data", data}), run({"desktop-file-validate", desktop}),
              run({"appstreamcli", "validate", "--no-net", metainfo + ".metainfo.xml"}),
              run({"lintian", "--fail-on", "error,warning", deb})})
            QVERIFY2(result.exitCode == 0, qPrintable(result.out));
        // Exec goes through PATH (it holds /usr/games); the listing names that command, the entry, licence and release.
        const QString release = "<release version=\"" + run({"dpkg-deb", "-f", deb, "Version"}).out.trimmed() + "\"";
        QCOMPARE(run({"grep", "-hc", "-e", "^Exec=torvane$", "-e", "^Icon=" + appId + "$", "-e",
                      "<binary>torvane</binary>", "-e", ">" + appId + ".desktop</launchable>", "-e",
                      "<project_license>GPL-3.0-or-later<", "-e", release, desktop, metainfo + ".metainfo.xml"})
                     .out,
                 "2\n4\n");
        // Found by shlibdeps in the binaries, and what only the running game needs.
        const QString depends = ", " + run({"dpkg-deb", "-f", deb, "Depends"}).out.trimmed() + ",";
        for (const char *name :
             {"libqt6widgets6", "libqt6opengl6", "libqt6xml6", "libqt6sql6", "libglu1-mesa", "libsdl2-mixer-2.0-0",
              "qt6-qpa-plugins", "libqt6sql6-sqlite", "libgl1-mesa-dri", "fonts-dejavu-core"})
            QVERIFY2(depends.contains(QRegularExpression(QString("[,|] %1[ ,]").arg(name))),
                     qPrintable(name + depends));
#if defined(__SANITIZE_ADDRESS__)
        // Staged and packaged, a sanitizer build's game keeps what it loads and records whole stacks: each frame
        // LeakSanitizer reports at its end is named, on any machine.
        for (const QString &game :
             {usr + "libexec/torvane/torvane", scratch.filePath("root/usr/libexec/torvane/torvane")})
            QCOMPARE(
                run({"sh", "-c", "nm -D --defined-only " + game + " | grep -cw -e dlclose -e __asan_default_options"})
                    .out,
                "2\n");
#endif
        // Nothing may reach the player's ~/.config/Vexa/Torvane.conf: no maintainer script or conffile, nothing outside /usr.
        const QString control =
            QString("dpkg-deb -e %1 %2 && ls %2 && dpkg-deb -c %1 | grep -v -e ' ./usr/' -e ' ./$'");
        QCOMPARE(run({"sh", "-c", control.arg(deb, scratch.filePath("control"))}).out, "control\nmd5sums\n");
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
